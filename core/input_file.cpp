#include "core/input_file.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/characters.h"
#include "core/file_messages.h"

namespace tolven {
namespace {

constexpr int FIELD_COUNT = 4;
constexpr char END_OF_FILE_MARK = '\x1A';  // Ctrl-Z

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Reads every byte of the file at `path` into `bytes`. False when the file
// cannot be opened or a read fails (on Linux a folder opens and then fails to
// read with EISDIR). The size of a regular file is taken first, so a large
// file is read into one allocation without copying; pipes grow as they come.
bool readWholeFile(const std::string& path, UninitializedVector<char>& bytes) {
    // Binary mode: the text-mode rules (Ctrl-Z, CR-LF) are applied below the
    // same way on every platform.
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::size_t capacity = error ? 64 * 1024 : static_cast<std::size_t>(size) + 1;
    bytes.resize(capacity);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        const std::size_t count = std::fread(bytes.data() + used, 1, bytes.size() - used, file.get());
        used += count;
        if (count == 0) break;
    }
    bytes.resize(used);
    return std::ferror(file.get()) == 0;
}

// Splits `line` into at most FIELD_COUNT white-space-separated fields and
// returns how many it found; the rest of the line is not looked at.
int splitFields(std::string_view line, std::string_view (&fields)[FIELD_COUNT]) {
    int count = 0;
    std::size_t i = 0;
    while (count < FIELD_COUNT) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i])) ++i;
        fields[count++] = line.substr(start, i - start);
    }
    return count;
}

bool allDigits(std::string_view field) { return std::all_of(field.begin(), field.end(), isDigit); }

bool allDigitsOrPoints(std::string_view field) {
    return std::all_of(field.begin(), field.end(), [](char c) { return isDigit(c) || c == '.'; });
}

// The standard string-to-integer reading of the field (optional minus sign,
// the longest run of digits, the rest ignored). A value outside int does not
// convert: it must never wrap round to something small.
bool toInt(std::string_view field, int& value) {
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    return result.ec == std::errc();
}

bool isWholeFileMark(std::string_view field) {
    int value = 0;
    return toInt(field, value) && value == -1;
}

const char* const MISSING_DATA = "ERROR!! : 入力ファイル\nデータが足りません";
const char* const BAD_UNIT = "Error!! : 入力ファイル\nグループ番号が自然数ではありません";
const char* const BAD_DATA1 = "Error!! : 入力ファイル\nデータ１が0以上の整数ではありません";
const char* const BAD_DATA2 = "Error!! : 入力ファイル\nデータ２が正の実数ではありません";

std::string lineMessage(const char* message, int lineNumber) {
    return std::string(message) + " : " + std::to_string(lineNumber) + "行目";
}

// Checks line n and stores it as row n (which exists). Returns nullptr, or
// the message (without its line number) of the first check that failed.
const char* readRow(std::string_view line, int n, InputTable& table, int& wholeFileMode) {
    line = line.substr(0, line.find('\0'));
    std::string_view fields[FIELD_COUNT];
    const int count = splitFields(line, fields);
    if (count >= 2) table.code[n] = fields[1];
    if (count < FIELD_COUNT) return MISSING_DATA;

    const std::string_view unitField = fields[0];
    if (n == 1 && isWholeFileMark(unitField)) {
        wholeFileMode = 1;
        table.unit[1] = -1;
    } else {
        int unit = 0;
        if (!allDigits(unitField) || !toInt(unitField, unit)) return BAD_UNIT;
        table.unit[n] = unit;
        if (unit == 0) return BAD_UNIT;
    }

    const std::string_view data1 = fields[2];
    int observed = 0;
    if (!allDigits(data1) || !toInt(data1, observed)) return BAD_DATA1;
    table.observed[n] = observed;

    const std::string_view data2 = fields[3];
    if (!allDigitsOrPoints(data2)) return BAD_DATA2;
    // from_chars reads the longest decimal prefix whatever the locale. A field
    // with no digit before its second point (".", "..") reads as 0; one too
    // large (or too small) for a double is out of range and refused outright.
    double expected = 0.0;
    const auto result = std::from_chars(data2.data(), data2.data() + data2.size(), expected);
    if (result.ec == std::errc::result_out_of_range) return BAD_DATA2;
    if (result.ec != std::errc()) expected = 0.0;
    table.expected[n] = expected;
    if (expected == 0.0) return BAD_DATA2;
    return nullptr;
}

// Enough bytes per chunk that its start-up costs nothing next to its lines.
constexpr std::size_t CHUNK_BYTES = 1 << 20;

// Cuts [begin, end) into pieces of about CHUNK_BYTES that end after a line
// end (the last one at `end`). Returns the start of every piece and `end`.
std::vector<const char*> chunkStarts(const char* begin, const char* end) {
    std::vector<const char*> starts{begin};
    while (static_cast<std::size_t>(end - starts.back()) > CHUNK_BYTES) {
        const char* cut = starts.back() + CHUNK_BYTES;
        const auto* lineEnd =
            static_cast<const char*>(std::memchr(cut, '\n', static_cast<std::size_t>(end - cut)));
        if (lineEnd == nullptr || lineEnd + 1 == end) break;
        starts.push_back(lineEnd + 1);
    }
    starts.push_back(end);
    return starts;
}

// The first refused line of a chunk.
struct Refusal {
    int line = INT_MAX;
    const char* message = nullptr;
};

}  // namespace

int readInputFile(const std::string& path, InputTable& table, int& wholeFileMode,
                  MessageSink& messages, const ChunkRunner& runChunks) {
    wholeFileMode = 0;
    table.rowCount = 0;
    // A path with a NUL inside would open some other file than the one named.
    UninitializedVector<char> bytes;
    if (path.find('\0') != std::string::npos || !readWholeFile(path, bytes)) {
        messages.showError(cannotOpenMessage(INPUT_FILE_SUBJECT, path));
        return 1;
    }

    // The lines as text mode reads them: a Ctrl-Z ends the file, and a last
    // line without a line end still counts when it holds at least one byte.
    // The CR of a CR-LF pair stays in its line, where it is white space.
    if (bytes.empty()) return 0;
    const char* const begin = bytes.data();
    const char* end = begin + bytes.size();
    if (const void* mark = std::memchr(begin, END_OF_FILE_MARK, bytes.size())) {
        end = static_cast<const char*>(mark);
    }
    if (end == begin) return 0;
    // Every chunk's lines are counted first, so that each chunk knows the
    // number of its first line; then the chunks are read, possibly side by
    // side. The message is that of the first refused line in the file, so the
    // outcome is the same as reading line by line.
    const std::vector<const char*> starts = chunkStarts(begin, end);
    const std::size_t chunks = starts.size() - 1;
    std::vector<std::size_t> firstLine(chunks + 1, 0);
    runChunks(chunks, [&](std::size_t k) {
        firstLine[k + 1] = static_cast<std::size_t>(std::count(starts[k], starts[k + 1], '\n'));
    });
    for (std::size_t k = 0; k < chunks; ++k) firstLine[k + 1] += firstLine[k];
    const bool lastLineOpen = end[-1] != '\n';
    const std::size_t lines = firstLine[chunks] + (lastLineOpen ? 1 : 0);
    if (lines > static_cast<std::size_t>(INT_MAX - 1)) {
        messages.showError(cannotOpenMessage(INPUT_FILE_SUBJECT, path));
        return 1;
    }
    table.ensureRows(static_cast<int>(lines));
    table.text = std::move(bytes);  // the codes point into these bytes from here on

    std::vector<Refusal> refusals(chunks);
    int firstChunkWholeFile = 0;
    runChunks(chunks, [&](std::size_t k) {
        // Only line 1, in chunk 0, may switch to whole-file mode.
        int wholeFile = 0;
        int n = static_cast<int>(firstLine[k]);
        for (const char* line = starts[k]; line < starts[k + 1];) {
            const auto* lineEnd = static_cast<const char*>(
                std::memchr(line, '\n', static_cast<std::size_t>(starts[k + 1] - line)));
            const char* stop = lineEnd ? lineEnd : starts[k + 1];
            ++n;
            const std::string_view text(line, static_cast<std::size_t>(stop - line));
            if (const char* refused = readRow(text, n, table, wholeFile)) {
                refusals[k] = {n, refused};
                break;
            }
            line = lineEnd ? lineEnd + 1 : starts[k + 1];
        }
        if (k == 0) firstChunkWholeFile = wholeFile;
    });
    for (const Refusal& refusal : refusals) {
        if (refusal.message != nullptr) {
            messages.showError(lineMessage(refusal.message, refusal.line));
            return 1;
        }
    }
    wholeFileMode = firstChunkWholeFile;
    table.rowCount = static_cast<int>(lines);
    return 0;
}

void runChunksInTurn(std::size_t count, const std::function<void(std::size_t)>& body) {
    for (std::size_t k = 0; k < count; ++k) body(k);
}

}  // namespace tolven

#include "core/input/input_file.h"

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

#include "core/input/text_file.h"
#include "core/text/file_messages.h"

namespace tolven {
namespace {

constexpr int FIELD_COUNT = 4;

bool isWholeFileMark(std::string_view field) {
    int value = 0;
    return toInt(field, value) && value == -1;
}

const char* const MISSING_DATA = "ERROR!! : 入力ファイル\nデータが足りません";
const char* const BAD_UNIT = "Error!! : 入力ファイル\nグループ番号が自然数ではありません";
const char* const BAD_DATA1 = "Error!! : 入力ファイル\nデータ１が0以上の整数ではありません";
const char* const BAD_DATA2 = "Error!! : 入力ファイル\nデータ２が正の実数ではありません";

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
    double expected = 0.0;
    if (!toDecimal(data2, expected)) return BAD_DATA2;
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

// Reads the file's bytes as readInputFile describes; `path` names the file in
// the one message that is not about a line.
int readInputBytes(UninitializedVector<char>&& bytes, const std::string& path, InputTable& table,
                   int& wholeFileMode, MessageSink& messages, const ChunkRunner& runChunks) {
    // The lines as text mode reads them: a Ctrl-Z ends the file, and a last
    // line without a line end still counts when it holds at least one byte.
    // The CR of a CR-LF pair stays in its line, where it is white space.
    const char* const begin = bytes.data();
    const char* const end = begin + textModeLength(bytes);
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

}  // namespace

int readInputFile(const std::string& path, InputTable& table, int& wholeFileMode,
                  MessageSink& messages, const ChunkRunner& runChunks) {
    wholeFileMode = 0;
    table.rowCount = 0;
    UninitializedVector<char> bytes;
    if (!readWholeFile(path, bytes)) {
        messages.showError(cannotOpenMessage(INPUT_FILE_SUBJECT, path));
        return 1;
    }
    return readInputBytes(std::move(bytes), path, table, wholeFileMode, messages, runChunks);
}

int readInputText(std::string_view text, const std::string& name, InputTable& table,
                  int& wholeFileMode, MessageSink& messages, const ChunkRunner& runChunks) {
    wholeFileMode = 0;
    table.rowCount = 0;
    UninitializedVector<char> bytes(text.begin(), text.end());
    return readInputBytes(std::move(bytes), name, table, wholeFileMode, messages, runChunks);
}

void runChunksInTurn(std::size_t count, const std::function<void(std::size_t)>& body) {
    for (std::size_t k = 0; k < count; ++k) body(k);
}

}  // namespace tolven

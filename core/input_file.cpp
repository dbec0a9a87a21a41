#include "core/input_file.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/shared_data.h"
#include "core/user_messages.h"

namespace tolven {
namespace {

constexpr int FIELD_COUNT = 4;
constexpr char END_OF_FILE_MARK = '\x1A';  // Ctrl-Z

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Hands out the lines of a file without their line ends, in the way text mode
// read them on the original platform: a Ctrl-Z ends the file, and a last line
// without a line end still counts when it holds at least one byte. The CR of a
// CR-LF pair is left in the line; it is white space to every later step.
class TextLines {
public:
    explicit TextLines(std::FILE* file) : file_(file), buffer_(64 * 1024) {}

    // The next line into `line`; false at the end of the file or on a read error.
    bool next(std::string& line) {
        line.clear();
        bool any = false;
        while (pos_ < end_ || fill()) {
            const char* begin = buffer_.data() + pos_;
            const std::size_t available = end_ - pos_;
            const auto* lineEnd = static_cast<const char*>(std::memchr(begin, '\n', available));
            const std::size_t length =
                lineEnd ? static_cast<std::size_t>(lineEnd - begin) : available;
            if (const auto* mark =
                    static_cast<const char*>(std::memchr(begin, END_OF_FILE_MARK, length))) {
                line.append(begin, mark);
                ended_ = true;
                pos_ = end_;
                return any || mark != begin;
            }
            line.append(begin, length);
            any = true;
            if (lineEnd) {
                pos_ += length + 1;
                return true;
            }
            pos_ = end_;
        }
        // A line cut short by a read error is not handed out as if it were whole.
        return any && !readError_;
    }

    bool readError() const { return readError_; }

private:
    bool fill() {
        if (ended_) return false;
        const std::size_t count = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (count == 0) {
            // On Linux a folder opens fine and fails here (EISDIR).
            readError_ = std::ferror(file_) != 0;
            ended_ = true;
            return false;
        }
        pos_ = 0;
        end_ = count;
        return true;
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
    bool readError_ = false;
};

// The white space of the C locale's isspace, which the fields were always split by.
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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

int refuseLine(const char* message, int lineNumber) {
    showErrorMessage(std::string(message) + " : " + std::to_string(lineNumber) + "行目");
    return 1;
}

int refuseFile() {
    // The path is shown as C would print it: up to its first NUL, if any.
    showErrorMessage(std::string("ERROR!! : 入力ファイル\n") + inputPath.c_str() + " を開けません");
    return 1;
}

// Makes row n usable. Past the table's capacity the rows are doubled, so a
// long file costs a few reallocations rather than one per line.
void growRows(InputTable& table, int n) {
    const int rows = static_cast<int>(table.unit.size()) - 1;
    if (n <= rows) return;
    table.ensureRows(rows > 0 && rows <= INT_MAX / 2 ? std::max(n, 2 * rows) : n);
}

// Checks line n and stores it as row n. Returns 0, or 1 after the message.
int readRow(std::string_view line, int n, InputTable& table, int& wholeFileMode) {
    line = line.substr(0, line.find('\0'));
    std::string_view fields[FIELD_COUNT];
    const int count = splitFields(line, fields);
    growRows(table, n);
    if (count >= 2) table.code[n].assign(fields[1]);
    if (count < FIELD_COUNT) return refuseLine(MISSING_DATA, n);

    const std::string_view unitField = fields[0];
    if (n == 1 && isWholeFileMark(unitField)) {
        wholeFileMode = 1;
        table.unit[1] = -1;
    } else {
        int unit = 0;
        if (!allDigits(unitField) || !toInt(unitField, unit)) return refuseLine(BAD_UNIT, n);
        table.unit[n] = unit;
        if (unit == 0) return refuseLine(BAD_UNIT, n);
    }

    const std::string_view data1 = fields[2];
    int observed = 0;
    if (!allDigits(data1) || !toInt(data1, observed)) return refuseLine(BAD_DATA1, n);
    table.observed[n] = observed;

    const std::string_view data2 = fields[3];
    if (!allDigitsOrPoints(data2)) return refuseLine(BAD_DATA2, n);
    // from_chars reads the longest decimal prefix whatever the locale. A field
    // with no digit before its second point (".", "..") reads as 0; one too
    // large (or too small) for a double is out of range and refused outright.
    double expected = 0.0;
    const auto result = std::from_chars(data2.data(), data2.data() + data2.size(), expected);
    if (result.ec == std::errc::result_out_of_range) return refuseLine(BAD_DATA2, n);
    if (result.ec != std::errc()) expected = 0.0;
    table.expected[n] = expected;
    if (expected == 0.0) return refuseLine(BAD_DATA2, n);
    return 0;
}

}  // namespace

int readInputFile(InputTable& table, int& wholeFileMode) {
    wholeFileMode = 0;
    table.rowCount = 0;
    // A path with a NUL inside would open some other file than the one named.
    if (inputPath.find('\0') != std::string::npos) return refuseFile();
    // Binary mode: the text-mode rules (Ctrl-Z, CR-LF) are applied by TextLines
    // the same way on every platform.
    const FileHandle file(std::fopen(inputPath.c_str(), "rb"));
    if (!file) return refuseFile();

    TextLines lines(file.get());
    std::string line;
    int n = 0;
    while (lines.next(line)) {
        ++n;
        if (readRow(line, n, table, wholeFileMode) != 0) return 1;
    }
    if (lines.readError()) return refuseFile();
    table.rowCount = n;
    return 0;
}

}  // namespace tolven

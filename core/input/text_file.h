#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/model/uninitialized_vector.h"
#include "core/text/characters.h"

namespace tolven {

// The reading rules that the program's plain-text data files share: the input
// file and the files from which an input is computed.

// Reads every byte of the file at `path` into `bytes`. False when the file
// cannot be opened, a read fails (on Linux a folder opens and then fails to
// read with EISDIR) or the path holds a NUL (it would open some other file
// than the one named).
bool readWholeFile(const std::string& path, UninitializedVector<char>& bytes);

// The length of the text that text mode reads from `bytes`: everything before
// the first Ctrl-Z byte (0x1A), which ends the file.
std::size_t textModeLength(const UninitializedVector<char>& bytes);

// Splits `line` into at most N white-space-separated fields and returns how
// many it found; the rest of the line is not looked at.
template <std::size_t N>
int splitFields(std::string_view line, std::string_view (&fields)[N]) {
    int count = 0;
    std::size_t i = 0;
    while (count < static_cast<int>(N)) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i == line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i])) ++i;
        fields[count++] = line.substr(start, i - start);
    }
    return count;
}

inline bool allDigits(std::string_view field) {
    return std::all_of(field.begin(), field.end(), isDigit);
}

inline bool allDigitsOrPoints(std::string_view field) {
    return std::all_of(field.begin(), field.end(), [](char c) { return isDigit(c) || c == '.'; });
}

// The standard string-to-integer reading of the field (optional minus sign,
// the longest run of digits, the rest ignored). A value outside int does not
// convert: it must never wrap round to something small.
bool toInt(std::string_view field, int& value);

// The value of the longest decimal prefix of a field of digits and points
// ("1.5.2" is 1.5; "." and ".." are 0). False when it is too large (or too
// small) for a double: such a value is refused outright.
bool toDecimal(std::string_view field, double& value);

// "<message> : <n>行目", the form of every message about a line of a file.
std::string lineMessage(const char* message, int lineNumber);

}  // namespace tolven

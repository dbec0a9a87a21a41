#pragma once

#include <string>
#include <string_view>

namespace tolven {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// A region code of the input as UTF-8 text: the bytes as they are when they
// are valid UTF-8, else read as CP932 (Shift-JIS with Microsoft's
// extensions), as Japanese inputs may be written. Bytes that are not CP932
// either come out as GDAL's recoding leaves them (replaced, never dropped
// silently into another code).
std::string codeAsUtf8(std::string_view bytes);

// The text under which a code is looked up in a join field. For a text field
// the UTF-8 code itself. For an integer field a code of ASCII digits loses
// its leading zeros ("01100" -> "1100", "000" -> "0"), so that it meets the
// field's value written as a decimal number; any other code stays as it is
// (and matches nothing but the same text).
std::string joinKey(std::string_view utf8Code, bool integerField);

}  // namespace tolven

#pragma once

#include <string>
#include <string_view>

namespace tolven {

// How region codes are compared wherever the input's codes meet codes from
// elsewhere (a GAL file's ids, a boundary layer's join field): as UTF-8 text,
// integer codes regardless of leading zeros where the other side holds
// integers.

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// A region code as UTF-8: its bytes as they are when they are valid UTF-8,
// else read as CP932 (Shift-JIS with Microsoft's extensions), as Japanese
// inputs may be written. A byte that is not CP932 either becomes U+FFFD, so
// that the result is always valid UTF-8 (a GIS field and a message can hold
// it) and never silently another code. Thread-safe.
std::string regionCodeAsUtf8(std::string_view code);

// True for a code of one or more ASCII digits and nothing else.
bool isIntegerCode(std::string_view code);

// The text under which a UTF-8 code is looked up among codes that are
// integers (`integerCodes`: a layer's integer join field, a GAL file whose
// ids are all digits): an integer code loses its leading zeros ("01100" ->
// "1100", "000" -> "0") so that it meets the same number written without
// them; any other code, and every code when `integerCodes` is false, stays as
// it is.
std::string regionCodeKey(std::string_view utf8Code, bool integerCodes);

}  // namespace tolven

#pragma once

#include <string>
#include <string_view>

namespace tolven {

// How region codes are compared when neighbour lists are matched to the input:
// as text in UTF-8. A code that is not valid UTF-8 is taken to be CP932 (as
// Japanese inputs may be) and converted; a code that is neither is kept as its
// bytes. Valid UTF-8 comes back unchanged. Thread-safe.
std::string regionCodeAsUtf8(std::string_view code);

// True for a code of one or more ASCII digits and nothing else.
bool isIntegerCode(std::string_view code);

// An integer code without its leading zeros ("01100" gives "1100", "000"
// gives "0"): the form in which codes written with and without leading zeros
// compare equal. Only for codes where isIntegerCode holds.
std::string_view integerCodeKey(std::string_view code);

}  // namespace tolven

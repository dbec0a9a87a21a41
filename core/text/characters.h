#pragma once

namespace tolven {

// Character classes of the C locale, whatever locale the process runs in.

// 0 to 9 only (no full-width or other digits).
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The white space of isspace in the C locale: space, \t, \n, \v, \f, \r.
inline bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace tolven

#pragma once

namespace tolven {

// The capacity that every per-region array starts with. Storage grows past it
// when a file has more data lines; slot 0 of every array holds no region.
inline constexpr int MAX_REGIONS = 4000;

// The size of a fixed region-code slot, terminating NUL included, for code
// that keeps codes in such slots. The program itself stores codes of any
// length.
inline constexpr int CODE_SIZE = 128;

}  // namespace tolven

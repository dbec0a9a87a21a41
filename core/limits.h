#pragma once

namespace tolven {

// The capacity that every per-region array starts with. Storage grows past it
// when a file has more data lines; slot 0 of every array holds no region.
inline constexpr int MAX_REGIONS = 4000;

// The classic size of a region-code slot, terminating NUL included. Codes are
// stored as strings and may be longer; the constant stays for those who count.
inline constexpr int CODE_SIZE = 128;

// Stored in a double result that has no value (a failed fit, the moment-based
// ratio of a one-region unit). Readers compare with it for exact equality.
inline constexpr double NOT_AVAILABLE = -9999.0;

}  // namespace tolven

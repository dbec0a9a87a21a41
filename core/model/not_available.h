#pragma once

namespace tolven {

// Stored in a double result that has no value (a failed fit, the moment-based
// ratio of a one-region unit). Readers compare with it for exact equality;
// both reports print "***" in its place.
inline constexpr double NOT_AVAILABLE = -9999.0;

}  // namespace tolven

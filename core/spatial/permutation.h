#pragma once

#include <cstdint>
#include <random>
#include <span>

namespace tolven {

// A draw uniform on 0..range-1 (range at least 1) from the 64-bit Mersenne
// Twister: raw draws below (2^64 - range) mod range are rejected, so that
// every value is equally likely, then the draw is taken modulo range. Unlike
// std::uniform_int_distribution, whose algorithm each standard library picks
// for itself, this gives the same values on every machine and compiler.
std::uint64_t uniformBelow(std::mt19937_64& generator, std::uint64_t range);

// Shuffles `values` in place (Fisher-Yates, from the last position down, each
// position swapped with one drawn by uniformBelow at or before it): every
// order equally likely, and the same order for the same generator state
// everywhere.
void shuffleValues(std::span<double> values, std::mt19937_64& generator);

}  // namespace tolven

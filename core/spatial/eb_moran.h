#pragma once

#include <cstdint>
#include <span>

#include "core/spatial/neighbour_list.h"

namespace tolven {

// The empirical Bayes Moran's I of one unit (Assuncao and Reis 1999) and its
// permutation p-value.
struct EbMoranResult {
    bool available = false;  // false: the statistic does not exist (see ebMoran)
    double statistic = 0.0;
    double pValue = 0.0;
};

// With O and E the observed and expected counts and r = O / E:
//   b  = sum O / sum E over the unit, Ebar the unit's mean E
//   s2 = sum E_i (r_i - b)^2 / sum E
//   a  = max(0, s2 - b / Ebar)
//   z_i = (r_i - b) / sqrt(a + b / E_i), then centred on the mean of the z
//   I  = (n / S0) * sum_i z_i (Wz)_i / sum_i z_i^2
// with W the row-standardised weights of `neighbours` (w_ij = 1 / k_i for the
// k_i neighbours of i; an island's row is empty) and S0 their sum, the number
// of regions that have neighbours. Every sum runs over the regions in index
// order.
//
// The p-value is one-sided, (k + 1) / (permutations + 1), with k the
// permutations of z over all the unit's regions (islands included) whose I is
// at least the observed one. The permutations are successive shuffleValues of
// z with std::mt19937_64 seeded with `seed` (the unit number, -1 in whole-file
// mode taken as 2^64 - 1), so the p-value is the same on every machine,
// compiler and thread. `permutations` at least 1.
//
// Not available (available false) for fewer than 3 regions, when every region
// is an island, when every count is 0, or when every z is equal. Assumes E
// above 0 and finite, O at least 0.
EbMoranResult ebMoran(std::span<const int> observed, std::span<const double> expected,
                      const NeighbourList& neighbours, int permutations, std::uint64_t seed);

// Moran's I of `values` (already centred) under the row-standardised weights
// of `neighbours`, as above; NaN when no region has neighbours or the values'
// sum of squares is 0.
double moranStatistic(std::span<const double> values, const NeighbourList& neighbours);

}  // namespace tolven

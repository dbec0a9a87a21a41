#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolven {

// The two finite sums over j that the maximum-likelihood fit needs for every
// region, for a given beta:
//
//   T(O) = sum of 1 / (beta + j)                  for j = 0 .. O-1
//   U(O) = sum of 1 / ((beta + j) * (beta + j))   for j = 0 .. O-1
//
// T(O) is the digamma difference psi(O + beta) - psi(beta) and U(O) the
// trigamma difference psi'(beta) - psi'(O + beta). Both are 0 for O <= 0.
//
// Every term is computed as written above (x = beta + j with j converted to
// double, then 1/x and 1/(x*x)) and added in ascending j, starting from 0, so
// each value is bit for bit the sum that a plain per-region loop produces.
// Because T(O) for a larger count continues the sum for a smaller one in the
// same order, one walk from j = 0 to the largest count of the unit yields the
// sums of every region: a pass costs time in proportion to the largest count,
// not to the sum of the counts.
//
// Storage grows to the largest unit seen and is then reused: after the first
// unit of a given size neither prepare() nor evaluate() allocates.
class DigammaSums {
public:
    // Takes the counts observed[1..regionCount] of one unit (slot 0 is not
    // read). The counts must stay as they are until the next prepare().
    void prepare(const int* observed, int regionCount);

    // Computes T and U of every region for this beta. A beta that is not a
    // number gives sums that are not a number for every region with a
    // positive count.
    void evaluate(double beta);

    // T and U of region i (1 .. regionCount) for the beta of the last
    // evaluate().
    double digammaDifference(int region) const { return digamma_[slotOf_[region]]; }
    double trigammaDifference(int region) const { return trigamma_[slotOf_[region]]; }

private:
    std::vector<std::int64_t> counts_;  // distinct counts of the unit, ascending, none below 0
    std::vector<std::size_t> slotOf_;   // region -> index into counts_ (slot 0 unused)
    std::vector<double> digamma_;       // T per distinct count
    std::vector<double> trigamma_;      // U per distinct count
};

}  // namespace tolven

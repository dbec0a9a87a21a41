#pragma once

#include <cstddef>
#include <vector>

namespace tolven {

// Control limits of a funnel plot: how far a region's ratio O/E may stray
// from the unit's pooled ratio p (sum of O over sum of E) by Poisson chance
// alone, as a function of the region's expected count E.
//
// Under the null hypothesis O ~ Poisson(p * E). For a coverage c (0.95,
// 0.998) the limits of the count are the exact Poisson quantiles at
// (1 - c) / 2 and (1 + c) / 2, each taken as the smallest count k with
// P(O <= k) >= q (the usual definition of a discrete quantile); the limits of
// the ratio are those counts divided by E. So a count strictly below the lower
// limit, or strictly above the upper one, lies in a tail of probability at
// most (1 - c) / 2. No normal approximation is made.
//
// The limits are stepwise in E (the quantile is an integer), so they are
// computed on a grid of expected counts spaced evenly on a logarithmic scale
// and meant to be drawn as left steps: each value holds from its grid point
// up to the next.

// Coverages of the two pairs of limits.
inline constexpr double FUNNEL_INNER_COVERAGE = 0.95;
inline constexpr double FUNNEL_OUTER_COVERAGE = 0.998;

// Grid points a plot asks for: fine enough that the steps read as a curve.
inline constexpr std::size_t FUNNEL_GRID_POINTS = 300;

// The limit of the ratio O/E at lower-tail probability `q` (0 < q < 1):
// the smallest k with P(Poisson(pooledRatio * expected) <= k) >= q, over
// `expected`. A pooled ratio of 0 gives 0 (all counts are 0). A negative or
// non-finite pooled ratio, an expected count that is not finite and above 0,
// or q outside (0, 1) give NaN.
double poissonRatioLimit(double pooledRatio, double expected, double q);

struct FunnelLimits {
    std::vector<double> expected;  // the grid, ascending
    // Plain ratios (1 = as expected) at each grid point:
    std::vector<double> lowerInner, upperInner;  // FUNNEL_INNER_COVERAGE
    std::vector<double> lowerOuter, upperOuter;  // FUNNEL_OUTER_COVERAGE
};

// The four limits on `points` expected counts from `minExpected` to
// `maxExpected`, both included, spaced evenly in log E (a single point when
// they are equal or points is 1). Empty when points is 0, when either end is
// not finite and above 0, or when minExpected > maxExpected. A degenerate
// pooled ratio gives the values of poissonRatioLimit (0 or NaN).
FunnelLimits computeFunnelLimits(double pooledRatio, double minExpected, double maxExpected,
                                 std::size_t points = FUNNEL_GRID_POINTS);

// Where a region's observed count lies against the limits at `coverage`:
// Below when it is strictly below the count limit at (1 - coverage) / 2,
// Above when strictly above the one at (1 + coverage) / 2, else Inside. The
// count limits are the Poisson quantiles of poissonRatioLimit taken as counts
// (no division by E, so no rounding enters). A region whose limits are not
// defined (an expected count that is not finite and above 0, a negative or
// non-finite pooled ratio, a NaN count) is Inside: it is never singled out.
enum class FunnelSide { Inside, Below, Above };
FunnelSide funnelSide(double pooledRatio, double expected, double observed,
                      double coverage = FUNNEL_INNER_COVERAGE);

// How far a region strays from the pooled ratio, for ordering the regions
// outside the limits from the most extreme down: the Pearson residual
// |O - p E| / sqrt(p E). Infinity when p E is 0 and O is not; 0 when both
// are; NaN on the inputs for which funnelSide answers Inside by default.
double funnelDeviation(double pooledRatio, double expected, double observed);

}  // namespace tolven

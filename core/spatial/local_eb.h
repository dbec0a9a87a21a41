#pragma once

#include <span>
#include <vector>

#include "core/numerics/posterior.h"
#include "core/spatial/neighbour_list.h"

namespace tolven {

// The local empirical Bayes estimate of one region: its ratio shrunk toward
// the ratio of its neighbourhood rather than of the whole unit.
struct LocalEbEstimate {
    double mean = 0.0;      // m_i, the window's ratio
    double variance = 0.0;  // a_i, 0 where the moment estimate was not above 0
    double estimate = 0.0;  // the posterior mean of the region's relative risk
};

// For region i with the window W(i) = i and its neighbours (an island's
// window is itself), with O and E the observed and expected counts and
// r = O / E (Marshall's moment estimator, deviations from the window's mean):
//   m_i = sum O / sum E over W(i)
//   a_i = sum E_j (r_j - m_i)^2 / sum E - m_i / Ebar  over W(i), Ebar the
//         window's mean E; set to 0 when not above 0
//   estimate = m_i + (r_i - m_i) * a_i / (a_i + m_i / E_i), or m_i where
//         a_i is 0
// which is the posterior mean of the Poisson-Gamma model under a Gamma prior
// with mean m_i and variance a_i. Sums run over the window in the order i,
// then its neighbours ascending. Assumes E above 0 and finite, O at least 0;
// `observed`, `expected` and the list cover the same regions.
std::vector<LocalEbEstimate> localEbEstimates(std::span<const int> observed,
                                              std::span<const double> expected,
                                              const NeighbourList& neighbours);

// The posterior interval at `level` and the exceedance of `threshold` (both as
// fractions and ratios, as summarizePosterior takes them) under the local
// prior Gamma(shape m^2 / a, rate m / a). False, leaving `summary` alone,
// where the prior is a point (a = 0) or not usable: the region has no
// posterior interval then.
bool localEbPosterior(const LocalEbEstimate& local, int observed, double expected, double level,
                      double threshold, PosteriorSummary& summary) noexcept;

}  // namespace tolven

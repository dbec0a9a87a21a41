#pragma once

#include "core/numerics/nb_log_likelihood.h"

namespace tolven {

// Why the negative binomial log-likelihood l(alpha, beta) of a unit has no
// finite maximum with alpha, beta > 0, or none when it has one.
enum class NoMaximumReason {
    none,              // a finite maximum exists
    allCountsZero,     // l increases without bound as beta/alpha -> 0
    noOverdispersion,  // l increases towards the Poisson limit beta -> infinity
    invalidCounts,     // no regions, a count below 0, or an expected count not finite and > 0
};

// The score for phi = 1/beta at the Poisson limit, with the prior mean
// mu = beta/alpha held at the Poisson maximum mu = sum O_i / sum E_i:
//
//   d l / d phi at phi = 0  =  1/2 * sum over i of [ (O_i - mu E_i)^2 - O_i ].
//
// Derivation: with beta = 1/phi and alpha = beta/mu, as phi -> 0
//   lnG(O + beta) - lnG(beta) = O ln beta + phi O (O - 1) / 2 + O(phi^2),
//   beta log1p(E / alpha)     = mu E - phi (mu E)^2 / 2 + O(phi^2),
//   O ln(alpha + E)           = O ln beta - O ln mu + phi O mu E + O(phi^2),
// so each region's term of l is [O ln mu - mu E] + (phi/2) [(O - mu E)^2 - O]
// + O(phi^2): the Poisson log-likelihood plus phi times the half bracket.
// Because mu maximises the Poisson part, this is also the slope at phi = 0 of
// the profile likelihood (l maximised over alpha for each beta).
// It is the classic score statistic for overdispersion: positive when the
// counts spread more than Poisson counts with means mu E_i would.
// Assumes the counts are valid (see findNoMaximumReason).
double poissonLimitDispersionScore(const UnitCounts& unit);

// Decides, without iterating, whether l can have a finite maximum:
//   - invalidCounts: regionCount < 1, some O_i < 0, or some E_i not finite
//     and > 0 (NaN, infinite, 0 or negative);
//   - allCountsZero: every O_i is 0. Then l = -sum beta log1p(E_i/alpha) < 0
//     and tends to 0 as alpha/beta grows: the supremum is not attained;
//   - noOverdispersion: poissonLimitDispersionScore <= 0. The profile
//     likelihood does not rise as beta leaves the Poisson limit, so l keeps
//     increasing as beta grows with beta/alpha fixed. With equal expected
//     counts this is exactly the known condition for no finite maximum
//     (sample variance with divisor n not above the mean); with unequal ones
//     it is the condition at the limit, which is what every statistics
//     package tests. A unit of one region always lands here (its score is
//     -O/2) or under allCountsZero;
//   - none otherwise: the profile likelihood tends to minus infinity as beta
//     -> 0 (some O_i > 0) and rises from the Poisson limit, so it has an
//     interior maximum.
NoMaximumReason findNoMaximumReason(const UnitCounts& unit);

}  // namespace tolven

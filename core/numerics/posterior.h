#pragma once

namespace tolven {

// The posterior of one region's relative risk theta under one Gamma prior.
//
// Model: O ~ Poisson(E * theta), theta ~ Gamma(shape beta, rate alpha). The
// posterior is Gamma(shape beta + O, rate alpha + E); its mean (beta + O) /
// (alpha + E) is the region's empirical Bayes ratio. The summary is "plug-in":
// it treats the fitted prior as known, so for units with few regions the
// intervals are somewhat too narrow.
//
// All three values are plain ratios (1 means as many as expected).
struct PosteriorSummary {
    double lower = 0.0;       // quantile at (1 - level) / 2
    double upper = 0.0;       // quantile at (1 + level) / 2
    double exceedance = 0.0;  // P(theta > threshold)
};

// True when the prior exists: alpha and beta both finite and above 0. The
// marker NOT_AVAILABLE (-9999.0) of a failed fit, NaN, the infinities and 0
// are all unusable; a region under an unusable prior has no posterior.
bool priorUsable(double alpha, double beta);

// The central credible interval at `level` (a fraction, e.g. 0.95) and the
// exceedance probability of `threshold` (a ratio, e.g. 1.0) of the posterior
// Gamma(beta + observed, alpha + expected).
//
// Computed with Boost.Math's regularised incomplete gamma functions (what
// boost::math::gamma_distribution's quantile and cdf(complement(...)) call,
// without the distribution's parameter checks):
//   lower      = gamma_p_inv(shape, (1 - level) / 2) / rate
//   upper      = gamma_q_inv(shape, (1 - level) / 2) / rate
//   exceedance = gamma_q(shape, rate * threshold)
// The upper bound and the exceedance come from the upper tail directly, never
// as 1 - P, so they keep their relative accuracy far out in the tail (an
// exceedance of 1e-200 is returned as such, not as 0). For shapes above 1000
// near their mean, where Boost 1.74 evaluates the upper tail by a series of
// some sqrt(shape) terms, the upper tail is taken from Boost's Temme expansion
// and inverted with Boost's Halley iteration instead: the same digits (to
// about 1e-15 relative) at a constant cost.
//
// Degenerate input never throws and gives:
// - an unusable prior (see priorUsable), observed < 0, or expected negative,
//   infinite or NaN: all three values NaN;
// - expected 0: the prior's own interval and tail;
// - level not strictly between 0 and 1 (or NaN): lower and upper NaN;
// - threshold not finite and above 0: exceedance NaN;
// - a shape or rate too large for a double (alpha or beta near 1.8e308):
//   all three NaN;
// - a quantile beyond the double range gives inf, one below it 0; a
//   threshold so large that rate * threshold overflows gives exceedance 0;
// - a subnormal shape (beta below about 1e-308 with no cases) may give NaN
//   bounds.
// Thread-safe; allocates nothing.
PosteriorSummary summarizePosterior(double alpha, double beta, int observed, double expected,
                                    double level, double threshold) noexcept;

// The two fitted priors of one unit (rate alpha, shape beta); mleAlpha and
// mleBeta are NOT_AVAILABLE when the unit's fit failed.
struct UnitPriors {
    double meAlpha = 0.0;
    double meBeta = 0.0;
    double mleAlpha = 0.0;
    double mleBeta = 0.0;
};

// The posterior summaries that one region shows, under each prior of its
// unit: none for a region whose moment ratio is NOT_AVAILABLE (the only
// region of a one-region unit shows no estimate at all); none under a prior
// that is not usable; none under the maximum-likelihood prior when the
// region's ratio under it is NOT_AVAILABLE.
struct RegionPosteriors {
    bool hasMoment = false;
    bool hasLikelihood = false;
    PosteriorSummary moment;
    PosteriorSummary likelihood;
};
RegionPosteriors regionPosteriors(const UnitPriors& priors, int observed, double expected,
                                  double ebRatioME, double ebRatioMLE, double level,
                                  double threshold) noexcept;

}  // namespace tolven

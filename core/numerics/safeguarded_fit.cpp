#include "core/numerics/safeguarded_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/numerics/nb_log_likelihood.h"
#include "core/numerics/profile_likelihood.h"

namespace tolven {

namespace {

// The start grid: beta = 10^k for k in [FIRST_DECADE, LAST_DECADE], widened
// to [LOWEST_DECADE, HIGHEST_DECADE] while the best point is at an end.
constexpr int FIRST_DECADE = -3;
constexpr int LAST_DECADE = 9;
constexpr int LOWEST_DECADE = -12;
constexpr int HIGHEST_DECADE = 15;

constexpr int MAX_NEWTON_STEPS = 100;
constexpr int MAX_HALVINGS = 60;
// A longer Newton step leaves the region where the quadratic model means
// anything; capping it saves evaluations of l far from the maximum.
constexpr double MAX_LOG_STEP = 2.0;
// Share of the predicted rise that a step must realise (Armijo's condition).
constexpr double SUFFICIENT_RISE = 1e-4;
// The Hessian's largest eigenvalue must be below -SHIFT_MARGIN times the size
// of its entries; otherwise it is shifted to that (see makeNegativeDefinite).
constexpr double SHIFT_MARGIN = 1e-6;
// Relative change in alpha and in beta below which the fit has converged.
constexpr double CONVERGED_CHANGE = 1e-10;
// The rounding error of l is below this many units of 2^-52 of its magnitude.
constexpr double ROUNDING_UNITS = 64.0;

bool stopRequested(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

double logBetaOfDecade(int decade) { return static_cast<double>(decade) * std::log(10.0); }

// The profile likelihood at beta = 10^decade, with NaN ranked lowest.
double profileAtDecade(const UnitCounts& unit, int decade) {
    const double value = profileLogLikelihood(unit, std::exp(logBetaOfDecade(decade))).value;
    return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
}

struct GridStart {
    bool cancelled = false;
    int bestDecade = 0;
    int lowDecade = 0;  // the grid's ends after widening
    int highDecade = 0;
};

GridStart searchGrid(const UnitCounts& unit, const std::atomic<bool>* cancel) {
    GridStart grid;
    std::vector<double> values;
    grid.lowDecade = FIRST_DECADE;
    grid.highDecade = LAST_DECADE;
    for (int decade = FIRST_DECADE; decade <= LAST_DECADE; ++decade) {
        if (stopRequested(cancel)) {
            grid.cancelled = true;
            return grid;
        }
        values.push_back(profileAtDecade(unit, decade));
    }
    // values[0] belongs to lowDecade throughout.
    for (;;) {
        const auto best = std::max_element(values.begin(), values.end());
        grid.bestDecade = grid.lowDecade + static_cast<int>(best - values.begin());
        if (stopRequested(cancel)) {
            grid.cancelled = true;
            return grid;
        }
        if (grid.bestDecade == grid.lowDecade && grid.lowDecade > LOWEST_DECADE) {
            --grid.lowDecade;
            values.insert(values.begin(), profileAtDecade(unit, grid.lowDecade));
        } else if (grid.bestDecade == grid.highDecade && grid.highDecade < HIGHEST_DECADE) {
            ++grid.highDecade;
            values.push_back(profileAtDecade(unit, grid.highDecade));
        } else {
            return grid;
        }
    }
}

// Far out on the Poisson side the profile likelihood is convex in ln beta,
// so the Hessian there is not negative definite and the Newton direction may
// point downhill. Shifting both diagonal entries down by a little more than
// the larger eigenvalue (a Levenberg shift) gives a negative definite matrix
// whose direction always climbs; near the maximum no shift is needed and the
// steps are Newton's own. Returns whether it shifted.
bool makeNegativeDefinite(LogScaleDerivatives& d) {
    const double halfTrace = 0.5 * (d.haa + d.hbb);
    const double halfGap = 0.5 * (d.haa - d.hbb);
    const double largest = halfTrace + std::hypot(halfGap, d.hab);
    const double size = std::fabs(d.haa) + std::fabs(d.hbb) + std::fabs(d.hab);
    const double margin = SHIFT_MARGIN * size;
    if (largest < -margin) return false;
    const double shift = largest + margin;
    d.haa -= shift;
    d.hbb -= shift;
    return true;
}

enum class NewtonOutcome { converged, cancelled, gaveUp };

struct NewtonRun {
    NewtonOutcome outcome = NewtonOutcome::gaveUp;
    double alpha = 0.0;
    double beta = 0.0;
    int steps = 0;
};

NewtonRun climbNewton(const UnitCounts& unit, double startBeta, DigammaSums& sums,
                      const std::atomic<bool>* cancel) {
    NewtonRun run;
    double logAlpha = std::log(profileAlpha(unit, startBeta));
    double logBeta = std::log(startBeta);
    LogLikelihood current = nbLogLikelihood(unit, std::exp(logAlpha), startBeta);
    const double regions = static_cast<double>(unit.regionCount);
    for (; run.steps < MAX_NEWTON_STEPS; ++run.steps) {
        if (stopRequested(cancel)) {
            run.outcome = NewtonOutcome::cancelled;
            return run;
        }
        const double alpha = std::exp(logAlpha);
        const double beta = std::exp(logBeta);
        sums.evaluate(beta);
        LogScaleDerivatives d = nbLogScaleDerivatives(unit, alpha, beta, sums);
        const bool shifted = makeNegativeDefinite(d);
        const double det = d.haa * d.hbb - d.hab * d.hab;
        // (da, db) = -H^-1 (ga, gb)
        double da = -(d.hbb * d.ga - d.hab * d.gb) / det;
        double db = (d.hab * d.ga - d.haa * d.gb) / det;
        if (!std::isfinite(da) || !std::isfinite(db)) return run;
        const double longest = std::max(std::fabs(da), std::fabs(db));
        if (longest > MAX_LOG_STEP) {
            da *= MAX_LOG_STEP / longest;
            db *= MAX_LOG_STEP / longest;
        }
        const double predictedRise = d.ga * da + d.gb * db;
        const double rounding =
            ROUNDING_UNITS * std::numeric_limits<double>::epsilon() * (current.magnitude + regions);

        bool accepted = false;
        double fraction = 1.0;
        LogLikelihood trial;
        for (int halving = 0; halving < MAX_HALVINGS && !accepted; ++halving) {
            if (halving > 0) fraction *= 0.5;
            trial = nbLogLikelihood(unit, std::exp(logAlpha + fraction * da),
                                    std::exp(logBeta + fraction * db));
            const double rise = fraction * predictedRise;
            accepted = trial.value >= current.value + SUFFICIENT_RISE * rise ||
                       (rise <= rounding && trial.value >= current.value - rounding);
        }
        if (!accepted) return run;

        logAlpha += fraction * da;
        logBeta += fraction * db;
        current = trial;
        // A short step under a shifted Hessian only means the slope is
        // shallow (the Poisson side), not that the maximum is reached.
        if (!shifted && std::fabs(fraction * da) < CONVERGED_CHANGE &&
            std::fabs(fraction * db) < CONVERGED_CHANGE) {
            ++run.steps;
            run.alpha = std::exp(logAlpha);
            run.beta = std::exp(logBeta);
            run.outcome = NewtonOutcome::converged;
            return run;
        }
    }
    return run;
}

bool finitePositive(double value) { return std::isfinite(value) && value > 0.0; }

}  // namespace

SafeguardedFitResult fitSafeguarded(const int* observed, const double* expected, int n,
                                    DigammaSums& scratch, const std::atomic<bool>* cancel) {
    SafeguardedFitResult result;
    const UnitCounts unit{observed, expected, n};
    result.reason = findNoMaximumReason(unit);
    if (result.reason != NoMaximumReason::none) return result;

    const GridStart grid = searchGrid(unit, cancel);
    if (grid.cancelled) {
        result.cancelled = true;
        return result;
    }
    scratch.prepare(observed, n);

    const NewtonRun newton =
        climbNewton(unit, std::exp(logBetaOfDecade(grid.bestDecade)), scratch, cancel);
    if (newton.outcome == NewtonOutcome::cancelled) {
        result.cancelled = true;
        return result;
    }
    if (newton.outcome == NewtonOutcome::converged && finitePositive(newton.alpha) &&
        finitePositive(newton.beta)) {
        result.converged = true;
        result.alpha = newton.alpha;
        result.beta = newton.beta;
        result.steps = newton.steps;
        result.method = SAFEGUARDED_NEWTON_METHOD;
        return result;
    }

    const int low = std::max(grid.bestDecade - 1, grid.lowDecade);
    const int high = std::min(grid.bestDecade + 1, grid.highDecade);
    const ProfileMaximum profile = maximiseProfileLikelihood(
        unit, logBetaOfDecade(low), logBetaOfDecade(high), scratch, cancel);
    result.method = PROFILE_BRENT_METHOD;
    result.steps = profile.steps;
    if (stopRequested(cancel) && !profile.found) {
        result.cancelled = true;
        return result;
    }
    if (profile.found) {
        result.converged = true;
        result.alpha = profile.alpha;
        result.beta = profile.beta;
    }
    return result;
}

}  // namespace tolven

#include "core/spatial/local_eb.h"

namespace tolven {

std::vector<LocalEbEstimate> localEbEstimates(std::span<const int> observed,
                                              std::span<const double> expected,
                                              const NeighbourList& neighbours) {
    std::vector<LocalEbEstimate> estimates(observed.size());
    const auto ratioOf = [&](std::size_t j) {
        return static_cast<double>(observed[j]) / expected[j];
    };
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const std::span<const int> others = neighbours.neighboursOf(i);
        double sumObserved = observed[i];
        double sumExpected = expected[i];
        for (const int j : others) {
            sumObserved += observed[static_cast<std::size_t>(j)];
            sumExpected += expected[static_cast<std::size_t>(j)];
        }
        const double mean = sumObserved / sumExpected;
        const auto weightedSquare = [&](std::size_t j) {
            const double deviation = ratioOf(j) - mean;
            return expected[j] * deviation * deviation;
        };
        double sumSquares = weightedSquare(i);
        for (const int j : others) sumSquares += weightedSquare(static_cast<std::size_t>(j));
        const double meanExpected = sumExpected / static_cast<double>(others.size() + 1);
        double variance = sumSquares / sumExpected - mean / meanExpected;
        // Also catches NaN: a variance that is not above 0 makes a point prior.
        if (!(variance > 0.0)) variance = 0.0;
        LocalEbEstimate& local = estimates[i];
        local.mean = mean;
        local.variance = variance;
        local.estimate = variance == 0.0 ? mean
                                         : mean + (ratioOf(i) - mean) * variance /
                                                      (variance + mean / expected[i]);
    }
    return estimates;
}

bool localEbPosterior(const LocalEbEstimate& local, int observed, double expected, double level,
                      double threshold, PosteriorSummary& summary) noexcept {
    if (!(local.variance > 0.0)) return false;
    const double rate = local.mean / local.variance;
    const double shape = local.mean * local.mean / local.variance;
    if (!priorUsable(rate, shape)) return false;
    summary = summarizePosterior(rate, shape, observed, expected, level, threshold);
    return true;
}

}  // namespace tolven

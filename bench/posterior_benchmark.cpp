#include <benchmark/benchmark.h>

#include <boost/math/distributions/gamma.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <random>
#include <vector>

#include "core/numerics/posterior.h"

namespace {

struct Region {
    int observed;
    double expected;
};

// A prior near what a unit of such regions fits: mean 1, shape and rate
// alike.
struct Prior {
    double alpha;
    double beta;
};

// Regions whose counts are around a million (expected uniform in
// [0.9e6, 1.1e6], relative risk uniform in [0.8, 1.2]): the prior fitted to
// them has alpha = beta near 75.
std::vector<Region> millionCountRegions() {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> expected(0.9e6, 1.1e6);
    std::uniform_real_distribution<double> risk(0.8, 1.2);
    std::vector<Region> regions(4096);
    for (Region& r : regions) {
        r.expected = expected(random);
        r.observed = static_cast<int>(r.expected * risk(random) + 0.5);
    }
    return regions;
}

// Small areas: expected uniform in [0.5, 20], observed Poisson around it,
// zeros included; prior alpha = beta = 5.
std::vector<Region> smallCountRegions() {
    std::mt19937_64 random(20240612);
    std::uniform_real_distribution<double> expected(0.5, 20.0);
    std::vector<Region> regions(4096);
    for (Region& r : regions) {
        r.expected = expected(random);
        r.observed = std::poisson_distribution<int>(r.expected)(random);
    }
    return regions;
}

constexpr Prior MILLION_PRIOR{75.0, 75.0};
constexpr Prior SMALL_PRIOR{5.0, 5.0};
constexpr double LEVEL = 0.95;
constexpr double THRESHOLD = 1.0;

// One iteration: one region under one prior (two quantiles and one tail).
template <typename Summarize>
void run(benchmark::State& state, const std::vector<Region>& regions, Prior prior,
         Summarize summarize) {
    std::size_t i = 0;
    for (auto _ : state) {
        const Region& r = regions[i];
        benchmark::DoNotOptimize(summarize(prior, r));
        i = (i + 1) % regions.size();
    }
    state.SetItemsProcessed(state.iterations());
}

tolven::PosteriorSummary summarizeWithTheProgram(Prior prior, const Region& r) {
    return tolven::summarizePosterior(prior.alpha, prior.beta, r.observed, r.expected, LEVEL,
                                      THRESHOLD);
}

// The same figures through gamma_distribution with Boost's default policy
// (exceptions, long double inside): the cost the program's direct calls save.
tolven::PosteriorSummary summarizeWithTheDistribution(Prior prior, const Region& r) {
    const boost::math::gamma_distribution<double> posterior(prior.beta + r.observed,
                                                            1.0 / (prior.alpha + r.expected));
    const double tail = (1.0 - LEVEL) / 2.0;
    return {quantile(posterior, tail), quantile(complement(posterior, tail)),
            cdf(complement(posterior, THRESHOLD))};
}

void BM_Posterior_MillionCounts(benchmark::State& state) {
    run(state, millionCountRegions(), MILLION_PRIOR, summarizeWithTheProgram);
}
BENCHMARK(BM_Posterior_MillionCounts);

void BM_Posterior_MillionCounts_Distribution(benchmark::State& state) {
    run(state, millionCountRegions(), MILLION_PRIOR, summarizeWithTheDistribution);
}
BENCHMARK(BM_Posterior_MillionCounts_Distribution);

void BM_Posterior_SmallCounts(benchmark::State& state) {
    run(state, smallCountRegions(), SMALL_PRIOR, summarizeWithTheProgram);
}
BENCHMARK(BM_Posterior_SmallCounts);

void BM_Posterior_SmallCounts_Distribution(benchmark::State& state) {
    run(state, smallCountRegions(), SMALL_PRIOR, summarizeWithTheDistribution);
}
BENCHMARK(BM_Posterior_SmallCounts_Distribution);

}  // namespace

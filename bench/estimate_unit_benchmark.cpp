#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "core/estimate_unit.h"
#include "core/limits.h"
#include "core/run_settings.h"
#include "core/shared_data.h"
#include "tests/core/plain_ml_fit.h"

namespace {

// A full unit with counts around a million: expected counts uniform in
// [0.9e6, 1.1e6], relative risks uniform in [0.8, 1.2], observed = the
// rounded product. The fixed seed makes the unit, and so the fit, the same on
// every run; the relative risks' spread gives the fit a finite maximum.
void loadMillionCountUnit() {
    tolven::resetSharedData();
    tolven::setDefaultSettings(tolven::runSettings);
    std::mt19937_64 random(20240611);
    const auto uniform = [&random](double low, double high) {
        return low + (high - low) * static_cast<double>(random() >> 11) * 0x1.0p-53;
    };
    const int n = tolven::MAX_REGIONS;
    tolven::regionTable.ensureSlots(n);
    tolven::regionTable.regionCount = n;
    for (int i = 1; i <= n; ++i) {
        const double expected = uniform(0.9e6, 1.1e6);
        tolven::regionTable.expected[i] = expected;
        tolven::regionTable.observed[i] = static_cast<int>(expected * uniform(0.8, 1.2) + 0.5);
    }
}

void reportFit(benchmark::State& state) {
    state.counters["iterations"] = tolven::unitResults.iterations;
    state.counters["converged"] = tolven::unitResults.mleConverged;
}

void BM_EstimateUnit_4000RegionsMillionCounts(benchmark::State& state) {
    loadMillionCountUnit();
    for (auto _ : state) {
        tolven::estimateUnit();
        benchmark::DoNotOptimize(tolven::unitResults);
    }
    reportFit(state);
}
BENCHMARK(BM_EstimateUnit_4000RegionsMillionCounts)->Unit(benchmark::kMillisecond);

// The same unit with the digamma and trigamma sums taken region by region: the
// cost the shared walk over j saves. Its results must match the engine's bit
// for bit; the counter "identical" says whether they did.
void BM_EstimateUnit_4000RegionsMillionCounts_PlainSums(benchmark::State& state) {
    loadMillionCountUnit();
    tolven::estimateUnit();
    const tolven::UnitResults fast = tolven::unitResults;
    for (auto _ : state) {
        tolven::test::plainEstimateUnit();
        benchmark::DoNotOptimize(tolven::unitResults);
    }
    reportFit(state);
    state.counters["identical"] =
        std::memcmp(&fast, &tolven::unitResults, sizeof fast) == 0 ? 1 : 0;
}
BENCHMARK(BM_EstimateUnit_4000RegionsMillionCounts_PlainSums)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

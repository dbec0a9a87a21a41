#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "core/estimation/estimate_unit.h"
#include "core/model/limits.h"
#include "core/model/run_settings.h"

namespace {

// A full unit with counts around a million: expected counts uniform in
// [0.9e6, 1.1e6], relative risks uniform in [0.8, 1.2], observed = the
// rounded product. The fixed seed makes the unit, and so the fit, the same on
// every run; the relative risks' spread gives the fit a finite maximum.
void loadMillionCountUnit(tolven::RegionTable& table) {
    std::mt19937_64 random(20240611);
    const auto uniform = [&random](double low, double high) {
        return low + (high - low) * static_cast<double>(random() >> 11) * 0x1.0p-53;
    };
    const int n = tolven::MAX_REGIONS;
    table.ensureSlots(n);
    table.regionCount = n;
    for (int i = 1; i <= n; ++i) {
        const double expected = uniform(0.9e6, 1.1e6);
        table.expected[i] = expected;
        table.observed[i] = static_cast<int>(expected * uniform(0.8, 1.2) + 0.5);
    }
}

void BM_EstimateUnit_4000RegionsMillionCounts(benchmark::State& state) {
    tolven::RegionTable table;
    tolven::UnitResults results;
    tolven::RunSettings settings;
    tolven::DigammaSums sums;
    tolven::setDefaultSettings(settings);
    loadMillionCountUnit(table);
    for (auto _ : state) {
        tolven::estimateUnit(table, results, settings, sums);
        benchmark::DoNotOptimize(results);
    }
    state.counters["iterations"] = results.iterations;
    state.counters["converged"] = results.mleConverged;
    // The fitted prior to the last bit, so that a change of the figures shows.
    std::uint64_t alphaBits = 0;
    std::memcpy(&alphaBits, &results.mleAlpha, sizeof alphaBits);
    state.counters["mleAlphaBitsLow32"] = static_cast<double>(alphaBits & 0xFFFFFFFFu);
}
BENCHMARK(BM_EstimateUnit_4000RegionsMillionCounts)->Unit(benchmark::kMillisecond);

}  // namespace

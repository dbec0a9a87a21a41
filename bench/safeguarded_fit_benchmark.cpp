#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/estimation/ml_fit.h"
#include "core/estimation/ratio_statistics.h"
#include "core/model/run_settings.h"
#include "core/numerics/finite_maximum.h"
#include "core/numerics/safeguarded_fit.h"

namespace {

constexpr int REGIONS = 10;
constexpr int RUNAWAY_UNITS = 2000;

// observed and expected with slot 0 unused, as the region table holds them.
struct Unit {
    std::vector<int> observed = std::vector<int>(REGIONS + 1, 0);
    std::vector<double> expected = std::vector<double>(REGIONS + 1, 0.0);
};

// The state of one unit's estimation, as a run's thread holds it.
struct Engine {
    tolven::RegionTable regionTable;
    tolven::UnitResults unitResults;
    tolven::RunSettings runSettings;
    tolven::DigammaSums sums;
};

Engine& engine() {
    static Engine state;
    return state;
}

void loadIntoRegionTable(const Unit& unit) {
    engine().regionTable.regionCount = REGIONS;
    for (int i = 1; i <= REGIONS; ++i) {
        engine().regionTable.observed[i] = unit.observed[i];
        engine().regionTable.expected[i] = unit.expected[i];
    }
}

void computeRatioStatistics() {
    tolven::computeRatioStatistics(engine().regionTable, engine().unitResults,
                                   engine().runSettings);
}

void fitMaximumLikelihood() {
    tolven::fitMaximumLikelihood(engine().regionTable, engine().runSettings, engine().unitResults,
                                 engine().sums);
}

bool newtonFitSucceeds() {
    const tolven::UnitResults& r = engine().unitResults;
    return r.mleConverged == 1 && std::isfinite(r.mleAlpha) && r.mleAlpha > 0.0 &&
           std::isfinite(r.mleBeta) && r.mleBeta > 0.0;
}

// Units of 10 regions on which the Newton-Raphson fit (moments without zeros
// as the start, default settings) fails although the likelihood has a finite
// maximum. Expected counts are uniform in [0.5, 5] times `scale`, relative
// risks Gamma with mean 1 and shape 0.3, 1, 3 or 10, counts Poisson. The
// fixed seed makes the set the same on every run.
const std::vector<Unit>& runawayUnits(double scale) {
    static std::vector<Unit> small;
    static std::vector<Unit> large;
    std::vector<Unit>& units = scale < 10.0 ? small : large;
    if (!units.empty()) return units;

    tolven::setDefaultSettings(engine().runSettings);
    engine().runSettings.excludeZero = 1;
    engine().regionTable.ensureSlots(REGIONS + 1);
    std::mt19937_64 random(20240612);
    std::uniform_real_distribution<double> expectedDraw(0.5 * scale, 5.0 * scale);
    const double shapes[] = {0.3, 1.0, 3.0, 10.0};
    while (static_cast<int>(units.size()) < RUNAWAY_UNITS) {
        const double shape = shapes[random() % 4];
        std::gamma_distribution<double> riskDraw(shape, 1.0 / shape);
        Unit unit;
        for (int i = 1; i <= REGIONS; ++i) {
            unit.expected[i] = std::round(expectedDraw(random) * 10.0) / 10.0;
            std::poisson_distribution<int> countDraw(unit.expected[i] * riskDraw(random));
            unit.observed[i] = countDraw(random);
        }
        const tolven::UnitCounts view{unit.observed.data(), unit.expected.data(), REGIONS};
        if (tolven::findNoMaximumReason(view) != tolven::NoMaximumReason::none) continue;
        loadIntoRegionTable(unit);
        computeRatioStatistics();
        fitMaximumLikelihood();
        if (!newtonFitSucceeds()) units.push_back(unit);
    }
    return units;
}

void reportPerUnit(benchmark::State& state, std::size_t units) {
    state.counters["per_unit"] = benchmark::Counter(
        static_cast<double>(units),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The engine's Newton-Raphson fit (with the moment estimates it starts from)
// on the runaway units: what every unit costs in the default mode.
void BM_NewtonFit_RunawayUnits(benchmark::State& state) {
    const std::vector<Unit>& units = runawayUnits(static_cast<double>(state.range(0)));
    for (auto _ : state) {
        for (const Unit& unit : units) {
            loadIntoRegionTable(unit);
            computeRatioStatistics();
            fitMaximumLikelihood();
            benchmark::DoNotOptimize(engine().unitResults);
        }
    }
    reportPerUnit(state, units.size());
}
BENCHMARK(BM_NewtonFit_RunawayUnits)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond);

// The safeguarded fit that takes over on the same units: the extra cost of a
// rescued unit in the safeguarded mode.
void BM_SafeguardedFit_RunawayUnits(benchmark::State& state) {
    const std::vector<Unit>& units = runawayUnits(static_cast<double>(state.range(0)));
    tolven::DigammaSums scratch;
    int converged = 0;
    int newton = 0;
    for (auto _ : state) {
        converged = 0;
        newton = 0;
        for (const Unit& unit : units) {
            const tolven::SafeguardedFitResult result = tolven::fitSafeguarded(
                unit.observed.data(), unit.expected.data(), REGIONS, scratch);
            converged += result.converged ? 1 : 0;
            newton += result.method == tolven::SAFEGUARDED_NEWTON_METHOD ? 1 : 0;
            benchmark::DoNotOptimize(result);
        }
    }
    reportPerUnit(state, units.size());
    state.counters["converged"] =
        static_cast<double>(converged) / static_cast<double>(units.size());
    state.counters["by_newton"] = static_cast<double>(newton) / static_cast<double>(units.size());
}
BENCHMARK(BM_SafeguardedFit_RunawayUnits)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

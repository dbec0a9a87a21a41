#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "core/standardisation/expected_input.h"
#include "run/output_file.h"

namespace {

constexpr int STRATA_PER_REGION = 20;
constexpr int REGIONS_PER_UNIT = 10;

// Writes a strata file of `regions` regions of 20 strata each (two sexes, ten
// age groups), the lines of a region together, and returns its path.
std::string writeStrataFile(int regions) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tolven-bench-strata-" + std::to_string(std::random_device()()) + ".txt");
    std::mt19937 random(2222);
    std::string text;
    char line[96];
    for (int r = 0; r < regions; ++r) {
        for (int s = 0; s < STRATA_PER_REGION; ++s) {
            const int age = s % 10 * 10;
            const int length = std::snprintf(line, sizeof line, "%d\tR%07d\t%c%d-%d\t%u\t%u\n",
                                             r / REGIONS_PER_UNIT + 1, r, s < 10 ? 'M' : 'F', age,
                                             age + 9, static_cast<unsigned>(random() % 12),
                                             static_cast<unsigned>(random() % 5000 + 100));
            text.append(line, static_cast<std::size_t>(length));
        }
    }
    if (tolven::writeWholeFile(path.string(), text) != 0) return {};
    return path.string();
}

// From the strata file to the text of the input table, under each pooled
// reference (the rate file's lookup is the cheaper one).
void BM_ExpectedInputFromStrata(benchmark::State& state) {
    const int regions = static_cast<int>(state.range(0));
    const std::string path = writeStrataFile(regions);
    tolven::StandardisationRequest request;
    request.strataPath = path;
    request.reference =
        state.range(1) == 0 ? tolven::ReferenceRates::unit : tolven::ReferenceRates::all;
    tolven::StandardErrorSink messages;
    for (auto _ : state) {
        tolven::ExpectedInput input;
        if (tolven::computeExpectedInput(request, input, messages) != 0 ||
            input.counts.regions.size() != static_cast<std::size_t>(regions)) {
            state.SkipWithError("the generated strata file was not read");
            break;
        }
        benchmark::DoNotOptimize(input.text.data());
    }
    state.SetItemsProcessed(state.iterations() * regions * STRATA_PER_REGION);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
// 1,000,000 strata lines: 50,000 regions x 20 strata. Target: under 1 s.
BENCHMARK(BM_ExpectedInputFromStrata)
    ->Args({50000, 0})
    ->Args({50000, 1})
    ->ArgNames({"regions", "all"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

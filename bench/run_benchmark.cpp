#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "run/estimation_run.h"

namespace {

namespace fs = std::filesystem;

// A whole run over `units` units of 10 regions each, the lines shuffled so
// that no unit's lines are adjacent. Counts are small, as for small areas.
fs::path writeShuffledInput(const fs::path& folder, int units) {
    std::mt19937 random(20260401);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(units) * 10);
    char line[96];
    for (int unit = 1; unit <= units; ++unit) {
        for (int region = 1; region <= 10; ++region) {
            const int length = std::snprintf(
                line, sizeof line, "%d\tR%05d-%02d\t%u\t%u.%03u\n", unit, unit, region,
                static_cast<unsigned>(random() % 25), static_cast<unsigned>(random() % 12 + 1),
                static_cast<unsigned>(random() % 1000));
            lines.emplace_back(line, static_cast<std::size_t>(length));
        }
    }
    std::shuffle(lines.begin(), lines.end(), random);
    const fs::path path = folder / "input.txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return {};
    for (const std::string& text : lines) std::fwrite(text.data(), 1, text.size(), file);
    if (std::fclose(file) != 0) return {};
    return path;
}

// The whole run on `threads` threads (state.range(1); 0: every core).
void BM_RunEstimation(benchmark::State& state) {
    const int units = static_cast<int>(state.range(0));
    const fs::path folder =
        fs::temp_directory_path() / ("tolven-bench-run-" + std::to_string(std::random_device()()));
    std::error_code ignored;
    fs::create_directories(folder, ignored);

    tolven::RunRequest request;
    tolven::setDefaultSettings(request.settings);
    request.inputPath = writeShuffledInput(folder, units).string();
    request.outputPath = (folder / "inputout.txt").string();
    request.logPath = (folder / "inputout.log").string();
    request.threads = static_cast<int>(state.range(1));
    tolven::StandardErrorSink messages;
    for (auto _ : state) {
        if (tolven::runEstimation(request, messages) != 0) {
            state.SkipWithError("the run failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * units * 10);
    fs::remove_all(folder, ignored);
}
BENCHMARK(BM_RunEstimation)
    ->Args({10000, 1})
    ->Args({10000, 0})
    ->ArgNames({"units", "threads"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "core/input/input_file.h"
#include "run/output_file.h"

namespace {

// Writes a realistic input file of `lines` data lines (10 regions per unit,
// small observed counts, expected counts with three decimals) and returns its path.
std::string writeInputFile(int lines) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tolven-bench-input-" + std::to_string(std::random_device()()) + ".txt");
    std::mt19937 random(12345);
    std::string text;
    char line[96];
    for (int n = 1; n <= lines; ++n) {
        const int length = std::snprintf(line, sizeof line, "%d\tR%07d\t%u\t%u.%03u\n",
                                         (n - 1) / 10 + 1, n, static_cast<unsigned>(random() % 40),
                                         static_cast<unsigned>(random() % 30 + 1),
                                         static_cast<unsigned>(random() % 1000));
        text.append(line, static_cast<std::size_t>(length));
    }
    if (tolven::writeWholeFile(path.string(), text) != 0) return {};
    return path.string();
}

void BM_ReadInputFile(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const std::string path = writeInputFile(lines);
    tolven::StandardErrorSink messages;
    for (auto _ : state) {
        tolven::InputTable table;
        int wholeFileMode = 0;
        if (tolven::readInputFile(path, table, wholeFileMode, messages) != 0 ||
            table.rowCount != lines) {
            state.SkipWithError("the generated input file was not read");
            break;
        }
        benchmark::DoNotOptimize(table.expected.data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_ReadInputFile)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

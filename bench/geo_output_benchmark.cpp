#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "bench/generated_layer.h"
#include "cli/geo_package_output.h"
#include "run/estimation_run.h"

namespace {

namespace fs = std::filesystem;

using tolven::bench::POLYGONS;
using tolven::bench::regionCode;

constexpr int UNITS = 50;  // 50 units of every region: 100,000 rows

bool writeInput(const std::string& path) {
    std::mt19937 random(20260403);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    for (int unit = 1; unit <= UNITS; ++unit) {
        for (int region = 1; region <= POLYGONS; ++region) {
            std::fprintf(file, "%d\t%s\t%u\t%u.%03u\n", unit, regionCode(region).c_str(),
                         static_cast<unsigned>(random() % 25),
                         static_cast<unsigned>(random() % 12 + 1),
                         static_cast<unsigned>(random() % 1000));
        }
    }
    return std::fclose(file) == 0;
}

// The whole run of 100,000 rows with --geo-output on 2,000 polygons of
// 1,000,000 vertices; with state.range(0) == 0 the same run without it.
void BM_GeoOutput(benchmark::State& state) {
    const fs::path folder =
        fs::temp_directory_path() / ("tolven-bench-geo-" + std::to_string(std::random_device()()));
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    const std::string boundaries = (folder / "regions.gpkg").string();
    tolven::RunRequest request;
    tolven::setDefaultSettings(request.settings);
    request.inputPath = (folder / "input.txt").string();
    request.outputPath = (folder / "inputout.txt").string();
    request.logPath = (folder / "inputout.log").string();
    if (!tolven::bench::writeGeneratedLayer(boundaries) || !writeInput(request.inputPath)) {
        state.SkipWithError("cannot make the inputs");
    }
    const bool geo = state.range(0) != 0;
    tolven::StandardErrorSink messages;
    for (auto _ : state) {
        const tolven::GeoOutputRequest geoRequest{(folder / "smr.gpkg").string(),
                                                  {boundaries, "", "code", ""}};
        tolven::RunBoundaries reading(geoRequest.boundaries);
        tolven::GeoPackageOutput output(geoRequest, reading);
        request.extraOutput = geo ? &output : nullptr;
        if (tolven::runEstimation(request, messages) != 0) {
            state.SkipWithError("the run failed");
            break;
        }
    }
    fs::remove_all(folder, ignored);
}
BENCHMARK(BM_GeoOutput)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

#include <benchmark/benchmark.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "cli/geo_package_output.h"
#include "run/estimation_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int POLYGONS = 2000;
constexpr int VERTICES_PER_POLYGON = 500;  // 1,000,000 in all
constexpr int UNITS = 50;                  // 50 units of every region: 100,000 rows

std::string regionCode(int region) {
    char code[16];
    std::snprintf(code, sizeof code, "R%04d", region);
    return code;
}

// A 40 x 50 grid of round regions, each a ring of VERTICES_PER_POLYGON
// vertices (the last closes it) with a jagged radius, in UTM zone 54N.
bool writeBoundaries(const std::string& path) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    std::unique_ptr<GDALDataset> dataset(
        driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!dataset) return false;
    OGRSpatialReference crs;
    crs.importFromEPSG(32654);
    OGRLayer* layer = dataset->CreateLayer("regions", &crs, wkbPolygon, nullptr);
    OGRFieldDefn code("code", OFTString);
    if (layer == nullptr || layer->CreateField(&code) != OGRERR_NONE) return false;
    std::mt19937 random(20260402);
    std::uniform_real_distribution<double> jag(0.85, 1.0);
    dataset->StartTransaction();
    for (int region = 1; region <= POLYGONS; ++region) {
        const double cx = 500000.0 + ((region - 1) % 40) * 1000.0;
        const double cy = 4000000.0 + ((region - 1) / 40) * 1000.0;
        OGRLinearRing ring;
        for (int k = 0; k < VERTICES_PER_POLYGON - 1; ++k) {
            const double angle = 2.0 * M_PI * k / (VERTICES_PER_POLYGON - 1);
            const double radius = 500.0 * jag(random);
            ring.addPoint(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
        }
        ring.closeRings();
        OGRPolygon polygon;
        polygon.addRing(&ring);
        std::unique_ptr<OGRFeature> feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        feature->SetField(0, regionCode(region).c_str());
        feature->SetGeometry(&polygon);
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE) return false;
    }
    return dataset->CommitTransaction() == OGRERR_NONE;
}

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
    if (!writeBoundaries(boundaries) || !writeInput(request.inputPath)) {
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

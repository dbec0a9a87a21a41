#include <benchmark/benchmark.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "bench/generated_layer.h"
#include "core/spatial/contiguity.h"
#include "geo/run_boundaries.h"

namespace {

namespace fs = std::filesystem;

// A tessellation of 100,000 quadrilaterals, 400 columns by 250 rows of about
// 1 km in UTM zone 54N. The lattice's vertices are jittered and shared by the
// cells that meet there, and each edge has EDGE_POINTS vertices of its own,
// shared by the two cells on either side, as in a layer whose boundaries were
// digitised once: 17 vertices a ring (the last closes it), 1.7 million in all.
constexpr int COLUMNS = 400;
constexpr int ROWS = 250;
constexpr int EDGE_POINTS = 3;

struct Lattice {
    std::vector<double> x, y;  // (COLUMNS + 1) * (ROWS + 1) vertices
    double xAt(int col, int row) const { return x[row * (COLUMNS + 1) + col]; }
    double yAt(int col, int row) const { return y[row * (COLUMNS + 1) + col]; }
};

Lattice makeLattice() {
    std::mt19937 random(20260501);
    std::uniform_real_distribution<double> jitter(-300.0, 300.0);
    Lattice lattice;
    for (int row = 0; row <= ROWS; ++row) {
        for (int col = 0; col <= COLUMNS; ++col) {
            const bool edge = row == 0 || col == 0 || row == ROWS || col == COLUMNS;
            lattice.x.push_back(500000.0 + col * 1000.0 + (edge ? 0.0 : jitter(random)));
            lattice.y.push_back(4000000.0 + row * 1000.0 + (edge ? 0.0 : jitter(random)));
        }
    }
    return lattice;
}

// The ring of cell (col, row), counterclockwise from its lower left corner;
// an edge's own points come from the edge's ends in a fixed direction, so
// that both cells on it compute the same coordinates.
void cellRing(const Lattice& lattice, int col, int row, OGRLinearRing& ring) {
    const int corners[4][2] = {{col, row}, {col + 1, row}, {col + 1, row + 1}, {col, row + 1}};
    for (int side = 0; side < 4; ++side) {
        const auto [c0, r0] = corners[side];
        const auto [c1, r1] = corners[(side + 1) % 4];
        ring.addPoint(lattice.xAt(c0, r0), lattice.yAt(c0, r0));
        // Interpolated from the edge's lower-left end, whichever way it runs.
        const bool forward = c0 < c1 || r0 < r1;
        const int ca = forward ? c0 : c1, ra = forward ? r0 : r1;
        const int cb = forward ? c1 : c0, rb = forward ? r1 : r0;
        for (int k = 1; k <= EDGE_POINTS; ++k) {
            const int step = forward ? k : EDGE_POINTS + 1 - k;
            const double t = static_cast<double>(step) / (EDGE_POINTS + 1);
            ring.addPoint(lattice.xAt(ca, ra) + t * (lattice.xAt(cb, rb) - lattice.xAt(ca, ra)),
                          lattice.yAt(ca, ra) + t * (lattice.yAt(cb, rb) - lattice.yAt(ca, ra)));
        }
    }
    ring.closeRings();
}

bool writeTessellation(const std::string& path) {
    OGRLayer* layer = nullptr;
    const std::unique_ptr<GDALDataset> dataset =
        tolven::bench::createCodedLayer(path, "cells", OFTInteger, layer);
    if (!dataset) return false;
    const Lattice lattice = makeLattice();
    dataset->StartTransaction();
    for (int row = 0; row < ROWS; ++row) {
        for (int col = 0; col < COLUMNS; ++col) {
            OGRLinearRing ring;
            cellRing(lattice, col, row, ring);
            OGRPolygon polygon;
            polygon.addRing(&ring);
            std::unique_ptr<OGRFeature> feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
            feature->SetField(0, row * COLUMNS + col + 1);
            feature->SetGeometry(&polygon);
            if (layer->CreateFeature(feature.get()) != OGRERR_NONE) return false;
        }
    }
    return dataset->CommitTransaction() == OGRERR_NONE;
}

// The tessellation as a GeoPackage, made once. With TOLVEN_BENCH_CONTIGUITY_LAYER
// set, it is written to that path and kept, to time other tools on it.
const std::string& tessellationPath() {
    static const std::string path = [] {
        const char* kept = std::getenv("TOLVEN_BENCH_CONTIGUITY_LAYER");
        const std::string file =
            kept ? std::string(kept)
                 : (fs::temp_directory_path() /
                    ("tolven-bench-cells-" + std::to_string(std::random_device()()) + ".gpkg"))
                       .string();
        std::error_code ignored;
        fs::remove(file, ignored);
        if (!writeTessellation(file)) return std::string();
        if (!kept) std::atexit([] { std::remove(tessellationPath().c_str()); });
        return file;
    }();
    return path;
}

tolven::ContiguityRule ruleOf(const benchmark::State& state) {
    return state.range(0) == 0 ? tolven::ContiguityRule::queen : tolven::ContiguityRule::rook;
}

// Contiguity alone, from the boundary points of the 100,000 cells.
void BM_Contiguity(benchmark::State& state) {
    tolven::RunBoundaries boundaries({tessellationPath(), "", "code", ""});
    std::string error;
    if (tessellationPath().empty() || !boundaries.load(error)) {
        state.SkipWithError("cannot make the tessellation");
        return;
    }
    const tolven::RegionPoints points = boundaries.points();
    std::size_t pairs = 0;
    for (auto _ : state) {
        pairs = tolven::contiguityNeighbours(points, ruleOf(state), tolven::DEFAULT_SNAP_DISTANCE)
                    .pairCount();
    }
    state.counters["pairs"] = static_cast<double>(pairs);
    state.counters["points"] = static_cast<double>(points.points.size());
}
BENCHMARK(BM_Contiguity)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole way from the file: reading the layer with GDAL, its points, the
// contiguity.
void BM_LayerContiguity(benchmark::State& state) {
    if (tessellationPath().empty()) {
        state.SkipWithError("cannot make the tessellation");
        return;
    }
    for (auto _ : state) {
        tolven::RunBoundaries boundaries({tessellationPath(), "", "code", ""});
        std::string error;
        if (!boundaries.load(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(tolven::contiguityNeighbours(boundaries.points(), ruleOf(state),
                                                              tolven::DEFAULT_SNAP_DISTANCE));
    }
}
BENCHMARK(BM_LayerContiguity)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

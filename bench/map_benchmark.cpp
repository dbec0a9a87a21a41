#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "bench/generated_layer.h"
#include "ui/map/MapBoundaries.h"
#include "ui/map/UnitMap.h"

namespace {

namespace fs = std::filesystem;
using tolven::bench::POLYGONS;

// The map tab's drawing area.
const QRectF AREA(0, 0, 900, 700);

// One unit of every generated region, with ratios spread over the classes.
tolven::RunOutcome outcomeOfEveryRegion() {
    tolven::RunOutcome outcome;
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> ratio(0.3, 2.0);
    outcome.units.push_back({1, 0, static_cast<std::size_t>(POLYGONS), 1, 1, 1, 1});
    for (int region = 1; region <= POLYGONS; ++region) {
        tolven::RegionOutcome r;
        r.code = tolven::bench::regionCode(region);
        r.observed = 10;
        r.expected = 10.0;
        r.ratio = r.ebRatioME = r.ebRatioMLE = ratio(random);
        outcome.regions.push_back(r);
    }
    return outcome;
}

// The layer written once, in a folder removed when the program ends.
struct Layer {
    fs::path folder;
    std::string path;
    Layer() {
        folder = fs::temp_directory_path() /
                 ("tolven-bench-map-" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        path = (folder / "regions.gpkg").string();
        tolven::bench::writeGeneratedLayer(path);
    }
    ~Layer() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

const Layer& generatedLayer() {
    static int argc = 1;
    static char name[] = "tolven_bench";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        new QGuiApplication(argc, argv);
    }
    static const Layer layer;
    return layer;
}

// A unit's map as the map tab opens it: the layer read, its outlines
// projected (and ranked for simplification) and the unit joined.
struct OpenedMap {
    tolven::MapBoundaries boundaries;
    tolven::PlaneOutlines plane;
    tolven::UnitMap map;
    bool read = false;

    OpenedMap(const std::string& path, const tolven::RunOutcome& outcome) {
        read = tolven::loadMapBoundaries({path, "", "code", ""}, boundaries).empty();
        if (!read) return;
        plane = tolven::planeOutlines(
            boundaries.outlines,
            tolven::featuresOfUnit(outcome, outcome.units[0], boundaries.layer));
        map = tolven::buildUnitMap(outcome, outcome.units[0], boundaries.layer, plane,
                                   tolven::MapValue::EbMle, tolven::MapClassing::Fixed);
    }
    OpenedMap(const OpenedMap&) = delete;
    OpenedMap& operator=(const OpenedMap&) = delete;
};

// Opening the map: reading the layer, projecting its outlines, joining the
// unit and the first drawing of the whole unit.
void BM_OpenMap(benchmark::State& state) {
    const Layer& layer = generatedLayer();
    const tolven::RunOutcome outcome = outcomeOfEveryRegion();
    QImage image(AREA.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const OpenedMap opened(layer.path, outcome);
        if (!opened.read) {
            state.SkipWithError("cannot read the layer");
            break;
        }
        tolven::MapPathCache cache(opened.plane);
        QPainter painter(&image);
        tolven::paintMapArea(painter, AREA, opened.map, cache,
                             tolven::fittedView(opened.map.unitBounds, AREA.size()));
    }
}
BENCHMARK(BM_OpenMap)->Unit(benchmark::kMillisecond)->Iterations(3);

// A redraw after a pan (state.range(0) == 0: the paths of that resolution are
// kept) or after a zoom by 2 (1: the paths in view are built at the new one).
void BM_RedrawMap(benchmark::State& state) {
    const Layer& layer = generatedLayer();
    const tolven::RunOutcome outcome = outcomeOfEveryRegion();
    const OpenedMap opened(layer.path, outcome);
    if (!opened.read) {
        state.SkipWithError("cannot read the layer");
        return;
    }
    const tolven::UnitMap& map = opened.map;
    QImage image(AREA.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    const tolven::MapView whole = tolven::fittedView(map.unitBounds, AREA.size());
    const bool zoom = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        tolven::MapPathCache cache(opened.plane);
        {
            QPainter painter(&image);
            tolven::paintMapArea(painter, AREA, map, cache, whole);
        }
        tolven::MapView next = whole;
        if (zoom) {
            next.pixelsPerUnit *= 2.0;
        } else {
            next.centre += QPointF(40.0 / whole.pixelsPerUnit, -25.0 / whole.pixelsPerUnit);
        }
        state.ResumeTiming();
        QPainter painter(&image);
        tolven::paintMapArea(painter, AREA, map, cache, next);
    }
}
BENCHMARK(BM_RedrawMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

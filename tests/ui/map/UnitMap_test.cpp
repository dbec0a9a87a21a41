#include "ui/map/UnitMap.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>
#include <numbers>

#include "core/model/not_available.h"
#include "geo/boundary_layer.h"
#include "tests/support/test_support.h"
#include "ui/map/OutlineSimplification.h"

using namespace tolven;

namespace {

BoundaryLayer readLayer(const std::string& path, const std::string& layerName,
                        const std::string& field) {
    BoundaryLayer layer;
    const std::string error = readBoundaryLayer({path, layerName, field, ""}, layer);
    if (!error.empty()) qFatal("%s", error.c_str());
    return layer;
}

// The 3 x 3 grid of the fixtures, by code, and its outlines on the plane.
struct Grid {
    BoundaryLayer layer = readLayer(test::dataFile("geo/grid.gpkg"), "grid", "code");
    LayerOutlines outlines = layerOutlines(layer);
    PlaneOutlines plane = planeOutlines(outlines, {});
};

// One unit of regions with the given codes and EB(MLE) ratios (in percent;
// NaN for "***"), and the ratio 1 everywhere.
RunOutcome outcomeOf(const std::vector<std::string>& codes, const std::vector<double>& percent) {
    RunOutcome outcome;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        RegionOutcome region;
        region.code = codes[i];
        region.observed = 1;
        region.expected = 1.0;
        region.ratio = 1.0;
        region.ebRatioME = 1.0;
        region.ebRatioMLE = std::isnan(percent[i]) ? NOT_AVAILABLE : percent[i] / 100.0;
        region.exceedanceMLE = percent[i] / 200.0;
        outcome.regions.push_back(region);
    }
    outcome.units.push_back({7, 0, codes.size(), 1.0, 1.0, 1.0, 1.0});
    return outcome;
}

// Douglas–Peucker at one tolerance, as it is usually written: each span
// between kept vertices is split at its farthest vertex while that is more
// than `tolerance` off the chord.
void keepFarVertices(const std::vector<QPointF>& ring, std::size_t from, std::size_t to,
                     double tolerance, std::vector<char>& kept) {
    std::size_t split = from;
    double farthest = tolerance;
    for (std::size_t i = from + 1; i < to; ++i) {
        const QLineF chord(ring[from], ring[to]);
        const QPointF d = chord.p2() - chord.p1();
        const double length = d.x() * d.x() + d.y() * d.y();
        double along = 0.0;
        if (length > 0)
            along = std::clamp(QPointF::dotProduct(ring[i] - chord.p1(), d) / length, 0.0, 1.0);
        const QPointF off = ring[i] - chord.p1() - along * d;
        const double distance = std::hypot(off.x(), off.y());
        if (distance > farthest) {
            farthest = distance;
            split = i;
        }
    }
    if (split == from) return;
    kept[split] = 1;
    keepFarVertices(ring, from, split, tolerance, kept);
    keepFarVertices(ring, split, to, tolerance, kept);
}

}  // namespace

class UnitMapTest : public QObject {
    Q_OBJECT
private slots:
    // North Carolina in longitude and latitude spans about 8.9 by 2.7
    // degrees; on an equal-area map centred on it the width is the span of
    // longitude shortened by the cosine of the latitude (about 2.66 : 1),
    // not the 3.3 : 1 of the degrees drawn as they are.
    void geographicLayerIsDrawnEqualArea() {
        const BoundaryLayer layer =
            readLayer(test::dataFile("../../examples/nc_counties.gpkg"), "", "FIPS");
        const LayerOutlines outlines = layerOutlines(layer);
        QVERIFY(outlines.geographic);
        std::vector<std::size_t> all(outlines.featureCount());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
        const PlaneOutlines plane = planeOutlines(outlines, all);
        QVERIFY(plane.projected);
        const QRectF bounds = boundsOf(plane, all);

        const auto [west, east] = std::minmax_element(outlines.x.begin(), outlines.x.end());
        const auto [south, north] = std::minmax_element(outlines.y.begin(), outlines.y.end());
        const double middle = (*south + *north) / 2.0 * std::numbers::pi / 180.0;
        const double expected = (*east - *west) * std::cos(middle) / (*north - *south);
        const double ratio = bounds.width() / bounds.height();
        QVERIFY2(std::abs(ratio / expected - 1.0) < 0.03,
                 qPrintable(QStringLiteral("%1 vs %2").arg(ratio).arg(expected)));
        // Metres, not degrees: the state is some 800 km across.
        QVERIFY(bounds.width() > 7.0e5 && bounds.width() < 9.0e5);
    }

    // A projected layer is drawn as it is.
    void projectedLayerKeepsItsCoordinates() {
        const Grid grid;
        QVERIFY(!grid.outlines.geographic);
        const PlaneOutlines plane = planeOutlines(grid.outlines, {0});
        QVERIFY(!plane.projected);
        QCOMPARE(boundsOf(plane, {0, 8}), QRectF(500000, 4000000, 3000, 3000));
    }

    // Classes and counts on the 3 x 3 grid: one region per fixed class, a
    // region without a value, one without a boundary and a repeated code.
    void legendCountsEachClass() {
        const Grid grid;
        const BoundaryLayer& layer = grid.layer;
        const PlaneOutlines& plane = grid.plane;
        // Bounds belong to the class above: 50 is "50–<80", 150 is "≥150".
        const RunOutcome outcome =
            outcomeOf({"A01", "A02", "A03", "A04", "A05", "A06", "A07", "A08", "Z99", "A01"},
                      {49.9, 50.0, 89.99, 90.0, 110.0, 149.99, 150.0, NAN, 100.0, 100.0});
        const UnitMap map = buildUnitMap(outcome, outcome.units[0], layer, plane, MapValue::EbMle,
                                         MapClassing::Fixed);
        // 49.9 | 50 | 89.99 | 90 | 110 | 149.99 | 150: once in each of
        // <50, 50–<80, 80–<90, 90–<110, 110–<120, 120–<150, ≥150.
        std::vector<std::size_t> got;
        for (const MapClass& c : map.legend.classes) got.push_back(c.count);
        const std::vector<std::size_t> want(7, 1);
        QCOMPARE(got, want);
        QCOMPARE(map.legend.noValue, std::size_t{1});     // A08
        QCOMPARE(map.legend.noBoundary, std::size_t{1});  // Z99
        QCOMPARE(map.repeatedCodes, std::size_t{1});      // the second A01
        QCOMPARE(map.unitFeatures.size(), std::size_t{8});
        QCOMPARE(map.fillOfFeature[0], QColor(QStringLiteral("#2166ac")));
        QCOMPARE(map.fillOfFeature[6], QColor(QStringLiteral("#b2182b")));
        QVERIFY(!map.fillOfFeature[8].isValid());  // A09: context only
        QCOMPARE(map.fillOfFeature[7], NO_VALUE_COLOUR);
    }

    void quintilesAndProbabilities() {
        const Grid grid;
        const BoundaryLayer& layer = grid.layer;
        const PlaneOutlines& plane = grid.plane;
        const RunOutcome outcome = outcomeOf({"A01", "A02", "A03", "A04", "A05", "A06"},
                                             {10.0, 20.0, 30.0, 40.0, 50.0, 199.0});
        const UnitMap quintiles = buildUnitMap(outcome, outcome.units[0], layer, plane,
                                               MapValue::EbMle, MapClassing::Quintiles);
        // Type 7 on 10..50, 199: h = 5p; 20% -> 20, 40% -> 30, 60% -> 40,
        // 80% -> 50, 100% -> 199 (the last class holds its maximum).
        std::vector<double> bounds;
        std::vector<std::size_t> counts;
        for (const MapClass& c : quintiles.legend.classes) {
            bounds.push_back(c.lower);
            counts.push_back(c.count);
        }
        bounds.push_back(quintiles.legend.classes.back().upper);
        QCOMPARE(bounds, (std::vector<double>{10, 20, 30, 40, 50, 199}));
        QCOMPARE(counts, (std::vector<std::size_t>{1, 1, 1, 1, 2}));

        // Probabilities are half the percent / 100: 0.05, 0.1, ..., 0.995.
        const UnitMap probabilities =
            buildUnitMap(outcome, outcome.units[0], layer, plane, MapValue::ProbabilityMle,
                         MapClassing::Quintiles);
        counts.clear();
        for (const MapClass& c : probabilities.legend.classes) counts.push_back(c.count);
        QCOMPARE(counts, (std::vector<std::size_t>{0, 3, 2, 0, 1}));
        QCOMPARE(probabilities.legend.classes.front().label, QStringLiteral("0\u2013<0.05"));
    }

    // The ranks give, at every tolerance, the vertices that Douglas–Peucker
    // keeps on the ring split first at its vertex farthest from the start:
    // a jagged ring, whose splits often find a vertex farther off the new
    // chord than the one that made the span, and a ring with a vertex that
    // is not finite, which is never kept.
    void simplificationIsDouglasPeuckerAtEveryTolerance() {
        std::vector<QPointF> jagged;
        for (int k = 0; k < 400; ++k) {
            const double angle = 2 * std::numbers::pi * k / 400;
            const double radius = 100 + 15 * std::sin(k * 1.7) + 9 * std::cos(k * 0.31);
            jagged.emplace_back(radius * std::cos(angle), radius * std::sin(angle));
        }
        jagged.push_back(jagged.front());
        std::vector<QPointF> broken = {{0, 0}, {4, 1}, {NAN, 2}, {10, 0}, {5, -3}, {0, 0}};
        for (const std::vector<QPointF>& ring : {jagged, broken}) {
            std::vector<double> ranks(ring.size());
            rankRingVertices(ring.data(), ring.size(), ranks.data());
            std::size_t far = 0;
            for (std::size_t i = 1; i + 1 < ring.size(); ++i)
                if (QLineF(ring[0], ring[i]).length() > QLineF(ring[0], ring[far]).length())
                    far = i;
            for (double tolerance : {0.01, 0.5, 2.0, 5.0, 12.0, 40.0}) {
                std::vector<char> want(ring.size(), 0);
                want.front() = want.back() = want[far] = 1;
                keepFarVertices(ring, 0, far, tolerance, want);
                keepFarVertices(ring, far, ring.size() - 1, tolerance, want);
                std::vector<char> got;
                for (double rank : ranks) got.push_back(rank > tolerance ? 1 : 0);
                QCOMPARE(got, want);
            }
        }
    }

    // Drawn with north up and the unit filling the area: the grid's
    // north-west cell (A07) is at the top left, the south-east (A03) at the
    // bottom right.
    void drawsNorthUp() {
        const Grid grid;
        const BoundaryLayer& layer = grid.layer;
        const PlaneOutlines& plane = grid.plane;
        const RunOutcome outcome = outcomeOf({"A07", "A03"}, {10.0, 500.0});
        const UnitMap map = buildUnitMap(outcome, outcome.units[0], layer, plane, MapValue::EbMle,
                                         MapClassing::Fixed);
        QImage image(300, 300, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        MapPathCache cache(plane);
        const QRectF area(0, 0, 300, 300);
        const MapView view = fittedView(boundsOf(plane, {0, 1, 2, 3, 4, 5, 6, 7, 8}), area.size());
        paintMapArea(painter, area, map, cache, view);
        painter.end();
        QCOMPARE(image.pixelColor(60, 60), QColor(QStringLiteral("#2166ac")));
        QCOMPARE(image.pixelColor(240, 240), QColor(QStringLiteral("#b2182b")));
        QCOMPARE(image.pixelColor(150, 150), QColor(Qt::white));  // context, outline only
        QCOMPARE(featureAt(map, cache, view, area, QPointF(60, 60)), 6L);
        QCOMPARE(featureAt(map, cache, view, area, QPointF(150, 150)), -1L);
    }
};

QTEST_MAIN(UnitMapTest)
#include "UnitMap_test.moc"

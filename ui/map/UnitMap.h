#pragma once

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <cstddef>
#include <map>
#include <optional>
#include <vector>

#include "geo/boundary_layer.h"
#include "run/run_outcome.h"
#include "ui/map/MapClasses.h"
#include "ui/map/MapShapes.h"
#include "ui/map/MapValues.h"

namespace tolven {

// One unit's choropleth, ready to draw: which feature shows which region in
// which colour, the legend with its counts, and the extent of the unit.
struct UnitMap {
    const PlaneOutlines* plane = nullptr;
    MapValue value = MapValue::EbMle;
    QString valueName;                      // as mapValueName gives it
    std::vector<long> regionOfFeature;      // index into RunOutcome::regions; -1: context feature
    std::vector<QColor> fillOfFeature;      // invalid for a context feature
    std::vector<std::size_t> unitFeatures;  // the features that show a region of the unit
    MapLegend legend;
    std::size_t repeatedCodes = 0;  // regions left off: their code was drawn for an earlier row
    QRectF unitBounds;              // the unit's features in the plane (y up); null when none
};

// Joins the regions of `unit` to the features of `layer` by code (as the
// GeoPackage does: the code as UTF-8, without leading zeros for an integer
// join field), classes each region's `value` and counts the legend. Where a
// code occurs twice in the unit the first row is drawn and the others are
// counted in repeatedCodes.
UnitMap buildUnitMap(const RunOutcome& outcome, const UnitOutcome& unit, const BoundaryLayer& layer,
                     const PlaneOutlines& plane, MapValue value, MapClassing classing);

// The features of the layer whose code is that of a region of `unit`.
std::vector<std::size_t> featuresOfUnit(const RunOutcome& outcome, const UnitOutcome& unit,
                                        const BoundaryLayer& layer);

// The features' outlines as painter paths in the plane, simplified for the
// resolution they are drawn at (Douglas–Peucker, from the ranks of the
// plane's vertices) and kept, so that a redraw after a pan reuses
// them and one after a zoom builds only the paths of the features in view at
// a new resolution. Resolutions are powers of two of the plane's units per
// pixel.
class MapPathCache {
public:
    explicit MapPathCache(const PlaneOutlines& plane) : plane_(&plane) {}

    // The path of `feature` simplified for `unitsPerPixel`: no vertex dropped
    // lies a pixel or more off the outline drawn, and most of those within
    // half a pixel are dropped.
    const QPainterPath& path(std::size_t feature, double unitsPerPixel);

private:
    const PlaneOutlines* plane_;
    // Resolution level -> per feature its path, built when first asked for.
    std::map<int, std::vector<std::optional<QPainterPath>>> levels_;
};

// Where the map looks: the plane's point at the middle of the drawing area,
// and the scale in pixels per plane unit (the same across and up: aspect right).
struct MapView {
    QPointF centre;
    double pixelsPerUnit = 1.0;
};

// The view that shows `bounds` whole in `area`, with a small margin.
MapView fittedView(const QRectF& bounds, const QSizeF& area);

// The transformation from the plane (y up) to the drawing area (y down).
QTransform planeToArea(const MapView& view, const QRectF& area);

// Draws the map into `area`: context features outlined in grey, the unit's
// features filled in their class colours and outlined, then the outlines of
// `marked` (the neighbours of the region under the pointer) and of `hovered`
// (a feature, or -1). Only features in view are drawn.
void paintMapArea(QPainter& painter, const QRectF& area, const UnitMap& map, MapPathCache& cache,
                  const MapView& view, const std::vector<std::size_t>& marked = {},
                  long hovered = -1);

// Draws the legend with its top left at `at`: the value's name, each class
// with its colour and count, then "値なし" and "データなし" with theirs.
// Returns the size it took.
QSizeF paintMapLegend(QPainter& painter, const QPointF& at, const UnitMap& map);

// The width the legend takes with the painter's font.
double mapLegendWidth(const QFontMetricsF& metrics, const UnitMap& map);

// A whole map page for a file: `title` on top, the map (in `view`, scaled
// from `viewArea` so that the page shows what that area showed), the legend
// at the right and `footer` (the input file's name) at the bottom.
void paintMapPage(QPainter& painter, const QRectF& page, const UnitMap& map, MapPathCache& cache,
                  const MapView& view, const QSizeF& viewArea, const QString& title,
                  const QString& footer);

// The feature of the unit under the area's point `pixel`, or -1.
long featureAt(const UnitMap& map, MapPathCache& cache, const MapView& view, const QRectF& area,
               const QPointF& pixel);

}  // namespace tolven

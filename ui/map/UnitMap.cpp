#include "ui/map/UnitMap.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "core/spatial/region_code.h"

namespace tolven {

namespace {

const QColor CONTEXT_OUTLINE{0xc8, 0xc8, 0xc8};
const QColor REGION_OUTLINE{0x70, 0x70, 0x70};
const QColor MARKED_OUTLINE{0x1f, 0x78, 0xb4};
constexpr double VIEW_MARGIN = 0.04;  // of the area, each side

long featureOfCode(const BoundaryLayer& layer, const std::string& code) {
    const auto found =
        layer.featureOfKey.find(regionCodeKey(regionCodeAsUtf8(code), layer.integerJoinField));
    return found == layer.featureOfKey.end() ? -1 : static_cast<long>(found->second);
}

QPainterPath simplifiedPath(const PlaneOutlines& plane, std::size_t feature, double tolerance) {
    const LayerOutlines& outlines = *plane.outlines;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (std::size_t ring = outlines.featureStart[feature];
         ring < outlines.featureStart[feature + 1]; ++ring) {
        const std::size_t first = outlines.ringStart[ring];
        const std::size_t last = outlines.ringStart[ring + 1];
        if (last - first < 3) continue;
        QPolygonF polygon;
        for (std::size_t i = first; i < last; ++i)
            if (plane.ranks[i] > tolerance) polygon.append(plane.points[i]);
        // A ring smaller than the tolerance stays visible as a tiny square.
        const QRectF extent = polygon.boundingRect();
        if (polygon.size() < 4 && extent.width() < tolerance && extent.height() < tolerance) {
            const QPointF centre = plane.points[first];
            polygon = QPolygonF(QRectF(centre.x() - tolerance / 2, centre.y() - tolerance / 2,
                                       tolerance, tolerance));
        }
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    return path;
}

}  // namespace

std::vector<std::size_t> featuresOfUnit(const RunOutcome& outcome, const UnitOutcome& unit,
                                        const BoundaryLayer& layer) {
    std::vector<std::size_t> features;
    std::unordered_set<long> seen;
    for (std::size_t k = 0; k < unit.regionCount; ++k) {
        const long feature = featureOfCode(layer, outcome.regions[unit.firstRegion + k].code);
        if (feature >= 0 && seen.insert(feature).second)
            features.push_back(static_cast<std::size_t>(feature));
    }
    return features;
}

UnitMap buildUnitMap(const RunOutcome& outcome, const UnitOutcome& unit, const BoundaryLayer& layer,
                     const PlaneOutlines& plane, MapValue value, MapClassing classing) {
    UnitMap map;
    map.plane = &plane;
    map.value = value;
    map.valueName = mapValueName(outcome, value);
    const std::size_t features = layer.features.size();
    map.regionOfFeature.assign(features, -1);
    map.fillOfFeature.assign(features, QColor());

    std::vector<double> values;
    std::vector<long> featureOfRegion(unit.regionCount, -1);
    for (std::size_t k = 0; k < unit.regionCount; ++k) {
        const std::size_t region = unit.firstRegion + k;
        const double shown = mapValueOf(outcome.regions[region], value);
        values.push_back(shown);
        const long feature = featureOfCode(layer, outcome.regions[region].code);
        if (feature < 0) {
            ++map.legend.noBoundary;
            continue;
        }
        if (map.regionOfFeature[static_cast<std::size_t>(feature)] >= 0) {
            ++map.repeatedCodes;
            continue;
        }
        map.regionOfFeature[static_cast<std::size_t>(feature)] = static_cast<long>(region);
        featureOfRegion[k] = feature;
        map.unitFeatures.push_back(static_cast<std::size_t>(feature));
    }
    const std::size_t noBoundary = map.legend.noBoundary;
    map.legend = mapLegendFor(isProbabilityValue(value), classing, values);
    map.legend.noBoundary = noBoundary;
    for (std::size_t k = 0; k < unit.regionCount; ++k) {
        if (featureOfRegion[k] < 0) continue;
        const int mapClass = mapClassOf(map.legend, values[k]);
        QColor fill = NO_VALUE_COLOUR;
        if (mapClass < 0) {
            ++map.legend.noValue;
        } else {
            MapClass& counted = map.legend.classes[static_cast<std::size_t>(mapClass)];
            ++counted.count;
            fill = counted.colour;
        }
        map.fillOfFeature[static_cast<std::size_t>(featureOfRegion[k])] = fill;
    }
    map.unitBounds = boundsOf(plane, map.unitFeatures);
    return map;
}

const QPainterPath& MapPathCache::path(std::size_t feature, double unitsPerPixel) {
    const int level = static_cast<int>(std::floor(std::log2(std::max(unitsPerPixel, 1e-300))));
    std::vector<std::optional<QPainterPath>>& paths = levels_[level];
    if (paths.empty()) paths.resize(plane_->outlines->featureCount());
    if (!paths[feature]) paths[feature] = simplifiedPath(*plane_, feature, std::ldexp(1.0, level));
    return *paths[feature];
}

MapView fittedView(const QRectF& bounds, const QSizeF& area) {
    MapView view;
    if (bounds.isNull() && bounds.width() <= 0 && bounds.height() <= 0) {
        view.centre = bounds.center();
        return view;
    }
    view.centre = bounds.center();
    const double usable = 1.0 - 2.0 * VIEW_MARGIN;
    const double across = bounds.width() > 0 ? area.width() * usable / bounds.width() : INFINITY;
    const double up = bounds.height() > 0 ? area.height() * usable / bounds.height() : INFINITY;
    view.pixelsPerUnit = std::min(across, up);
    if (!std::isfinite(view.pixelsPerUnit) || view.pixelsPerUnit <= 0) view.pixelsPerUnit = 1.0;
    return view;
}

QTransform planeToArea(const MapView& view, const QRectF& area) {
    QTransform transform;
    transform.translate(area.center().x(), area.center().y());
    transform.scale(view.pixelsPerUnit, -view.pixelsPerUnit);
    transform.translate(-view.centre.x(), -view.centre.y());
    return transform;
}

void paintMapArea(QPainter& painter, const QRectF& area, const UnitMap& map, MapPathCache& cache,
                  const MapView& view, const std::vector<std::size_t>& marked, long hovered) {
    const PlaneOutlines& plane = *map.plane;
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QTransform transform = planeToArea(view, area);
    const QRectF visible = transform.inverted().mapRect(area);
    const double unitsPerPixel = 1.0 / view.pixelsPerUnit;
    // Qt's SVG writer keeps a cosmetic pen's width in the plane's units (a
    // ten-thousandth of a unit here), which other viewers draw as nothing:
    // for SVG the paths are mapped to the page and drawn without a transform.
    const bool svg =
        painter.paintEngine() != nullptr && painter.paintEngine()->type() == QPaintEngine::SVG;
    if (!svg) painter.setTransform(transform, true);
    const auto drawPath = [&](const QPainterPath& path) {
        painter.drawPath(svg ? transform.map(path) : path);
    };

    QPen context(CONTEXT_OUTLINE, 0.0);
    context.setCosmetic(true);
    painter.setPen(context);
    painter.setBrush(Qt::NoBrush);
    const std::size_t features = plane.featureBounds.size();
    for (std::size_t f = 0; f < features; ++f) {
        if (map.regionOfFeature[f] >= 0 || !plane.hasBounds[f]) continue;
        if (!plane.featureBounds[f].intersects(visible)) continue;
        drawPath(cache.path(f, unitsPerPixel));
    }
    QPen outline(REGION_OUTLINE, 0.5);
    outline.setCosmetic(true);
    painter.setPen(outline);
    for (std::size_t f : map.unitFeatures) {
        if (!plane.hasBounds[f] || !plane.featureBounds[f].intersects(visible)) continue;
        painter.setBrush(map.fillOfFeature[f]);
        drawPath(cache.path(f, unitsPerPixel));
    }
    painter.setBrush(Qt::NoBrush);
    QPen neighbour(MARKED_OUTLINE, 2.0);
    neighbour.setCosmetic(true);
    painter.setPen(neighbour);
    for (std::size_t f : marked)
        if (plane.hasBounds[f]) drawPath(cache.path(f, unitsPerPixel));
    if (hovered >= 0 && plane.hasBounds[static_cast<std::size_t>(hovered)]) {
        QPen pen(Qt::black, 2.5);
        pen.setCosmetic(true);
        painter.setPen(pen);
        drawPath(cache.path(static_cast<std::size_t>(hovered), unitsPerPixel));
    }
    painter.restore();
}

namespace {

struct LegendRow {
    QColor colour;
    Qt::BrushStyle style;
    QString text;
};

std::vector<LegendRow> legendRows(const UnitMap& map) {
    std::vector<LegendRow> rows;
    for (const MapClass& mapClass : map.legend.classes)
        rows.push_back({mapClass.colour, Qt::SolidPattern,
                        QStringLiteral("%1  (%2)").arg(mapClass.label).arg(mapClass.count)});
    rows.push_back({NO_VALUE_COLOUR, Qt::SolidPattern,
                    QStringLiteral("%1  (%2)")
                        .arg(QString::fromUtf8(NO_VALUE_LABEL))
                        .arg(map.legend.noValue)});
    rows.push_back({QColor(0x90, 0x90, 0x90), Qt::BDiagPattern,
                    QStringLiteral("%1  (%2)")
                        .arg(QString::fromUtf8(NO_BOUNDARY_LABEL))
                        .arg(map.legend.noBoundary)});
    return rows;
}

}  // namespace

double mapLegendWidth(const QFontMetricsF& metrics, const UnitMap& map) {
    const double line = metrics.height();
    double width = metrics.horizontalAdvance(map.valueName);
    for (const LegendRow& row : legendRows(map))
        width = std::max(width, line * 1.6 + metrics.horizontalAdvance(row.text));
    return width + line;
}

QSizeF paintMapLegend(QPainter& painter, const QPointF& at, const UnitMap& map) {
    painter.save();
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height() * 1.3;
    const double swatch = metrics.height() * 0.9;
    QPointF row = at;
    painter.setPen(Qt::black);
    painter.drawText(QRectF(row, QSizeF(1e4, line)), Qt::AlignLeft | Qt::AlignVCenter,
                     map.valueName);
    row.ry() += line;
    for (const LegendRow& entry : legendRows(map)) {
        const QRectF box(row.x(), row.y() + (line - swatch) / 2, swatch * 1.3, swatch);
        painter.setPen(QPen(REGION_OUTLINE, 0.0));
        painter.setBrush(Qt::white);
        painter.drawRect(box);
        painter.setBrush(QBrush(entry.colour, entry.style));
        painter.drawRect(box);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(row.x() + swatch * 1.6, row.y(), 1e4, line),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.text);
        row.ry() += line;
    }
    painter.restore();
    return {mapLegendWidth(metrics, map), row.y() - at.y()};
}

void paintMapPage(QPainter& painter, const QRectF& page, const UnitMap& map, MapPathCache& cache,
                  const MapView& view, const QSizeF& viewArea, const QString& title,
                  const QString& footer) {
    painter.fillRect(page, Qt::white);
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    QFont titleFont = painter.font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    painter.save();
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    const QRectF titleRect(page.left(), page.top(), page.width(), line * 2.0);
    painter.drawText(titleRect, Qt::AlignCenter, title);
    painter.restore();
    const QRectF footerRect(page.left() + line, page.bottom() - line * 1.6, page.width() - 2 * line,
                            line * 1.4);
    painter.setPen(Qt::darkGray);
    painter.drawText(footerRect, Qt::AlignLeft | Qt::AlignVCenter, footer);
    const double legendWidth = mapLegendWidth(metrics, map);
    const QRectF area(page.left() + line, titleRect.bottom(),
                      page.width() - legendWidth - 2.5 * line,
                      footerRect.top() - titleRect.bottom());
    // The page shows what the view's area showed, scaled to fit.
    MapView scaled = view;
    if (viewArea.width() > 0 && viewArea.height() > 0)
        scaled.pixelsPerUnit *=
            std::min(area.width() / viewArea.width(), area.height() / viewArea.height());
    paintMapArea(painter, area, map, cache, scaled);
    paintMapLegend(painter, QPointF(area.right() + line, area.top() + line), map);
}

long featureAt(const UnitMap& map, MapPathCache& cache, const MapView& view, const QRectF& area,
               const QPointF& pixel) {
    const QPointF point = planeToArea(view, area).inverted().map(pixel);
    const double unitsPerPixel = 1.0 / view.pixelsPerUnit;
    for (std::size_t f : map.unitFeatures) {
        if (!map.plane->hasBounds[f] || !map.plane->featureBounds[f].contains(point)) continue;
        if (cache.path(f, unitsPerPixel).contains(point)) return static_cast<long>(f);
    }
    return -1;
}

}  // namespace tolven

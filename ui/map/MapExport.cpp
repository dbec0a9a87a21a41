#include "ui/map/MapExport.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace tolven {

namespace {

constexpr double LAYOUT_DPI = PLOT_LAYOUT_DPI;

QSizeF layoutSize() {
    return {PLOT_PRINT_WIDTH_MM / MM_PER_INCH * LAYOUT_DPI,
            PLOT_PRINT_HEIGHT_MM / MM_PER_INCH * LAYOUT_DPI};
}

}  // namespace

QByteArray renderMapFile(PlotFileFormat format, const UnitMap& map, MapPathCache& cache,
                         const MapView& view, const QSizeF& viewArea, const QString& title,
                         const QString& footer) {
    const QSizeF layout = layoutSize();
    const QRectF page(QPointF(0, 0), layout);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
        case PlotFileFormat::Png: {
            const double scale = PLOT_PNG_DPI / LAYOUT_DPI;
            QImage image((layout * scale).toSize(), QImage::Format_RGB32);
            // Laid out at 96 units per inch (fonts sized as on screen), then
            // scaled; the file records the printing resolution.
            const auto dotsPerMetre = [](double dpi) {
                return static_cast<int>(std::lround(dpi / 0.0254));
            };
            image.setDotsPerMeterX(dotsPerMetre(LAYOUT_DPI));
            image.setDotsPerMeterY(dotsPerMetre(LAYOUT_DPI));
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                painter.scale(scale, scale);
                paintMapPage(painter, page, map, cache, view, viewArea, title, footer);
            }
            image.setDotsPerMeterX(dotsPerMetre(PLOT_PNG_DPI));
            image.setDotsPerMeterY(dotsPerMetre(PLOT_PNG_DPI));
            if (!image.save(&buffer, "PNG")) return {};
            break;
        }
        case PlotFileFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(layout.toSize());
            svg.setViewBox(page);
            svg.setResolution(static_cast<int>(LAYOUT_DPI));
            svg.setTitle(title);
            QPainter painter(&svg);
            paintMapPage(painter, page, map, cache, view, viewArea, title, footer);
            break;
        }
        case PlotFileFormat::Pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setPageSize(QPageSize(QSizeF(PLOT_PRINT_WIDTH_MM, PLOT_PRINT_HEIGHT_MM),
                                      QPageSize::Millimeter));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setResolution(static_cast<int>(LAYOUT_DPI));
            pdf.setTitle(title);
            QPainter painter(&pdf);
            paintMapPage(painter, page, map, cache, view, viewArea, title, footer);
            break;
        }
    }
    return bytes;
}

QString mapTitle(const RunOutcome& outcome, const UnitOutcome& unit, const UnitMap& map) {
    const QString name = outcome.wholeFile ? QStringLiteral("ファイル全体")
                                           : QStringLiteral("グループ %1").arg(unit.unitNumber);
    return QStringLiteral("地図 %1 \u2014 %2").arg(name, map.valueName);
}

QByteArray renderUnitMapFile(const RunOutcome& outcome, const UnitOutcome& unit,
                             const MapBoundaries& boundaries, MapValue value, MapClassing classing,
                             PlotFileFormat format, const QString& footer) {
    const PlaneOutlines plane =
        planeOutlines(boundaries.outlines, featuresOfUnit(outcome, unit, boundaries.layer));
    if (!plane.error.empty()) return {};
    const UnitMap map = buildUnitMap(outcome, unit, boundaries.layer, plane, value, classing);
    MapPathCache cache(plane);
    // The view a map area of the page's proportions opens with.
    const QSizeF area(600.0, 400.0);
    const MapView view = fittedView(map.unitBounds, area);
    return renderMapFile(format, map, cache, view, area, mapTitle(outcome, unit, map), footer);
}

}  // namespace tolven

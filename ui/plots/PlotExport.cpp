#include "ui/plots/PlotExport.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>

#include "run/output_file.h"
#include "ui/plots/PlotAreaClip.h"

namespace tolven {

namespace {

// The plot is laid out in units of 1/96 inch, the resolution at which Qt
// sizes fonts on screen, so a saved plot looks like the one on screen.
constexpr double LAYOUT_DPI = 96.0;
constexpr double MM_PER_INCH = 25.4;

int layoutUnits(double millimetres) {
    return static_cast<int>(std::lround(millimetres / MM_PER_INCH * LAYOUT_DPI));
}

QByteArray renderPng(QCustomPlot& plot, int width, int height) {
    QImage image = plot.toPixmap(width, height, PLOT_PNG_DPI / LAYOUT_DPI).toImage();
    const int dotsPerMetre = static_cast<int>(std::lround(PLOT_PNG_DPI / MM_PER_INCH * 1000.0));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes;
}

// Draws the plot as vectors on the device, its plot area cut to the axis
// rectangle in the data (SVG has no clipping of its own).
void drawVectors(QCustomPlot& plot, QPaintDevice& device, int width, int height) {
    const PlotAreaClip clip(plot, width, height);
    QCPPainter painter;
    if (!painter.begin(&device)) return;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, width, height);
    painter.end();
}

QByteArray renderSvg(QCustomPlot& plot, int width, int height) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(static_cast<int>(LAYOUT_DPI));
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("TOLVEN"));
    drawVectors(plot, svg, width, height);
    return bytes;
}

QByteArray renderPdf(QCustomPlot& plot, int width, int height) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("TOLVEN"));
        pdf.setResolution(static_cast<int>(LAYOUT_DPI));
        pdf.setPageLayout(QPageLayout(
            QPageSize(QSizeF(PLOT_PRINT_WIDTH_MM, PLOT_PRINT_HEIGHT_MM), QPageSize::Millimeter),
            QPageLayout::Portrait, QMarginsF()));
        drawVectors(plot, pdf, width, height);
    }  // the writer finishes the file when it goes
    return bytes;
}

}  // namespace

QSize plotLayoutSize() {
    return {layoutUnits(PLOT_PRINT_WIDTH_MM), layoutUnits(PLOT_PRINT_HEIGHT_MM)};
}

std::optional<PlotFileFormat> plotFileFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return PlotFileFormat::Png;
    if (suffix == QLatin1String("svg")) return PlotFileFormat::Svg;
    if (suffix == QLatin1String("pdf")) return PlotFileFormat::Pdf;
    return std::nullopt;
}

QByteArray renderPlot(QCustomPlot& plot, PlotFileFormat format) {
    const int width = layoutUnits(PLOT_PRINT_WIDTH_MM);
    const int height = layoutUnits(PLOT_PRINT_HEIGHT_MM);
    QByteArray bytes;
    switch (format) {
        case PlotFileFormat::Png:
            bytes = renderPng(plot, width, height);
            break;
        case PlotFileFormat::Svg:
            bytes = renderSvg(plot, width, height);
            break;
        case PlotFileFormat::Pdf:
            bytes = renderPdf(plot, width, height);
            break;
    }
    // Rendering lays the plot out at the printed size; lay it out for the
    // screen again.
    plot.replot();
    return bytes;
}

bool writeFileWhole(const QString& path, const QByteArray& bytes) {
    return writeWholeFile(QFile::encodeName(path).toStdString(),
                          std::string_view(bytes.constData(), bytes.size())) == 0;
}

}  // namespace tolven

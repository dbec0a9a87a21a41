#include "ui/plots/PlotExport.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>

#include "run/output_file.h"
#include "ui/platform/PathBytes.h"
#include "ui/platform/Platform.h"
#include "ui/plots/PlotAreaClip.h"

namespace tolven {

namespace {

constexpr double LAYOUT_DPI = PLOT_LAYOUT_DPI;

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
    return writeWholeFile(toPathBytes(path), std::string_view(bytes.constData(), bytes.size())) ==
           0;
}

std::optional<PlotFile> choosePlotFile(QWidget* parent, const QString& initialName) {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Save;
    request.filters =
        QStringList{QStringLiteral("PNG画像(*.png)"), QStringLiteral("SVG画像(*.svg)"),
                    QStringLiteral("PDFファイル(*.pdf)")};
    request.defaultSuffix = QStringLiteral("png");
    request.initialName = initialName;
    const std::optional<QString> path = platform().fileChooser->choose(parent, request);
    if (!path) return std::nullopt;
    const std::optional<PlotFileFormat> format = plotFileFormat(*path);
    if (!format) {
        platform().messageBoxes->showError(
            parent, QStringLiteral("ERROR!! : グラフファイル\n%1 に書き込めません\n"
                                   "拡張子は .png、.svg、.pdf のいずれかにしてください")
                        .arg(*path));
        return std::nullopt;
    }
    return PlotFile{*path, *format};
}

bool savePlotFile(QWidget* parent, const QString& path, const QByteArray& bytes) {
    if (!bytes.isEmpty() && writeFileWhole(path, bytes)) return true;
    platform().messageBoxes->showError(
        parent, QStringLiteral("ERROR!! : グラフファイル\n%1 に書き込めません").arg(path));
    return false;
}

}  // namespace tolven

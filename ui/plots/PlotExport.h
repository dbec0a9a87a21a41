#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

class QCustomPlot;

namespace tolven {

// Writing a plot to a file for a printed report.

enum class PlotFileFormat { Png, Svg, Pdf };

// The printed size of a saved plot, and the resolution of a PNG file.
inline constexpr double PLOT_PRINT_WIDTH_MM = 180.0;
inline constexpr double PLOT_PRINT_HEIGHT_MM = 120.0;
inline constexpr int PLOT_PNG_DPI = 300;

// The size at which a saved plot is laid out: the printed size in units of
// 1/96 inch, the resolution at which Qt sizes fonts on screen.
QSize plotLayoutSize();

// The format that the path's extension names (.png, .svg, .pdf, in any
// case), or nothing for any other extension.
std::optional<PlotFileFormat> plotFileFormat(const QString& path);

// The plot laid out at the printed size (fonts as on screen, at 96 units per
// inch) and rendered into the bytes of a file of `format`: PNG at
// PLOT_PNG_DPI with that resolution recorded in the file, SVG and PDF as
// vector drawings of the printed size. The plot on screen is unchanged.
QByteArray renderPlot(QCustomPlot& plot, PlotFileFormat format);

// Replaces or creates `path` with `bytes`, whole or not at all: the bytes go
// into a fresh file that takes the old one's place only once complete. A
// file the user may not write is refused, as opening it would be. False on
// any failure, with the old file (if any) untouched.
bool writeFileWhole(const QString& path, const QByteArray& bytes);

}  // namespace tolven

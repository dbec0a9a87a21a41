#pragma once

#include <QFileInfo>
#include <QString>
#include <optional>

namespace tolven {

// The files in which a plot or a map is saved for a printed report.

enum class PlotFileFormat { Png, Svg, Pdf };

// The printed size of a saved plot or map, and the resolution of a PNG file.
inline constexpr double PLOT_PRINT_WIDTH_MM = 180.0;
inline constexpr double PLOT_PRINT_HEIGHT_MM = 120.0;
inline constexpr int PLOT_PNG_DPI = 300;

// Both are laid out in units of 1/96 inch, the resolution at which Qt sizes
// fonts on screen, so that a saved one looks like the one on screen.
inline constexpr double PLOT_LAYOUT_DPI = 96.0;
inline constexpr double MM_PER_INCH = 25.4;

// The format that the path's extension names (.png, .svg, .pdf, in any
// case), or nothing for any other extension.
inline std::optional<PlotFileFormat> plotFileFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return PlotFileFormat::Png;
    if (suffix == QLatin1String("svg")) return PlotFileFormat::Svg;
    if (suffix == QLatin1String("pdf")) return PlotFileFormat::Pdf;
    return std::nullopt;
}

}  // namespace tolven

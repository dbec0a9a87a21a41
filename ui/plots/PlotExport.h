#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

#include "ui/plots/PlotFileFormat.h"

class QCustomPlot;
class QWidget;

namespace tolven {

// Writing a plot to a file for a printed report.

// The size at which a saved plot is laid out: the printed size in units of
// 1/96 inch, the resolution at which Qt sizes fonts on screen.
QSize plotLayoutSize();

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

// A file to save a plot or a map to, asked for through the platform's save
// chooser with `initialName` proposed. A name whose extension is none of
// .png, .svg and .pdf is refused with a message. Nothing when cancelled or
// refused.
struct PlotFile {
    QString path;
    PlotFileFormat format;
};
std::optional<PlotFile> choosePlotFile(QWidget* parent, const QString& initialName);

// Writes the bytes of a rendered plot or map whole to `path` (see
// writeFileWhole). Empty bytes (rendering failed) or a failed write are
// reported with a message, and give false.
bool savePlotFile(QWidget* parent, const QString& path, const QByteArray& bytes);

}  // namespace tolven

#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <optional>

#include "run/run_outcome.h"
#include "ui/map/MapBoundaries.h"
#include "ui/map/UnitMap.h"
#include "ui/plots/PlotFileFormat.h"

namespace tolven {

// A map page (paintMapPage) at the printed size of a plot, as the bytes of a
// file of `format`: PNG at PLOT_PNG_DPI, SVG and PDF as vector drawings. The page
// shows what `view` showed in an area of `viewArea` pixels.
QByteArray renderMapFile(PlotFileFormat format, const UnitMap& map, MapPathCache& cache,
                         const MapView& view, const QSizeF& viewArea, const QString& title,
                         const QString& footer);

// "地図 グループ 7" or "地図 ファイル全体", then the value's name.
QString mapTitle(const RunOutcome& outcome, const UnitOutcome& unit, const UnitMap& map);

// The whole unit's map as a file, drawn as the application draws it when it
// opens the unit: projected for the unit, the view on the unit's extent.
// Empty bytes when nothing could be drawn (the projection failed).
QByteArray renderUnitMapFile(const RunOutcome& outcome, const UnitOutcome& unit,
                             const MapBoundaries& boundaries, MapValue value, MapClassing classing,
                             PlotFileFormat format, const QString& footer);

}  // namespace tolven

#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <optional>

#include "run/run_outcome.h"
#include "ui/map/MapBoundaries.h"
#include "ui/map/UnitMap.h"

namespace tolven {

enum class MapFileFormat { Png, Svg, Pdf };

// The printed size of a saved map (as the plots'), its layout at 96 units
// per inch, and the resolution of a PNG file.
inline constexpr double MAP_PRINT_WIDTH_MM = 180.0;
inline constexpr double MAP_PRINT_HEIGHT_MM = 120.0;
inline constexpr int MAP_PNG_DPI = 300;

// The format the path's extension names (.png, .svg, .pdf, any case).
std::optional<MapFileFormat> mapFileFormat(const QString& path);

// A map page (paintMapPage) at the printed size, as the bytes of a file of
// `format`: PNG at MAP_PNG_DPI, SVG and PDF as vector drawings. The page
// shows what `view` showed in an area of `viewArea` pixels.
QByteArray renderMapFile(MapFileFormat format, const UnitMap& map, MapPathCache& cache,
                         const MapView& view, const QSizeF& viewArea, const QString& title,
                         const QString& footer);

// "地図 グループ 7" or "地図 ファイル全体", then the value's name.
QString mapTitle(const RunOutcome& outcome, const UnitOutcome& unit, const UnitMap& map);

// The whole unit's map as a file, drawn as the application draws it when it
// opens the unit: projected for the unit, the view on the unit's extent.
// Empty bytes when nothing could be drawn (the projection failed).
QByteArray renderUnitMapFile(const RunOutcome& outcome, const UnitOutcome& unit,
                             const MapBoundaries& boundaries, MapValue value, MapClassing classing,
                             MapFileFormat format, const QString& footer);

}  // namespace tolven

#pragma once

#include <QColor>
#include <QString>
#include <cstddef>
#include <vector>

namespace tolven {

// How a map's regions are put into coloured classes.
enum class MapClassing {
    Fixed,     // ratios: the seven classes of map_classes.h; probabilities: five fixed classes
    Quintiles  // ratios: five classes between the values' type-7 quintiles
};

// One class of the legend: the values v with lower <= v < upper (the last
// class of quintiles and of probabilities also holds its upper bound).
struct MapClass {
    double lower = 0.0;
    double upper = 0.0;
    QString label;
    QColor colour;
    std::size_t count = 0;  // regions in the class
};

// The legend of one map: its classes with their counts, and the two classes
// of regions drawn without a value's colour.
struct MapLegend {
    std::vector<MapClass> classes;
    bool closedLast = false;     // the last class holds its upper bound
    std::size_t noValue = 0;     // "値なし": "***", NaN or infinite
    std::size_t noBoundary = 0;  // "データなし": regions of the unit without a boundary
};

inline constexpr const char* NO_VALUE_LABEL = "値なし";
inline constexpr const char* NO_BOUNDARY_LABEL = "データなし";
// The fill of a region without a value, and the outline of a context feature.
inline const QColor NO_VALUE_COLOUR{0xbd, 0xbd, 0xbd};

// The classes (with zero counts) for `values` of a ratio (in percent) or a
// probability. Quintiles apply to ratios only; with no finite value they
// fall back to the fixed classes.
MapLegend mapLegendFor(bool probability, MapClassing classing, const std::vector<double>& values);

// The index of the class of `value` in `legend`, or -1 for a value that is
// not finite (値なし) or outside every class.
int mapClassOf(const MapLegend& legend, double value);

// The type-7 quantile (linear between order statistics, as R's default) of
// `sorted` (ascending, not empty) at probability p in [0, 1].
double quantileType7(const std::vector<double>& sorted, double p);

}  // namespace tolven

#include "ui/map/MapClasses.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geo/map_classes.h"

namespace tolven {

namespace {

// A sequential palette for probabilities, light (unlikely) to dark (likely).
constexpr std::array<const char*, 5> PROBABILITY_COLOURS{"#fef0d9", "#fdcc8a", "#fc8d59", "#e34a33",
                                                         "#b30000"};
constexpr std::array<double, 6> PROBABILITY_BOUNDS{0.0, 0.05, 0.2, 0.8, 0.95, 1.0};
constexpr std::array<const char*, 5> PROBABILITY_LABELS{
    "0\u2013<0.05", "0.05\u2013<0.2", "0.2\u2013<0.8", "0.8\u2013<0.95", "0.95\u20131"};
// Quintiles take five colours of the ratio palette, from both ends and the middle.
constexpr std::array<std::size_t, 5> QUINTILE_COLOURS{0, 1, 3, 5, 6};

QString boundText(double value) { return QString::number(value, 'f', 1); }

}  // namespace

double quantileType7(const std::vector<double>& sorted, double p) {
    const double h = (static_cast<double>(sorted.size()) - 1.0) * p;
    const auto low = static_cast<std::size_t>(std::floor(h));
    if (low + 1 >= sorted.size()) return sorted.back();
    return sorted[low] + (h - static_cast<double>(low)) * (sorted[low + 1] - sorted[low]);
}

MapLegend mapLegendFor(bool probability, MapClassing classing, const std::vector<double>& values) {
    MapLegend legend;
    if (probability) {
        legend.closedLast = true;
        for (std::size_t i = 0; i < PROBABILITY_COLOURS.size(); ++i) {
            legend.classes.push_back({PROBABILITY_BOUNDS[i], PROBABILITY_BOUNDS[i + 1],
                                      QString::fromUtf8(PROBABILITY_LABELS[i]),
                                      QColor(QLatin1String(PROBABILITY_COLOURS[i])), 0});
        }
        return legend;
    }
    std::vector<double> sorted;
    for (double value : values)
        if (std::isfinite(value)) sorted.push_back(value);
    if (classing == MapClassing::Quintiles && !sorted.empty()) {
        std::sort(sorted.begin(), sorted.end());
        legend.closedLast = true;
        for (std::size_t i = 0; i < QUINTILE_COLOURS.size(); ++i) {
            const double lower = quantileType7(sorted, static_cast<double>(i) / 5.0);
            const double upper = quantileType7(sorted, static_cast<double>(i + 1) / 5.0);
            const QString label =
                i + 1 < QUINTILE_COLOURS.size()
                    ? QStringLiteral("%1\u2013<%2").arg(boundText(lower), boundText(upper))
                    : QStringLiteral("%1\u2013%2").arg(boundText(lower), boundText(upper));
            legend.classes.push_back(
                {lower, upper, label,
                 QColor(QLatin1String(RATIO_CLASSES[QUINTILE_COLOURS[i]].colour)), 0});
        }
        return legend;
    }
    for (const RatioClass& ratioClass : RATIO_CLASSES) {
        legend.classes.push_back({ratioClass.lower, ratioClass.upper,
                                  QString::fromUtf8(ratioClass.label),
                                  QColor(QLatin1String(ratioClass.colour)), 0});
    }
    return legend;
}

int mapClassOf(const MapLegend& legend, double value) {
    if (!std::isfinite(value)) return -1;
    const std::size_t count = legend.classes.size();
    for (std::size_t i = 0; i < count; ++i) {
        const MapClass& mapClass = legend.classes[i];
        if (value < mapClass.lower) continue;
        if (value < mapClass.upper ||
            (legend.closedLast && i + 1 == count && value <= mapClass.upper))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace tolven

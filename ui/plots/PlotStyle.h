#pragma once

#include <QColor>
#include <cstddef>

namespace tolven {

// The colours and sizes that the three unit plots share. The colours are from
// the Okabe-Ito palette, told apart also by readers with a colour vision
// deficiency.

// The moment prior's points and lines, and the funnel's regions.
inline constexpr QColor ME_COLOUR{0x00, 0x72, 0xB2};  // blue
// The maximum-likelihood prior's points and lines, and the funnel's 99.8% limits.
inline constexpr QColor MLE_COLOUR{0xD5, 0x5E, 0x00};  // vermillion
// Regions whose exceedance probability reaches EXCEEDANCE_MARK.
inline constexpr QColor MARK_COLOUR{0xCC, 0x00, 0x66};  // crimson
// The funnel's 95% limits.
inline constexpr QColor INNER_LIMIT_COLOUR{0xE6, 0x9F, 0x00};  // orange
// Reference lines: 100% in the rank plot, no change in the shrinkage plot.
inline constexpr QColor REFERENCE_COLOUR{0xA0, 0xA0, 0xA4};  // grey
// The funnel's pooled ratio and the region codes written beside points.
inline constexpr QColor POOLED_COLOUR{0x00, 0x00, 0x00};
// Interval bars keep this much of their series' colour (of 255).
inline constexpr int INTERVAL_BAR_ALPHA = 170;
// The interval dots of many regions: the moment colour lightened by this
// percentage (QColor::lighter).
inline constexpr int INTERVAL_DOT_LIGHTNESS = 160;

// Line widths in pixels.
inline constexpr double LIMIT_LINE_WIDTH = 1.2;
inline constexpr double REFERENCE_LINE_WIDTH = 1.0;
inline constexpr double MARKER_PEN_WIDTH = 1.5;

// Point markers: their diameter in pixels, and that of the plain dots drawn
// for more than MANY_POINTS points, where markers of thousands of regions
// would merge into a blot.
inline constexpr double MARKER_SIZE = 7.0;
inline constexpr double DOT_SIZE = 3.0;
inline constexpr std::size_t MANY_POINTS = 500;

// Room around the points: a share of the value range on each side.
inline constexpr double RANGE_PADDING = 0.05;

// Region codes written beside points: the gap between point and text, in
// pixels, and the most codes a plot writes.
inline constexpr int LABEL_GAP = 5;
inline constexpr std::size_t FUNNEL_LABEL_COUNT = 8;
// The shrinkage plot names its most shrunk regions and its highest and lowest.
inline constexpr std::size_t SHRINKAGE_SHRUNK_LABELS = 3;

}  // namespace tolven

#pragma once

#include <QColor>
#include <QPen>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <vector>

#include "core/model/not_available.h"
#include "run/run_outcome.h"

class QCPGraph;
class QCustomPlot;

namespace tolven {

// The three plots of one unit of the last run, drawn with QCustomPlot. Each
// draw function clears the plot it is given, draws the unit and rescales the
// axes; the caller replots. Ratios are drawn in percent, as the result table
// prints them. A value the table prints as "***" (NOT_AVAILABLE), and a NaN or
// infinite one, is left out, and the plot says so in its notes.

// A graph of region points and, for each of its data points in the graph's
// own (key-sorted) order, the index of the region in RunOutcome::regions.
struct RegionSeries {
    QCPGraph* graph = nullptr;
    std::vector<std::size_t> regionOf;
};

// What a drawn plot leaves for the dialog: its region points for the
// tooltips, and the notes to show beside it (missing estimates and the like).
struct DrawnPlot {
    std::vector<RegionSeries> series;
    QStringList notes;
};

// Regions sorted by their EB ratio under the maximum-likelihood prior (the
// moment prior when the unit's fit failed), by rank, with the credible
// intervals as bars when the run wrote them and the regions whose exceedance
// probability is at least EXCEEDANCE_MARK in a colour of their own; a line at
// 100%. Region codes label the axis up to CODE_LABEL_LIMIT regions.
DrawnPlot drawRankPlot(QCustomPlot& plot, const RunOutcome& outcome, const UnitOutcome& unit);

// EB ratio against raw ratio under both priors, the line of no change and
// each prior's mean (beta / alpha) as a line in the prior's colour. Both axes
// share one range, so shrinkage shows as the flattening of the cloud. The
// highest, the lowest and the most shrunk regions are named.
DrawnPlot drawShrinkagePlot(QCustomPlot& plot, const RunOutcome& outcome, const UnitOutcome& unit);

// Raw ratio against expected count on a logarithmic axis, with the unit's
// pooled ratio (sum O / sum E) and its exact Poisson 95% and 99.8% control
// limits as steps (core/funnel_limits.h). The codes of the regions furthest
// outside the 95% limits (FUNNEL_LABEL_COUNT at most) are written where they
// fit without overlapping; ratios far above the funnel are drawn at the top
// edge as triangles, in a series of their own.
DrawnPlot drawFunnelPlot(QCustomPlot& plot, const RunOutcome& outcome, const UnitOutcome& unit);

inline constexpr double EXCEEDANCE_MARK = 0.95;
inline constexpr std::size_t CODE_LABEL_LIMIT = 40;

// Shared by the three plots (PlotFrame.cpp).

// A value the table prints as a number: finite and not NOT_AVAILABLE.
bool hasValue(double value);

// "ME+0" or "ME-0", as the result table labels the moment prior's column.
QString meLabel(const RunOutcome& outcome);

// "グループ 7" or, in whole-file mode, "ファイル全体".
QString unitName(const RunOutcome& outcome, const UnitOutcome& unit);

// The threshold in percent with the fewest digits ("100", "112.5").
QString thresholdText(const RunOutcome& outcome);

// Gives a fresh plot its frame once: a title row above the axes and the
// legend in a row of its own below them, so it never hides a point.
void preparePlotFrame(QCustomPlot& plot);

// Clears graphs, bars and items, resets both axes to linear with the
// standard tickers, and sets the title and axis labels.
void startPlot(QCustomPlot& plot, const QString& title, const QString& xLabel,
               const QString& yLabel);

// Point series styled for `count` points (smaller dots when there are many).
QCPGraph* addPointGraph(QCustomPlot& plot, const QString& name, const QColor& colour, int shape,
                        std::size_t count);

// A line through the given points, in the legend under `name`.
QCPGraph* addLineGraph(QCustomPlot& plot, const QString& name, const QPen& pen,
                       const QVector<double>& keys, const QVector<double>& values);

// Moves the legend entries of `graphs` to the legend's end, in that order.
void moveLegendEntriesToEnd(QCustomPlot& plot, std::initializer_list<QCPGraph*> graphs);

// Widens [low, high] by `fraction` of its width on both sides (or by a fixed
// amount when it is a single value), for breathing room around the points.
void padRange(double& low, double& high, double fraction);

// The region whose point lies within `radius` pixels of `pixel`, nearest
// first, over all series; nothing when none does.
std::optional<std::size_t> regionNear(const std::vector<RegionSeries>& series, const QPointF& pixel,
                                      double radius);

// The tooltip of a region: its code and the values of its table line.
QString regionToolTip(const RunOutcome& outcome, const RegionOutcome& region);

}  // namespace tolven

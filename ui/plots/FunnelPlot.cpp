// The funnel plot: raw ratio against expected count, with Poisson limits.
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/numerics/funnel_limits.h"
#include "ui/plots/PlotLabels.h"
#include "ui/plots/PlotStyle.h"
#include "ui/plots/UnitPlots.h"

namespace tolven {

namespace {

// The expected-count axis reaches this factor beyond the smallest and largest
// expected count, so no point sits on the frame.
constexpr double EXPECTED_MARGIN = 1.5;

// From this many regions on, the points are drawn beneath the lines, which
// they would otherwise hide.
constexpr std::size_t LINES_ON_TOP = 400;

// The ratio axis shows the funnel itself: at least up to REFERENCE_TOP percent
// and twice the pooled ratio, and the upper 95% limit where the funnel is
// narrowest. Points up to FAR_FACTOR times that height widen the axis; points
// beyond it (a region at 10,000%) would squash the funnel flat, so they are
// drawn at the top edge, in a row of their own at FAR_ROW times the highest
// other point, with a marker that says so. The axis ends at TOP_ROOM times it.
constexpr double REFERENCE_TOP = 100.0;
constexpr double FAR_FACTOR = 4.0;
constexpr double FAR_ROW = 1.06;
constexpr double TOP_ROOM = 1.12;
// A little room below 0 (a share of the height), so that points at 0 are not
// cut in half.
constexpr double BOTTOM_ROOM = 0.03;

// Tick marks of the logarithmic axis: 1, 2, 5 in each decade over a short
// range, 1 and 3 over a longer one, only the powers of ten over a long one.
constexpr double FEW_DECADES = 2.5;
constexpr double SOME_DECADES = 5.0;
// Over a long range, a tick near the left end is added unless the first power
// of ten lies within this factor of it.
constexpr double LEFT_TICK_REACH = 3.0;

QVector<double> percentOf(const std::vector<double>& ratios) {
    QVector<double> values;
    values.reserve(static_cast<qsizetype>(ratios.size()));
    for (const double ratio : ratios) values.push_back(ratio * 100.0);
    return values;
}

QCPGraph* addLimit(QCustomPlot& plot, const QString& name, const QPen& pen,
                   const QVector<double>& expected, const std::vector<double>& ratios) {
    QCPGraph* graph = addLineGraph(plot, name, pen, expected, percentOf(ratios));
    graph->setLineStyle(QCPGraph::lsStepLeft);
    return graph;
}

// An expected count as a tick label: whole numbers without decimals, small
// ones with as many decimals as their first digit needs.
QString tickText(double value) {
    if (value >= 1.0) return QString::number(value, 'f', 0);
    const int decimals = static_cast<int>(std::ceil(-std::log10(value) - 1e-9));
    return QString::number(value, 'f', std::max(decimals, 1));
}

// Ticks of the expected-count axis over [low, high], with a label near its
// left end: the standard logarithmic ticker labels only powers of ten, which
// can leave most of a short axis bare.
QSharedPointer<QCPAxisTickerText> expectedTicker(double low, double high) {
    const double decades = std::log10(high / low);
    std::vector<double> steps{1.0};
    if (decades <= FEW_DECADES)
        steps = {1.0, 2.0, 5.0};
    else if (decades <= SOME_DECADES)
        steps = {1.0, 3.0};
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    ticker->setSubTickCount(0);
    const int first = static_cast<int>(std::floor(std::log10(low)));
    const int last = static_cast<int>(std::ceil(std::log10(high)));
    bool leftLabelled = false;
    for (int power = first; power <= last; ++power)
        for (const double step : steps) {
            const double tick = step * std::pow(10.0, power);
            if (tick < low || tick > high) continue;
            if (!leftLabelled && tick > low * LEFT_TICK_REACH) {
                // The nearest 1, 2 or 5 above the left end stands in.
                for (const double near : {1.0, 2.0, 5.0, 10.0}) {
                    const double value = near * std::pow(10.0, first);
                    if (value >= low && value < tick / 2.0) {
                        ticker->addTick(value, tickText(value));
                        break;
                    }
                }
            }
            leftLabelled = true;
            ticker->addTick(tick, tickText(tick));
        }
    return ticker;
}

}  // namespace

DrawnPlot drawFunnelPlot(QCustomPlot& plot, const RunOutcome& outcome, const UnitOutcome& unit) {
    DrawnPlot drawn;
    startPlot(plot,
              QStringLiteral("%1：ファンネルプロット（%2 地域）")
                  .arg(unitName(outcome, unit))
                  .arg(unit.regionCount),
              QStringLiteral("期待数（対数目盛）"), QStringLiteral("比（観測数÷期待数） (%)"));

    // Only a positive expected count has a place on the logarithmic axis.
    // (expected count, region), in ascending expected count, ties in file order.
    std::vector<std::pair<double, std::size_t>> byExpected;
    byExpected.reserve(unit.regionCount);
    double observedSum = 0.0, expectedSum = 0.0;
    for (std::size_t i = unit.firstRegion; i < unit.firstRegion + unit.regionCount; ++i) {
        const RegionOutcome& region = outcome.regions[i];
        if (!(std::isfinite(region.expected) && region.expected > 0.0) || !hasValue(region.ratio))
            continue;
        byExpected.emplace_back(region.expected, i);
        observedSum += region.observed;
        expectedSum += region.expected;
    }
    std::sort(byExpected.begin(), byExpected.end());

    plot.xAxis->setScaleType(QCPAxis::stLogarithmic);

    if (byExpected.size() < unit.regionCount)
        drawn.notes << QStringLiteral(
                           "期待数が0以下の %1 地域は対数目盛に描けないため省いています。")
                           .arg(unit.regionCount - byExpected.size());
    if (byExpected.empty()) {
        plot.xAxis->setTicker(expectedTicker(0.1, 10.0));
        plot.xAxis->setRange(0.1, 10.0);
        plot.yAxis->setRange(0.0, 200.0);
        return drawn;
    }

    const double pooled = observedSum / expectedSum;
    const double lowE = byExpected.front().first / EXPECTED_MARGIN;
    const double highE = byExpected.back().first * EXPECTED_MARGIN;

    // The height that shows the funnel, and the points far above it.
    const double narrowest =
        poissonRatioLimit(pooled, byExpected.back().first, (1.0 + FUNNEL_INNER_COVERAGE) / 2.0) *
        100.0;
    double reference = std::max(REFERENCE_TOP, pooled * 200.0);
    if (std::isfinite(narrowest)) reference = std::max(reference, narrowest);
    const double farAbove = reference * FAR_FACTOR;
    double highest = reference;
    for (const auto& [expected, index] : byExpected) {
        const double value = outcome.regions[index].ratio * 100.0;
        if (value <= farAbove) highest = std::max(highest, value);
    }
    const double farRow = highest * FAR_ROW;

    RegionSeries near, far;
    QVector<double> nearKeys, nearValues, farKeys, farValues;
    nearKeys.reserve(static_cast<qsizetype>(byExpected.size()));
    nearValues.reserve(nearKeys.capacity());
    std::vector<double> drawnValue(byExpected.size());
    for (std::size_t i = 0; i < byExpected.size(); ++i) {
        const auto& [expected, index] = byExpected[i];
        const double value = outcome.regions[index].ratio * 100.0;
        const bool isFar = value > farAbove;
        drawnValue[i] = isFar ? farRow : value;
        (isFar ? farKeys : nearKeys).push_back(expected);
        (isFar ? farValues : nearValues).push_back(drawnValue[i]);
        (isFar ? far : near).regionOf.push_back(index);
    }

    const FunnelLimits limits = computeFunnelLimits(pooled, lowE, highE);
    const QVector<double> grid(limits.expected.begin(), limits.expected.end());
    const QPen outerPen(MLE_COLOUR, LIMIT_LINE_WIDTH);
    const QPen innerPen(INNER_LIMIT_COLOUR, LIMIT_LINE_WIDTH, Qt::DashLine);
    // One legend entry per pair of limits.
    QCPGraph* outer =
        addLimit(plot, QStringLiteral("99.8%管理限界"), outerPen, grid, limits.upperOuter);
    addLimit(plot, QString(), outerPen, grid, limits.lowerOuter)->removeFromLegend();
    QCPGraph* inner =
        addLimit(plot, QStringLiteral("95%管理限界"), innerPen, grid, limits.upperInner);
    addLimit(plot, QString(), innerPen, grid, limits.lowerInner)->removeFromLegend();
    QCPGraph* pooledLine = addLineGraph(
        plot, QStringLiteral("全体の比（ΣO÷ΣE） %1%").arg(QString::number(pooled * 100.0, 'f', 1)),
        QPen(POOLED_COLOUR, REFERENCE_LINE_WIDTH), {lowE, highE}, {pooled * 100.0, pooled * 100.0});

    if (!nearKeys.isEmpty()) {
        near.graph = addPointGraph(plot, QStringLiteral("地域"), ME_COLOUR,
                                   QCPScatterStyle::ssCircle, byExpected.size());
        near.graph->setData(nearKeys, nearValues, true);
        drawn.series.push_back(near);
    }
    if (!farKeys.isEmpty()) {
        far.graph = addPointGraph(
            plot,
            QStringLiteral("%1%を超える地域（上端に表示）").arg(QString::number(farAbove, 'f', 0)),
            ME_COLOUR, QCPScatterStyle::ssTriangle, byExpected.size());
        far.graph->setData(farKeys, farValues, true);
        drawn.series.push_back(far);
    }
    // Many points would hide the limits: then the lines go on top.
    for (const RegionSeries& series : {near, far})
        if (series.graph != nullptr && byExpected.size() > LINES_ON_TOP)
            series.graph->setLayer(QStringLiteral("grid"));
    // The legend reads from the points outwards; the points are drawn last,
    // on top of the lines.
    moveLegendEntriesToEnd(plot, {pooledLine, inner, outer});

    // The regions outside the 95% limits, the furthest out first, get their
    // codes written beside them, as many as can be read; the pointer shows
    // the others.
    std::vector<std::pair<double, std::size_t>> outside;  // (deviation, position)
    for (std::size_t i = 0; i < byExpected.size(); ++i) {
        const RegionOutcome& region = outcome.regions[byExpected[i].second];
        const double observed = static_cast<double>(region.observed);
        if (funnelSide(pooled, region.expected, observed) == FunnelSide::Inside) continue;
        outside.emplace_back(funnelDeviation(pooled, region.expected, observed), i);
    }
    std::stable_sort(outside.begin(), outside.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<LabelWish> wishes;
    for (std::size_t i = 0; i < outside.size() && i < FUNNEL_LABEL_COUNT; ++i) {
        const std::size_t at = outside[i].second;
        wishes.push_back({byExpected[at].first, drawnValue[at],
                          QString::fromStdString(outcome.regions[byExpected[at].second].code)});
    }
    if (!wishes.empty()) new RegionLabels(plot, std::move(wishes));
    if (outside.size() > FUNNEL_LABEL_COUNT)
        drawn.notes << QStringLiteral(
                           "95%管理限界の外の %1 地域のうち、外れの大きいものにだけコードを"
                           "付けています（ほかはポインタで表示）。")
                           .arg(outside.size());
    if (!farKeys.isEmpty())
        drawn.notes << QStringLiteral("比が %1% を超える %2 地域は上端に▲で描いています。")
                           .arg(QString::number(farAbove, 'f', 0))
                           .arg(farKeys.size());

    plot.xAxis->setTicker(expectedTicker(lowE, highE));
    plot.xAxis->setRange(lowE, highE);
    // Limits beyond the top at tiny expected counts are cut off rather than
    // squeezing the points flat.
    const double top = highest * TOP_ROOM;
    plot.yAxis->setRange(-top * BOTTOM_ROOM, top);
    return drawn;
}

}  // namespace tolven

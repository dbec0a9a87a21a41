// The funnel plot: raw ratio against expected count, with Poisson limits.
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/funnel_limits.h"
#include "ui/UnitPlots.h"

namespace tolven {

namespace {

// The expected-count axis reaches this factor beyond the smallest and largest
// expected count, so no point sits on the frame.
constexpr double EXPECTED_MARGIN = 1.5;

// From this many regions on, the points are drawn beneath the lines, which
// they would otherwise hide.
constexpr std::size_t LINES_ON_TOP = 400;

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
    auto logTicker = QSharedPointer<QCPAxisTickerLog>::create();
    plot.xAxis->setTicker(logTicker);

    if (byExpected.size() < unit.regionCount)
        drawn.notes << QStringLiteral(
                           "期待数が0以下の %1 地域は対数目盛に描けないため省いています。")
                           .arg(unit.regionCount - byExpected.size());
    if (byExpected.empty()) {
        plot.xAxis->setRange(0.1, 10.0);
        plot.yAxis->setRange(0.0, 200.0);
        return drawn;
    }

    RegionSeries series;
    QVector<double> keys, values;
    keys.reserve(static_cast<qsizetype>(byExpected.size()));
    values.reserve(keys.capacity());
    series.regionOf.reserve(byExpected.size());
    double highest = 0.0;
    for (const auto& [expected, index] : byExpected) {
        keys.push_back(expected);
        values.push_back(outcome.regions[index].ratio * 100.0);
        highest = std::max(highest, values.back());
        series.regionOf.push_back(index);
    }

    const double pooled = observedSum / expectedSum;
    const double lowE = keys.front() / EXPECTED_MARGIN;
    const double highE = keys.back() * EXPECTED_MARGIN;
    const FunnelLimits limits = computeFunnelLimits(pooled, lowE, highE);
    const QVector<double> grid(limits.expected.begin(), limits.expected.end());
    // One legend entry per pair of limits.
    QCPGraph* outer = addLimit(plot, QStringLiteral("99.8%管理限界"), QPen(mleColour(), 1.2), grid,
                               limits.upperOuter);
    addLimit(plot, QString(), QPen(mleColour(), 1.2), grid, limits.lowerOuter)->removeFromLegend();
    QCPGraph* inner =
        addLimit(plot, QStringLiteral("95%管理限界"),
                 QPen(QColor(0xE6, 0x9F, 0x00), 1.2, Qt::DashLine), grid, limits.upperInner);
    addLimit(plot, QString(), QPen(QColor(0xE6, 0x9F, 0x00), 1.2, Qt::DashLine), grid,
             limits.lowerInner)
        ->removeFromLegend();
    QCPGraph* pooledLine = addLineGraph(
        plot, QStringLiteral("全体の比（ΣO÷ΣE） %1%").arg(QString::number(pooled * 100.0, 'f', 1)),
        QPen(Qt::black, 1), {lowE, highE}, {pooled * 100.0, pooled * 100.0});

    series.graph = addPointGraph(plot, QStringLiteral("地域"), meColour(),
                                 QCPScatterStyle::ssCircle, byExpected.size());
    series.graph->setData(keys, values, true);
    drawn.series.push_back(series);
    // Many points would hide the limits: then the lines go on top.
    if (byExpected.size() > LINES_ON_TOP) series.graph->setLayer(QStringLiteral("grid"));
    // The legend reads from the points outwards; the points are drawn last,
    // on top of the lines.
    moveLegendEntriesToEnd(plot, {pooledLine, inner, outer});

    // With few regions, those outside the 95% limits are named on the plot.
    if (byExpected.size() <= CODE_LABEL_LIMIT) {
        for (const auto& [expected, index] : byExpected) {
            const RegionOutcome& region = outcome.regions[index];
            const double coverage = FUNNEL_INNER_COVERAGE;
            const double lowerCount =
                std::round(poissonRatioLimit(pooled, region.expected, (1.0 - coverage) / 2.0) *
                           region.expected);
            const double upperCount =
                std::round(poissonRatioLimit(pooled, region.expected, (1.0 + coverage) / 2.0) *
                           region.expected);
            if (!(region.observed < lowerCount || region.observed > upperCount)) continue;
            auto* label = new QCPItemText(&plot);
            label->position->setCoords(region.expected, region.ratio * 100.0);
            label->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
            label->setPadding(QMargins(5, 0, 0, 2));
            label->setText(QString::fromStdString(region.code));
            label->setFont(plot.font());
        }
    }

    plot.xAxis->setRange(lowE, highE);
    // The points decide the height, with room for the upper 95% limit where
    // the funnel is narrowest among them; limits beyond it at tiny expected
    // counts are cut off rather than squeezing the points flat.
    const double narrowest =
        poissonRatioLimit(pooled, keys.back(), (1.0 + FUNNEL_INNER_COVERAGE) / 2.0) * 100.0;
    double top = std::max({highest, pooled * 200.0, 100.0});
    if (std::isfinite(narrowest)) top = std::max(top, narrowest);
    top *= 1.1;
    // A little room below 0, so that points at 0 are not cut in half.
    plot.yAxis->setRange(-top * 0.03, top);
    return drawn;
}

}  // namespace tolven

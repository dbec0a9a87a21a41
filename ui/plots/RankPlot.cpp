// The caterpillar plot: a unit's regions ranked by their EB ratio.
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/model/not_available.h"
#include "ui/plots/PlotStyle.h"
#include "ui/plots/UnitPlots.h"

namespace tolven {

namespace {

// Above this many regions the intervals are drawn as two clouds of dots (the
// lower and the upper bounds) rather than as bars: bars that close merge into
// a band that hides the points, and a million of them take seconds to draw.
constexpr std::size_t INTERVAL_BAR_LIMIT = 200;

// Above this many regions the bars have no whiskers: they would touch.
constexpr std::size_t WHISKER_LIMIT = 60;
constexpr double WHISKER_WIDTH = 5.0;

// Above this many regions the codes under the axis stand upright.
constexpr std::size_t UPRIGHT_CODES = 12;

// Room beside the first and the last rank, in ranks: half a rank, and a
// share of the count, so that the outermost markers stay off the frame
// however many regions share the width.
constexpr double RANK_MARGIN = 0.5;
constexpr double RANK_MARGIN_SHARE = 0.01;

struct RankedRegion {
    double estimate;     // percent
    std::size_t region;  // index into RunOutcome::regions
};

// Adds one series of ranked regions, with its interval bars when there are
// intervals. Returns the series for the tooltips.
RegionSeries addRanked(QCustomPlot& plot, const RunOutcome& outcome,
                       const std::vector<RankedRegion>& ranked, const std::vector<double>& ranks,
                       bool useMLE, bool marked, const QString& name, const QColor& colour,
                       const QString& intervalName, bool& intervalListed) {
    RegionSeries series;
    const bool withBars = outcome.posteriorOutput && ranked.size() <= INTERVAL_BAR_LIMIT;
    QVector<double> keys, values, minus, plus;
    keys.reserve(static_cast<qsizetype>(ranked.size()));
    values.reserve(static_cast<qsizetype>(ranked.size()));
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        const RegionOutcome& region = outcome.regions[ranked[i].region];
        const double exceedance = useMLE ? region.exceedanceMLE : region.exceedanceME;
        if (marked != (outcome.posteriorOutput && exceedance >= EXCEEDANCE_MARK)) continue;
        keys.push_back(ranks[i]);
        values.push_back(ranked[i].estimate);
        series.regionOf.push_back(ranked[i].region);
        if (withBars) {
            const double lower = (useMLE ? region.lowerMLE : region.lowerME) * 100.0;
            const double upper = (useMLE ? region.upperMLE : region.upperME) * 100.0;
            // A missing interval draws no bar rather than a bar to nowhere.
            const bool known = std::isfinite(lower) && std::isfinite(upper);
            minus.push_back(known ? std::max(ranked[i].estimate - lower, 0.0) : 0.0);
            plus.push_back(known ? std::max(upper - ranked[i].estimate, 0.0) : 0.0);
        }
    }
    if (keys.isEmpty()) return series;

    series.graph = addPointGraph(plot, name, colour,
                                 marked ? QCPScatterStyle::ssDiamond : QCPScatterStyle::ssCircle,
                                 ranked.size());
    series.graph->setData(keys, values, true);
    if (withBars) {
        auto* bars = new QCPErrorBars(plot.xAxis, plot.yAxis);
        bars->setName(intervalName);
        bars->setDataPlottable(series.graph);
        bars->setData(minus, plus);
        QColor barColour = colour;
        barColour.setAlpha(INTERVAL_BAR_ALPHA);
        bars->setPen(QPen(barColour, 1));
        bars->setWhiskerWidth(ranked.size() > WHISKER_LIMIT ? 0.0 : WHISKER_WIDTH);
        // The bars of both series share one legend entry.
        if (intervalListed) bars->removeFromLegend();
        intervalListed = true;
        // Drawn beneath the points.
        bars->setLayer(QStringLiteral("grid"));
    }
    return series;
}

// The intervals of many regions: their lower and upper bounds as dots, one
// legend entry for both.
void addIntervalDots(QCustomPlot& plot, const RunOutcome& outcome,
                     const std::vector<RankedRegion>& ranked, const std::vector<double>& ranks,
                     bool useMLE, const QString& name) {
    QVector<double> keys, lower, upper;
    keys.reserve(static_cast<qsizetype>(ranked.size()));
    lower.reserve(keys.capacity());
    upper.reserve(keys.capacity());
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        const RegionOutcome& region = outcome.regions[ranked[i].region];
        keys.push_back(ranks[i]);
        // NaN leaves a gap: a missing bound is not drawn.
        lower.push_back((useMLE ? region.lowerMLE : region.lowerME) * 100.0);
        upper.push_back((useMLE ? region.upperMLE : region.upperME) * 100.0);
    }
    const QColor colour = ME_COLOUR.lighter(INTERVAL_DOT_LIGHTNESS);
    for (const QVector<double>* bound : {&lower, &upper}) {
        QCPGraph* graph = plot.addGraph();
        graph->setName(name);
        graph->setLineStyle(QCPGraph::lsNone);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, DOT_SIZE - 1.0));
        graph->setData(keys, *bound, true);
        graph->setLayer(QStringLiteral("grid"));
        if (bound == &upper) graph->removeFromLegend();
    }
}

}  // namespace

DrawnPlot drawRankPlot(QCustomPlot& plot, const RunOutcome& outcome, const UnitOutcome& unit) {
    DrawnPlot drawn;
    // The maximum-likelihood prior ranks the regions; where the fit failed
    // the moment prior stands in, and the note says so.
    const bool useMLE = hasValue(unit.mleAlpha);
    const QString prior = useMLE ? QStringLiteral("MLE") : meLabel(outcome);

    std::vector<RankedRegion> ranked;
    ranked.reserve(unit.regionCount);
    for (std::size_t i = unit.firstRegion; i < unit.firstRegion + unit.regionCount; ++i) {
        const RegionOutcome& region = outcome.regions[i];
        const double estimate = useMLE ? region.ebRatioMLE : region.ebRatioME;
        if (hasValue(estimate)) ranked.push_back({estimate * 100.0, i});
    }
    // Ties keep the file order.
    std::sort(ranked.begin(), ranked.end(), [](const RankedRegion& a, const RankedRegion& b) {
        return a.estimate < b.estimate || (a.estimate == b.estimate && a.region < b.region);
    });
    std::vector<double> ranks(ranked.size());
    std::iota(ranks.begin(), ranks.end(), 1.0);

    const bool codes = !ranked.empty() && ranked.size() <= CODE_LABEL_LIMIT;
    startPlot(
        plot,
        QStringLiteral("%1：EB比の順位（%2 地域）")
            .arg(unitName(outcome, unit))
            .arg(unit.regionCount),
        codes ? QStringLiteral("地域（EB比の小さい順）") : QStringLiteral("順位（EB比の小さい順）"),
        QStringLiteral("EB比(%1) (%)").arg(prior));

    const QString level = QString::number(outcome.intervalLevel, 'g', 15);
    const QString intervalName = QStringLiteral("%1%信用区間").arg(level);
    bool intervalListed = false;
    if (outcome.posteriorOutput && ranked.size() > INTERVAL_BAR_LIMIT) {
        addIntervalDots(plot, outcome, ranked, ranks, useMLE,
                        intervalName + QStringLiteral("（下限・上限）"));
        intervalListed = true;
    }
    const RegionSeries plain =
        addRanked(plot, outcome, ranked, ranks, useMLE, false,
                  QStringLiteral("EB比(%1)").arg(prior), ME_COLOUR, intervalName, intervalListed);
    // The legend names the prior whose exceedance probability marks the
    // regions, as the table's column does.
    const RegionSeries marked = addRanked(
        plot, outcome, ranked, ranks, useMLE, true,
        QStringLiteral("P(>%1%)(%2) ≥ %3").arg(thresholdText(outcome), prior).arg(EXCEEDANCE_MARK),
        MARK_COLOUR, intervalName, intervalListed);
    for (const RegionSeries& series : {plain, marked})
        if (series.graph != nullptr) drawn.series.push_back(series);

    const double lastRank = std::max<double>(static_cast<double>(ranked.size()), 1.0);
    const double margin = RANK_MARGIN + RANK_MARGIN_SHARE * lastRank;
    QCPGraph* hundred = addLineGraph(plot, QStringLiteral("100%"),
                                     QPen(REFERENCE_COLOUR, REFERENCE_LINE_WIDTH, Qt::DashLine),
                                     {1.0 - margin, lastRank + margin}, {100.0, 100.0});

    if (codes) {
        auto ticker = QSharedPointer<QCPAxisTickerText>::create();
        for (std::size_t i = 0; i < ranked.size(); ++i)
            ticker->addTick(ranks[i],
                            QString::fromStdString(outcome.regions[ranked[i].region].code));
        plot.xAxis->setTicker(ticker);
        plot.xAxis->setTickLabelRotation(ranked.size() > UPRIGHT_CODES ? 90 : 0);
    } else {
        // Ranks are whole numbers.
        auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
        ticker->setTickStep(1.0);
        ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
        plot.xAxis->setTicker(ticker);
    }

    plot.rescaleAxes();
    plot.xAxis->setRange(1.0 - margin, lastRank + margin);
    double low = plot.yAxis->range().lower, high = plot.yAxis->range().upper;
    padRange(low, high, RANGE_PADDING);
    if (ranked.empty()) {  // nothing but the line at 100%
        low = 0.0;
        high = 200.0;
    }
    plot.yAxis->setRange(std::min(low, 95.0), std::max(high, 105.0));
    moveLegendEntriesToEnd(plot, {hundred});

    if (ranked.empty())
        drawn.notes << QStringLiteral("このグループにはEB比がありません（表では***）。");
    else if (ranked.size() < unit.regionCount)
        drawn.notes << QStringLiteral("EB比(%1)のない %2 地域は描いていません（表では***）。")
                           .arg(prior)
                           .arg(unit.regionCount - ranked.size());
    if (!useMLE && !ranked.empty())
        drawn.notes << QStringLiteral(
                           "最尤推定が収束しなかったため、%1のEB比で順位を付けています。")
                           .arg(prior);
    if (!outcome.posteriorOutput && !ranked.empty())
        drawn.notes << QStringLiteral(
            "信用区間と超過確率は、「拡張設定」で事後区間の出力をオンにして実行すると描かれます。");
    return drawn;
}

}  // namespace tolven

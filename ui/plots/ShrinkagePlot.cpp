// The shrinkage plot: each region's EB ratio against its raw ratio.
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "ui/plots/PlotLabels.h"
#include "ui/plots/PlotStyle.h"
#include "ui/plots/UnitPlots.h"

namespace tolven {

namespace {

// One prior's points, over the regions in ascending raw ratio; the region's
// estimate is read by `estimateOf`. Extends [low, high] by every value drawn.
template <typename Estimate>
RegionSeries addPrior(QCustomPlot& plot, const RunOutcome& outcome,
                      const std::vector<std::pair<double, std::size_t>>& byRatio,
                      Estimate estimateOf, const QString& name, const QColor& colour, int shape,
                      double& low, double& high) {
    RegionSeries series;
    QVector<double> keys, values;
    keys.reserve(static_cast<qsizetype>(byRatio.size()));
    values.reserve(keys.capacity());
    series.regionOf.reserve(byRatio.size());
    for (const auto& [ratio, index] : byRatio) {
        const double estimate = estimateOf(outcome.regions[index]);
        if (!hasValue(estimate)) continue;
        keys.push_back(ratio);
        values.push_back(estimate * 100.0);
        series.regionOf.push_back(index);
        low = std::min(low, values.back());
        high = std::max(high, values.back());
    }
    if (keys.isEmpty()) return series;
    series.graph = addPointGraph(plot, name, colour, shape, byRatio.size());
    series.graph->setData(keys, values, true);
    return series;
}

// The codes worth writing beside the points of `series` (the prior that ranks
// the regions): the highest and the lowest EB ratio first, then the regions
// that the smoothing moved furthest, most moved first, each region once.
std::vector<LabelWish> shrinkageLabels(const RunOutcome& outcome, const QCPGraph& graph,
                                       const RegionSeries& series) {
    std::vector<LabelWish> wishes;
    const auto data = graph.data();
    const auto count = static_cast<std::size_t>(data->size());
    if (count == 0) return wishes;
    std::vector<std::size_t> order;
    std::size_t highest = 0, lowest = 0;
    for (std::size_t i = 1; i < count; ++i) {
        const double value = data->at(static_cast<int>(i))->value;
        if (value > data->at(static_cast<int>(highest))->value) highest = i;
        if (value < data->at(static_cast<int>(lowest))->value) lowest = i;
    }
    order.push_back(highest);
    order.push_back(lowest);
    std::vector<std::size_t> byShrinkage(count);
    for (std::size_t i = 0; i < count; ++i) byShrinkage[i] = i;
    const auto moved = [&](std::size_t i) {
        const auto point = data->at(static_cast<int>(i));
        return std::abs(point->value - point->key);
    };
    const std::size_t shrunk = std::min(SHRINKAGE_SHRUNK_LABELS, count);
    std::partial_sort(byShrinkage.begin(), byShrinkage.begin() + static_cast<long>(shrunk),
                      byShrinkage.end(), [&](std::size_t a, std::size_t b) {
                          return moved(a) > moved(b) || (moved(a) == moved(b) && a < b);
                      });
    order.insert(order.end(), byShrinkage.begin(), byShrinkage.begin() + static_cast<long>(shrunk));
    std::vector<std::size_t> seen;
    for (const std::size_t i : order) {
        if (std::find(seen.begin(), seen.end(), i) != seen.end()) continue;
        seen.push_back(i);
        const auto point = data->at(static_cast<int>(i));
        wishes.push_back({point->key, point->value,
                          QString::fromStdString(outcome.regions[series.regionOf[i]].code)});
    }
    return wishes;
}

}  // namespace

DrawnPlot drawShrinkagePlot(QCustomPlot& plot, const RunOutcome& outcome, const UnitOutcome& unit) {
    DrawnPlot drawn;
    const QString me = meLabel(outcome);
    startPlot(plot,
              QStringLiteral("%1：比とEB比（%2 地域）")
                  .arg(unitName(outcome, unit))
                  .arg(unit.regionCount),
              QStringLiteral("比（観測数÷期待数） (%)"), QStringLiteral("EB比 (%)"));

    // Regions whose raw ratio is a number: (ratio in percent, region), in
    // ascending ratio, ties in file order.
    std::vector<std::pair<double, std::size_t>> byRatio;
    byRatio.reserve(unit.regionCount);
    for (std::size_t i = unit.firstRegion; i < unit.firstRegion + unit.regionCount; ++i)
        if (hasValue(outcome.regions[i].ratio))
            byRatio.emplace_back(outcome.regions[i].ratio * 100.0, i);
    std::sort(byRatio.begin(), byRatio.end());

    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    if (!byRatio.empty()) {
        low = byRatio.front().first;
        high = byRatio.back().first;
    }
    const RegionSeries meSeries = addPrior(
        plot, outcome, byRatio, [](const RegionOutcome& r) { return r.ebRatioME; },
        QStringLiteral("EB比(%1)").arg(me), ME_COLOUR, QCPScatterStyle::ssCircle, low, high);
    const RegionSeries mleSeries = addPrior(
        plot, outcome, byRatio, [](const RegionOutcome& r) { return r.ebRatioMLE; },
        QStringLiteral("EB比(MLE)"), MLE_COLOUR, QCPScatterStyle::ssTriangle, low, high);
    for (const RegionSeries& series : {meSeries, mleSeries})
        if (series.graph != nullptr) drawn.series.push_back(series);

    // Prior means: beta / alpha of each prior that exists.
    struct PriorMean {
        QString name;
        double value;
        QColor colour;
    };
    std::vector<PriorMean> means;
    const double meMean = unit.meBeta / unit.meAlpha * 100.0;
    if (hasValue(unit.meAlpha) && hasValue(unit.meBeta) && unit.meAlpha > 0.0 && hasValue(meMean))
        means.push_back({QStringLiteral("事前平均(%1)").arg(me), meMean, ME_COLOUR});
    const double mleMean = unit.mleBeta / unit.mleAlpha * 100.0;
    if (hasValue(unit.mleAlpha) && hasValue(unit.mleBeta) && unit.mleAlpha > 0.0 &&
        hasValue(mleMean))
        means.push_back({QStringLiteral("事前平均(MLE)"), mleMean, MLE_COLOUR});
    for (const PriorMean& mean : means) {
        low = std::min(low, mean.value);
        high = std::max(high, mean.value);
    }
    if (!(low <= high)) {  // nothing to draw: a frame around 100%
        low = 100.0;
        high = 100.0;
    }
    padRange(low, high, RANGE_PADDING);

    // One range for both axes keeps the line of no change at 45 degrees.
    addLineGraph(plot, QStringLiteral("変化なし（EB比＝比）"),
                 QPen(REFERENCE_COLOUR, REFERENCE_LINE_WIDTH, Qt::DashLine), {low, high},
                 {low, high});
    for (const PriorMean& mean : means)
        addLineGraph(plot, mean.name, QPen(mean.colour, REFERENCE_LINE_WIDTH, Qt::DashDotLine),
                     {low, high}, {mean.value, mean.value});
    plot.xAxis->setRange(low, high);
    plot.yAxis->setRange(low, high);

    // The codes of the extreme and the most shrunk regions, under the prior
    // that ranks them (the moment prior where the fit failed).
    const RegionSeries& ranking = mleSeries.graph != nullptr ? mleSeries : meSeries;
    if (ranking.graph != nullptr)
        new RegionLabels(plot, shrinkageLabels(outcome, *ranking.graph, ranking));

    if (meSeries.graph == nullptr && mleSeries.graph == nullptr)
        drawn.notes << QStringLiteral("このグループにはEB比がありません（表では***）。");
    else if (mleSeries.graph == nullptr)
        drawn.notes << QStringLiteral(
            "最尤推定が収束しなかったため、EB比(MLE)はありません（表では***）。");
    else if (meSeries.graph == nullptr)
        drawn.notes << QStringLiteral("EB比(%1)はありません（表では***）。").arg(me);
    const std::size_t missingMe = byRatio.size() - meSeries.regionOf.size();
    const std::size_t missingMle = byRatio.size() - mleSeries.regionOf.size();
    if (meSeries.graph != nullptr && missingMe > 0)
        drawn.notes
            << QStringLiteral("EB比(%1)のない %2 地域は描いていません。").arg(me).arg(missingMe);
    if (mleSeries.graph != nullptr && missingMle > 0)
        drawn.notes << QStringLiteral("EB比(MLE)のない %1 地域は描いていません。").arg(missingMle);
    return drawn;
}

}  // namespace tolven

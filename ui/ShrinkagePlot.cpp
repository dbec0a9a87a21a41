// The shrinkage plot: each region's EB ratio against its raw ratio.
#include <qcustomplot.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "ui/UnitPlots.h"

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
        QStringLiteral("EB比(%1)").arg(me), meColour(), QCPScatterStyle::ssCircle, low, high);
    const RegionSeries mleSeries = addPrior(
        plot, outcome, byRatio, [](const RegionOutcome& r) { return r.ebRatioMLE; },
        QStringLiteral("EB比(MLE)"), mleColour(), QCPScatterStyle::ssTriangle, low, high);
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
        means.push_back({QStringLiteral("事前平均(%1)").arg(me), meMean, meColour()});
    const double mleMean = unit.mleBeta / unit.mleAlpha * 100.0;
    if (hasValue(unit.mleAlpha) && hasValue(unit.mleBeta) && unit.mleAlpha > 0.0 &&
        hasValue(mleMean))
        means.push_back({QStringLiteral("事前平均(MLE)"), mleMean, mleColour()});
    for (const PriorMean& mean : means) {
        low = std::min(low, mean.value);
        high = std::max(high, mean.value);
    }
    if (!(low <= high)) {  // nothing to draw: a frame around 100%
        low = 100.0;
        high = 100.0;
    }
    padRange(low, high, 0.05);

    // One range for both axes keeps the line of no change at 45 degrees.
    addLineGraph(plot, QStringLiteral("変化なし（EB比＝比）"), QPen(Qt::gray, 1, Qt::DashLine),
                 {low, high}, {low, high});
    for (const PriorMean& mean : means)
        addLineGraph(plot, mean.name, QPen(mean.colour, 1, Qt::DashDotLine), {low, high},
                     {mean.value, mean.value});
    plot.xAxis->setRange(low, high);
    plot.yAxis->setRange(low, high);

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

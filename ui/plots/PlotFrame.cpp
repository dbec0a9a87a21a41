// The frame, styles and pointer lookup that the three unit plots share.
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/model/not_available.h"
#include "reports/moment_prior_label.h"
#include "ui/plots/PlotStyle.h"
#include "ui/plots/UnitPlots.h"

namespace tolven {

namespace {

QString percent(double ratio) {
    return hasValue(ratio) ? QString::number(ratio * 100.0, 'f', 6) + QLatin1Char('%')
                           : QStringLiteral("***");
}

QString probability(double value) {
    return std::isfinite(value) ? QString::number(value, 'f', 6) : QStringLiteral("***");
}

}  // namespace

bool hasValue(double value) { return std::isfinite(value) && value != NOT_AVAILABLE; }

QString meLabel(const RunOutcome& outcome) {
    return QString::fromLatin1(momentPriorLabel(outcome.excludeZero));
}

QString unitName(const RunOutcome& outcome, const UnitOutcome& unit) {
    return outcome.wholeFile ? QStringLiteral("ファイル全体")
                             : QStringLiteral("グループ %1").arg(unit.unitNumber);
}

QString thresholdText(const RunOutcome& outcome) {
    return QString::number(outcome.threshold, 'g', 15);
}

void preparePlotFrame(QCustomPlot& plot) {
    plot.plotLayout()->insertRow(0);
    auto* title = new QCPTextElement(&plot, QString());
    QFont titleFont = plot.font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    plot.plotLayout()->addElement(0, 0, title);

    plot.legend->setVisible(true);
    plot.legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot.legend->setWrap(4);
    plot.legend->setBorderPen(Qt::NoPen);
    plot.legend->setFont(plot.font());
    // The legend leaves the axis rect's inset layout for a row of its own.
    plot.axisRect()->insetLayout()->take(plot.legend);
    plot.plotLayout()->addElement(2, 0, plot.legend);
    plot.plotLayout()->setRowStretchFactor(0, 0.001);
    plot.plotLayout()->setRowStretchFactor(2, 0.001);
    plot.plotLayout()->setRowSpacing(2);
    plot.setNoAntialiasingOnDrag(true);
}

void startPlot(QCustomPlot& plot, const QString& title, const QString& xLabel,
               const QString& yLabel) {
    plot.clearItems();
    plot.clearPlottables();  // graphs and error bars
    if (auto* titleElement = qobject_cast<QCPTextElement*>(plot.plotLayout()->element(0, 0)))
        titleElement->setText(title);
    for (QCPAxis* axis : {plot.xAxis, plot.yAxis}) {
        axis->setScaleType(QCPAxis::stLinear);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
        axis->setTickLabelRotation(0);
        axis->setLabelFont(plot.font());
        axis->setTickLabelFont(plot.font());
    }
    plot.xAxis->setLabel(xLabel);
    plot.yAxis->setLabel(yLabel);
}

QCPGraph* addPointGraph(QCustomPlot& plot, const QString& name, const QColor& colour, int shape,
                        std::size_t count) {
    QCPGraph* graph = plot.addGraph();
    graph->setName(name);
    graph->setObjectName(QStringLiteral("regions"));
    graph->setLineStyle(QCPGraph::lsNone);
    const auto scatterShape = static_cast<QCPScatterStyle::ScatterShape>(shape);
    if (count > MANY_POINTS)
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, DOT_SIZE));
    else
        graph->setScatterStyle(
            QCPScatterStyle(scatterShape, QPen(colour, MARKER_PEN_WIDTH), Qt::white, MARKER_SIZE));
    graph->setPen(QPen(colour));
    return graph;
}

QCPGraph* addLineGraph(QCustomPlot& plot, const QString& name, const QPen& pen,
                       const QVector<double>& keys, const QVector<double>& values) {
    QCPGraph* graph = plot.addGraph();
    graph->setName(name);
    graph->setPen(pen);
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setData(keys, values, true);
    return graph;
}

void moveLegendEntriesToEnd(QCustomPlot& plot, std::initializer_list<QCPGraph*> graphs) {
    for (QCPGraph* graph : graphs) {
        if (graph == nullptr || !plot.legend->hasItemWithPlottable(graph)) continue;
        graph->removeFromLegend();
        graph->addToLegend();
    }
}

void padRange(double& low, double& high, double fraction) {
    const double width = high - low;
    const double pad = width > 0.0 ? width * fraction : std::max(std::abs(low) * 0.1, 1.0);
    low -= pad;
    high += pad;
}

std::optional<std::size_t> regionNear(const std::vector<RegionSeries>& series, const QPointF& pixel,
                                      double radius) {
    std::optional<std::size_t> nearest;
    double nearestDistance = radius * radius;
    for (const RegionSeries& one : series) {
        const QCPGraph* graph = one.graph;
        if (graph == nullptr || !graph->visible()) continue;
        // Keys are sorted, so only the points within the radius along the key
        // axis are looked at: fast for a million regions too.
        double lowKey = graph->keyAxis()->pixelToCoord(pixel.x() - radius);
        double highKey = graph->keyAxis()->pixelToCoord(pixel.x() + radius);
        if (lowKey > highKey) std::swap(lowKey, highKey);
        const auto data = graph->data();
        for (auto it = data->findBegin(lowKey, false); it != data->constEnd() && it->key <= highKey;
             ++it) {
            const QPointF at = graph->coordsToPixels(it->key, it->value);
            const double dx = at.x() - pixel.x();
            const double dy = at.y() - pixel.y();
            const double distance = dx * dx + dy * dy;
            if (distance <= nearestDistance) {
                nearestDistance = distance;
                nearest = one.regionOf[static_cast<std::size_t>(it - data->constBegin())];
            }
        }
    }
    return nearest;
}

QString regionToolTip(const RunOutcome& outcome, const RegionOutcome& region) {
    const QString me = meLabel(outcome);
    QString text = QString::fromStdString(region.code);
    text += QStringLiteral("\n観測数 %1、期待数 %2")
                .arg(region.observed)
                .arg(QString::number(region.expected, 'f', 6));
    text += QStringLiteral("\n比 %1").arg(percent(region.ratio));
    text += QStringLiteral("\nEB比(%1) %2").arg(me, percent(region.ebRatioME));
    text += QStringLiteral("\nEB比(MLE) %1").arg(percent(region.ebRatioMLE));
    if (outcome.posteriorOutput) {
        const QString level = QString::number(outcome.intervalLevel, 'g', 15);
        const QString above = thresholdText(outcome);
        text += QStringLiteral("\n%1%信用区間(%2) %3 〜 %4")
                    .arg(level, me, percent(region.lowerME), percent(region.upperME));
        text += QStringLiteral("\nP(>%1%)(%2) %3").arg(above, me, probability(region.exceedanceME));
        text += QStringLiteral("\n%1%信用区間(MLE) %2 〜 %3")
                    .arg(level, percent(region.lowerMLE), percent(region.upperMLE));
        text += QStringLiteral("\nP(>%1%)(MLE) %2").arg(above, probability(region.exceedanceMLE));
    }
    return text;
}

}  // namespace tolven

#include "ui/plots/PlotAreaClip.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tolven {

namespace {

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

// Cuts the segment from a to b to `area` (Liang-Barsky); false when no part
// of it lies inside.
bool cutSegment(QPointF& a, QPointF& b, const QRectF& area) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double enter = 0.0, leave = 1.0;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x() - area.left(), area.right() - a.x(), a.y() - area.top(),
                        area.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;  // parallel to this edge, outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
        if (enter > leave) return false;
    }
    const QPointF start = a;
    a = start + QPointF(dx, dy) * enter;
    b = start + QPointF(dx, dy) * leave;
    return true;
}

bool finitePoint(const QPointF& point) {
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

// The corners the graph's line runs through, in pixels; a non-finite point
// stands for a gap.
std::vector<QPointF> lineCorners(const QCPGraph& graph) {
    std::vector<QPointF> corners;
    const auto data = graph.data();
    const bool stepLeft = graph.lineStyle() == QCPGraph::lsStepLeft;
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
        const QPointF at = graph.coordsToPixels(it->key, it->value);
        if (stepLeft && !corners.empty() && finitePoint(corners.back()) && finitePoint(at))
            corners.emplace_back(at.x(), corners.back().y());  // the step's corner
        corners.push_back(at);
    }
    return corners;
}

// The line's corners cut to `area`, with a gap (a NaN value) wherever the line
// leaves it, as plot coordinates.
void cutLine(const QCPGraph& graph, const std::vector<QPointF>& corners, const QRectF& area,
             QVector<double>& keys, QVector<double>& values) {
    bool open = false;  // the last point written continues the line
    QPointF last;
    for (std::size_t i = 1; i < corners.size(); ++i) {
        QPointF a = corners[i - 1], b = corners[i];
        if (!finitePoint(a) || !finitePoint(b) || !cutSegment(a, b, area)) {
            open = false;
            continue;
        }
        if (!open || a != last) {
            if (!keys.isEmpty()) {  // a gap between the pieces
                keys.push_back(keys.back());
                values.push_back(NOT_A_NUMBER);
            }
            double key = 0.0, value = 0.0;
            graph.pixelsToCoords(a, key, value);
            keys.push_back(key);
            values.push_back(value);
        }
        double key = 0.0, value = 0.0;
        graph.pixelsToCoords(b, key, value);
        keys.push_back(key);
        values.push_back(value);
        last = b;
        // A segment cut at its end leaves the area there.
        open = b == corners[i];
    }
}

}  // namespace

void layOutPlot(QCustomPlot& plot, int width, int height) {
    plot.setViewport(QRect(0, 0, width, height));
    for (auto phase :
         {QCPLayoutElement::upPreparation, QCPLayoutElement::upMargins, QCPLayoutElement::upLayout})
        plot.plotLayout()->update(phase);
}

PlotAreaClip::PlotAreaClip(QCustomPlot& plot, int width, int height)
    : plot_(plot), viewport_(plot.viewport()) {
    layOutPlot(plot, width, height);
    area_ = plot.axisRect()->rect();
    const QRectF area(area_);

    for (int i = 0; i < plot.graphCount(); ++i) {
        QCPGraph* graph = plot.graph(i);
        graphs_.push_back({graph, graph->data(), graph->lineStyle()});
        QVector<double> keys, values;
        if (graph->lineStyle() == QCPGraph::lsNone) {
            for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
                const QPointF at = graph->coordsToPixels(it->key, it->value);
                if (!finitePoint(at) || !area.contains(at)) continue;
                keys.push_back(it->key);
                values.push_back(it->value);
            }
        } else {
            cutLine(*graph, lineCorners(*graph), area, keys, values);
            graph->setLineStyle(QCPGraph::lsLine);
        }
        auto cut = QSharedPointer<QCPGraphDataContainer>::create();
        graph->setData(cut);
        graph->setData(keys, values, true);
    }

    for (int i = 0; i < plot.plottableCount(); ++i) {
        auto* bars = qobject_cast<QCPErrorBars*>(plot.plottable(i));
        if (bars == nullptr || bars->dataPlottable() == nullptr) continue;
        const QCPRange range = bars->valueAxis()->range();
        bars_.push_back({bars, bars->data()});
        // The bars belong to the points as they were: index them before the
        // points were cut, from the saved data.
        const auto saved = std::find_if(graphs_.begin(), graphs_.end(), [&](const SavedGraph& g) {
            return g.graph == bars->dataPlottable();
        });
        if (saved == graphs_.end()) continue;
        QVector<double> minus, plus;
        auto point = saved->data->constBegin();
        const QCPGraphDataContainer& kept = *saved->graph->data();
        auto keptPoint = kept.constBegin();
        for (int j = 0; j < bars_.back().data->size() && point != saved->data->constEnd();
             ++j, ++point) {
            // Only the points still drawn keep their bars, in their order.
            if (keptPoint == kept.constEnd() || keptPoint->key != point->key ||
                keptPoint->value != point->value)
                continue;
            ++keptPoint;
            const QCPErrorBarsData& error = bars_.back().data->at(j);
            minus.push_back(std::max(0.0, std::min(error.errorMinus, point->value - range.lower)));
            plus.push_back(std::max(0.0, std::min(error.errorPlus, range.upper - point->value)));
        }
        bars->setData(QSharedPointer<QCPErrorBarsDataContainer>::create());
        bars->setData(minus, plus);
    }
}

PlotAreaClip::~PlotAreaClip() {
    for (SavedGraph& saved : graphs_) {
        saved.graph->setData(saved.data);
        saved.graph->setLineStyle(saved.lineStyle);
    }
    for (SavedBars& saved : bars_) saved.bars->setData(saved.data);
    plot_.setViewport(viewport_);
}

}  // namespace tolven

#include "ui/plots/PlotLabels.h"

#include <utility>

#include "ui/plots/PlotStyle.h"

namespace tolven {

namespace {

// Codes keep this much room between each other, in pixels.
constexpr double LABEL_SPACING = 1.0;

bool overlapsAny(const QRectF& rect, const std::vector<RegionLabels::Placed>& placed) {
    const QRectF spaced =
        rect.adjusted(-LABEL_SPACING, -LABEL_SPACING, LABEL_SPACING, LABEL_SPACING);
    for (const RegionLabels::Placed& other : placed)
        if (spaced.intersects(other.rect)) return true;
    return false;
}

}  // namespace

RegionLabels::RegionLabels(QCustomPlot& plot, std::vector<LabelWish> wishes)
    : QCPAbstractItem(&plot), wishes_(std::move(wishes)) {
    setSelectable(false);
}

double RegionLabels::selectTest(const QPointF&, bool, QVariant*) const { return -1.0; }

void RegionLabels::draw(QCPPainter* painter) {
    placed_.clear();
    QCPAxisRect* axisRect = clipAxisRect();
    if (axisRect == nullptr) return;
    const QRectF area = QRectF(axisRect->rect()).adjusted(1.0, 1.0, -1.0, -1.0);
    QCPAxis* keyAxis = axisRect->axis(QCPAxis::atBottom);
    QCPAxis* valueAxis = axisRect->axis(QCPAxis::atLeft);
    painter->setFont(mParentPlot->font());
    painter->setPen(QPen(POOLED_COLOUR));
    const QFontMetricsF metrics = painter->fontMetrics();
    const double gap = LABEL_GAP;
    for (const LabelWish& wish : wishes_) {
        const QPointF at(keyAxis->coordToPixel(wish.key), valueAxis->coordToPixel(wish.value));
        if (!area.contains(at)) continue;
        const QSizeF size = metrics.boundingRect(wish.text).size();
        const QRectF places[] = {
            QRectF(QPointF(at.x() + gap, at.y() - gap - size.height()), size),
            QRectF(QPointF(at.x() + gap, at.y() + gap), size),
            QRectF(QPointF(at.x() - gap - size.width(), at.y() - gap - size.height()), size),
            QRectF(QPointF(at.x() - gap - size.width(), at.y() + gap), size),
        };
        for (const QRectF& place : places) {
            if (!area.contains(place) || overlapsAny(place, placed_)) continue;
            painter->drawText(place, Qt::AlignCenter, wish.text);
            placed_.push_back({place, wish.text});
            break;
        }
    }
}

}  // namespace tolven

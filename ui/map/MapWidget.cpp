#include "ui/map/MapWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

namespace tolven {

namespace {

constexpr double WHEEL_STEP = 1.25;  // zoom per notch of the wheel

}  // namespace

MapWidget::MapWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(300, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MapWidget::setMap(const UnitMap* map, MapPathCache* cache) {
    map_ = map;
    cache_ = cache;
    hovered_ = -1;
    showWholeUnit();
}

QRectF MapWidget::mapArea() const {
    if (map_ == nullptr) return rect();
    const double legend = mapLegendWidth(QFontMetricsF(font()), *map_);
    return QRectF(0, 0, std::max(50.0, width() - legend - 10.0), height());
}

void MapWidget::showWholeUnit() {
    fitted_ = true;
    if (map_ != nullptr) view_ = fittedView(map_->unitBounds, mapArea().size());
    update();
}

void MapWidget::zoomAt(const QPointF& at, double factor) {
    if (map_ == nullptr) return;
    const QRectF area = mapArea();
    // The plane's point under `at` stays under it.
    const QPointF fixed = planeToArea(view_, area).inverted().map(at);
    view_.pixelsPerUnit *= factor;
    const QPointF moved = planeToArea(view_, area).map(fixed);
    view_.centre += QPointF((moved.x() - at.x()) / view_.pixelsPerUnit,
                            -(moved.y() - at.y()) / view_.pixelsPerUnit);
    fitted_ = false;
    update();
}

void MapWidget::panBy(const QPointF& pixels) {
    view_.centre -= QPointF(pixels.x() / view_.pixelsPerUnit, -pixels.y() / view_.pixelsPerUnit);
    fitted_ = false;
    update();
}

void MapWidget::hoverAt(const QPointF& at) {
    if (map_ == nullptr) return;
    const QRectF area = mapArea();
    const long feature = area.contains(at) ? featureAt(*map_, *cache_, view_, area, at) : -1;
    if (feature != hovered_) {
        hovered_ = feature;
        update();
    }
}

void MapWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (map_ == nullptr || cache_ == nullptr) return;
    const QRectF area = mapArea();
    std::vector<std::size_t> marked;
    if (hovered_ >= 0 && neighbours_ != nullptr &&
        static_cast<std::size_t>(hovered_) < neighbours_->size())
        marked = (*neighbours_)[static_cast<std::size_t>(hovered_)];
    paintMapArea(painter, area, *map_, *cache_, view_, marked, hovered_);
    paintMapLegend(painter, QPointF(area.right() + 8.0, 8.0), *map_);
}

void MapWidget::resizeEvent(QResizeEvent*) {
    if (fitted_) showWholeUnit();
}

void MapWidget::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0.0) zoomAt(event->position(), std::pow(WHEEL_STEP, notches));
    event->accept();
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragFrom_ = event->position();
    }
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        panBy(event->position() - dragFrom_);
        dragFrom_ = event->position();
        return;
    }
    hoverAt(event->position());
    if (hovered_ >= 0 && hoverText_)
        QToolTip::showText(event->globalPosition().toPoint(), hoverText_(hovered_), this);
    else
        QToolTip::hideText();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

void MapWidget::leaveEvent(QEvent*) {
    if (hovered_ >= 0) {
        hovered_ = -1;
        update();
    }
}

}  // namespace tolven

#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/map/UnitMap.h"

namespace tolven {

// Shows one unit's map with its legend at the right. The wheel zooms about
// the pointer, a drag pans, and the pointer resting on a region outlines it
// and the neighbours given, and shows the text hoverText gives as a tooltip.
// It draws the map and paths it is given and keeps no copy of them.
class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(QWidget* parent = nullptr);

    // The map to show (null: nothing), the view reset to the unit's extent.
    void setMap(const UnitMap* map, MapPathCache* cache);
    // The text for the feature under the pointer; the features to outline with it.
    void setHoverText(std::function<QString(long)> text) { hoverText_ = std::move(text); }
    void setNeighbours(const std::vector<std::vector<std::size_t>>* neighbours) {
        neighbours_ = neighbours;
    }

    // Shows the unit's whole extent again.
    void showWholeUnit();

    const MapView& view() const { return view_; }
    QRectF mapArea() const;
    long hoveredFeature() const { return hovered_; }

    // Zooms by `factor` about the widget's point `at`; pans by `pixels`.
    void zoomAt(const QPointF& at, double factor);
    void panBy(const QPointF& pixels);
    // Takes the pointer's position as if it rested there.
    void hoverAt(const QPointF& at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const UnitMap* map_ = nullptr;
    MapPathCache* cache_ = nullptr;
    const std::vector<std::vector<std::size_t>>* neighbours_ = nullptr;
    std::function<QString(long)> hoverText_;
    MapView view_;
    bool fitted_ = false;  // the view shows the whole unit (and follows resizes)
    long hovered_ = -1;
    bool dragging_ = false;
    QPointF dragFrom_;
};

}  // namespace tolven

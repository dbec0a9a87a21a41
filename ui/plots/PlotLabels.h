#pragma once

#include <qcustomplot.h>

#include <QRectF>
#include <QString>
#include <vector>

namespace tolven {

// One region code that a plot would like to write beside a point.
struct LabelWish {
    double key;  // the point, in plot coordinates
    double value;
    QString text;
};

// Region codes written beside their points so that every one can be read:
// each time the plot is drawn (on screen, or at a file's size) the wishes are
// placed in their order, each at the first of four places around its point
// (right above, right below, left above, left below) where it lies wholly
// inside the axis rectangle and overlaps no code placed before it; a wish
// with no such place is not written. So the first wishes should be the most
// important ones. The plot owns the item, as it owns every item.
class RegionLabels final : public QCPAbstractItem {
public:
    explicit RegionLabels(QCustomPlot& plot, std::vector<LabelWish> wishes);

    struct Placed {
        QRectF rect;  // in the plot's pixels
        QString text;
    };
    // The codes written the last time the plot was drawn.
    const std::vector<Placed>& placed() const { return placed_; }

    double selectTest(const QPointF& pos, bool onlySelectable,
                      QVariant* details = nullptr) const override;

protected:
    void draw(QCPPainter* painter) override;

private:
    std::vector<LabelWish> wishes_;
    std::vector<Placed> placed_;
};

}  // namespace tolven

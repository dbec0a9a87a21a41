#pragma once

#include <qcustomplot.h>

#include <QRect>
#include <vector>

namespace tolven {

// Cuts what the plot draws in its plot area to the axis rectangle, in the
// data itself, for as long as the object lives; the plot's own data comes
// back when it goes. A painter's clip does the same on screen, in PNG and in
// PDF, but Qt's SVG generator writes no clipping, so a saved SVG would show
// lines running over the title and out of the picture.
//
// The plot is laid out first at `width` x `height` (as the export draws it),
// and the cut is made in that layout's pixels: lines (steps drawn as their
// corners) are cut where they cross the rectangle, with a gap where they leave
// it; points whose centre lies outside are left out; interval bars end at the
// rectangle. Only graphs and error bars are cut: the plots' other items
// (RegionLabels) keep inside by themselves. The plot's viewport is left at
// that size while the object lives and restored after; its owner lays it out
// for the screen again by a replot.
class PlotAreaClip {
public:
    PlotAreaClip(QCustomPlot& plot, int width, int height);
    ~PlotAreaClip();
    PlotAreaClip(const PlotAreaClip&) = delete;
    PlotAreaClip& operator=(const PlotAreaClip&) = delete;

    // The axis rectangle of that layout.
    QRect area() const { return area_; }

private:
    struct SavedGraph {
        QCPGraph* graph;
        QSharedPointer<QCPGraphDataContainer> data;
        QCPGraph::LineStyle lineStyle;
    };
    struct SavedBars {
        QCPErrorBars* bars;
        QSharedPointer<QCPErrorBarsDataContainer> data;
    };

    QCustomPlot& plot_;
    QRect viewport_;
    QRect area_;
    std::vector<SavedGraph> graphs_;
    std::vector<SavedBars> bars_;
};

// Lays the plot out at `width` x `height` without drawing it, as drawing it
// at that size would.
void layOutPlot(QCustomPlot& plot, int width, int height);

}  // namespace tolven

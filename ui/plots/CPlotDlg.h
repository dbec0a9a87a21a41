#pragma once

#include <QDialog>
#include <array>
#include <cstddef>
#include <memory>

#include "run/run_outcome.h"
#include "ui/plots/UnitPlots.h"

class QCustomPlot;

namespace tolven {
struct MapBoundaries;
class MapTab;
}  // namespace tolven

namespace Ui {
class CPlotDlg;
}

// The modal dialog that shows the plots of the last successful run, one unit
// at a time: the ranked EB ratios, the shrinkage of the raw ratios, and the
// funnel of the raw ratios against the expected counts.
//
// The unit is chosen by typing its number (Enter shows it) or with the
// previous and next buttons, which step through the units in ascending
// number; whole-file mode has one unit. Only the plot on the open tab is
// drawn, when it is first looked at, so a unit of a million regions opens
// without drawing three plots. A pointer resting on a point shows the
// region's code and values. "保存…" writes the plot on the open tab to a
// PNG, SVG or PDF file chosen through the platform's file chooser.
//
// The dialog reads `outcome` and keeps no copy of it: the outcome must
// outlive the dialog.
class CPlotDlg : public QDialog {
    Q_OBJECT
public:
    // With `map` (boundaries read for the run), a fourth tab "地図" shows the
    // unit's map; `inputName` goes on saved maps.
    explicit CPlotDlg(const tolven::RunOutcome& outcome, QWidget* parent = nullptr,
                      const tolven::MapBoundaries* map = nullptr, const QString& inputName = {});
    ~CPlotDlg() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int PLOT_COUNT = 3;

    void OnPreviousUnit();
    void OnNextUnit();
    void OnUnitEntered();
    void OnSave();
    void showUnit(std::size_t index);
    // Draws the plot of the open tab if the unit changed since it was drawn,
    // and shows its notes.
    void showCurrentPlot();

    std::unique_ptr<Ui::CPlotDlg> ui_;
    const tolven::RunOutcome& outcome_;
    std::size_t unitIndex_ = 0;
    std::array<QCustomPlot*, PLOT_COUNT> plots_{};
    std::array<tolven::DrawnPlot, PLOT_COUNT> drawn_;
    std::array<bool, PLOT_COUNT> current_{};  // drawn for the unit shown
    tolven::MapTab* mapTab_ = nullptr;        // the tab "地図", when there are boundaries
    bool mapCurrent_ = false;
};

#include "ui/plots/CPlotDlg.h"

#include <qcustomplot.h>

#include <QHelpEvent>
#include <QToolTip>
#include <algorithm>

#include "ui/map/MapTab.h"
#include "ui/platform/Platform.h"
#include "ui/plots/PlotExport.h"
#include "ui_CPlotDlg.h"

namespace {

// How near the pointer must rest to a point, in pixels, for its tooltip.
constexpr double POINTER_RADIUS = 6.0;

using DrawFunction = tolven::DrawnPlot (*)(QCustomPlot&, const tolven::RunOutcome&,
                                           const tolven::UnitOutcome&);
constexpr DrawFunction DRAW[] = {tolven::drawRankPlot, tolven::drawShrinkagePlot,
                                 tolven::drawFunnelPlot};
// The start of a saved file's proposed name, per tab.
const char* const FILE_STEM[] = {"rank", "shrinkage", "funnel"};

}  // namespace

CPlotDlg::CPlotDlg(const tolven::RunOutcome& outcome, QWidget* parent,
                   const tolven::MapBoundaries* map, const QString& inputName)
    : QDialog(parent), ui_(std::make_unique<Ui::CPlotDlg>()), outcome_(outcome) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    QVBoxLayout* layouts[] = {ui_->rankLayout, ui_->shrinkageLayout, ui_->funnelLayout};
    const char* names[] = {"rankPlot", "shrinkagePlot", "funnelPlot"};
    for (int i = 0; i < PLOT_COUNT; ++i) {
        auto* plot = new QCustomPlot(this);
        plot->setObjectName(QLatin1String(names[i]));
        tolven::preparePlotFrame(*plot);
        plot->installEventFilter(this);
        layouts[i]->addWidget(plot);
        plots_[static_cast<std::size_t>(i)] = plot;
    }

    if (map != nullptr && !outcome_.units.empty()) {
        mapTab_ = new tolven::MapTab(outcome_, *map, inputName, this);
        mapTab_->setObjectName(QStringLiteral("mapTab"));
        ui_->tabs->addTab(mapTab_, QStringLiteral("地図"));
    }

    connect(ui_->previousButton, &QPushButton::clicked, this, &CPlotDlg::OnPreviousUnit);
    connect(ui_->nextButton, &QPushButton::clicked, this, &CPlotDlg::OnNextUnit);
    connect(ui_->unitEdit, &QLineEdit::returnPressed, this, &CPlotDlg::OnUnitEntered);
    connect(ui_->saveButton, &QPushButton::clicked, this, &CPlotDlg::OnSave);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->tabs, &QTabWidget::currentChanged, this, [this] { showCurrentPlot(); });

    if (outcome_.units.empty()) {
        for (QWidget* control : std::initializer_list<QWidget*>{ui_->unitEdit, ui_->previousButton,
                                                                ui_->nextButton, ui_->saveButton})
            control->setEnabled(false);
        ui_->noteLabel->setText(QStringLiteral("表示できる結果がありません。"));
        return;
    }
    if (outcome_.wholeFile) {
        ui_->unitEdit->setEnabled(false);
        ui_->previousButton->setEnabled(false);
        ui_->nextButton->setEnabled(false);
    }
    showUnit(0);
}

CPlotDlg::~CPlotDlg() = default;

void CPlotDlg::showUnit(std::size_t index) {
    unitIndex_ = index;
    current_.fill(false);
    mapCurrent_ = false;
    const tolven::UnitOutcome& unit = outcome_.units[index];
    ui_->unitEdit->setText(QString::number(unit.unitNumber));
    if (outcome_.wholeFile) {
        ui_->unitInfoLabel->setText(QStringLiteral("ファイル全体、%1 地域").arg(unit.regionCount));
    } else {
        ui_->unitInfoLabel->setText(QStringLiteral("%1 グループ中 %2 番目、%3 地域")
                                        .arg(outcome_.units.size())
                                        .arg(index + 1)
                                        .arg(unit.regionCount));
        ui_->previousButton->setEnabled(index > 0);
        ui_->nextButton->setEnabled(index + 1 < outcome_.units.size());
    }
    showCurrentPlot();
}

void CPlotDlg::showCurrentPlot() {
    if (outcome_.units.empty()) return;
    const auto tab = static_cast<std::size_t>(ui_->tabs->currentIndex());
    if (mapTab_ != nullptr && ui_->tabs->currentWidget() == mapTab_) {
        if (!mapCurrent_) mapTab_->showUnit(outcome_.units[unitIndex_]);
        mapCurrent_ = true;
        ui_->noteLabel->setText(mapTab_->notes().join(QLatin1Char('\n')));
        return;
    }
    if (tab >= plots_.size()) return;
    if (!current_[tab]) {
        QToolTip::hideText();
        drawn_[tab] = DRAW[tab](*plots_[tab], outcome_, outcome_.units[unitIndex_]);
        plots_[tab]->replot();
        current_[tab] = true;
    }
    ui_->noteLabel->setText(drawn_[tab].notes.join(QLatin1Char('\n')));
}

void CPlotDlg::OnPreviousUnit() {
    if (unitIndex_ > 0) showUnit(unitIndex_ - 1);
}

void CPlotDlg::OnNextUnit() {
    if (unitIndex_ + 1 < outcome_.units.size()) showUnit(unitIndex_ + 1);
}

void CPlotDlg::OnUnitEntered() {
    if (outcome_.units.empty()) return;
    const QString text = ui_->unitEdit->text().trimmed();
    bool number = false;
    const int wanted = text.toInt(&number);
    const auto found = std::lower_bound(
        outcome_.units.begin(), outcome_.units.end(), wanted,
        [](const tolven::UnitOutcome& unit, int value) { return unit.unitNumber < value; });
    if (!number || found == outcome_.units.end() || found->unitNumber != wanted) {
        tolven::platform().messageBoxes->showError(
            this, QStringLiteral("ERROR!! : グループ番号\n%1 のグループはありません").arg(text));
        ui_->unitEdit->setText(QString::number(outcome_.units[unitIndex_].unitNumber));
        ui_->unitEdit->selectAll();
        return;
    }
    showUnit(static_cast<std::size_t>(found - outcome_.units.begin()));
}

void CPlotDlg::OnSave() {
    if (outcome_.units.empty()) return;
    const auto tab = static_cast<std::size_t>(ui_->tabs->currentIndex());
    showCurrentPlot();
    if (mapTab_ != nullptr && ui_->tabs->currentWidget() == mapTab_) {
        mapTab_->save();
        return;
    }
    const tolven::UnitOutcome& unit = outcome_.units[unitIndex_];

    const std::optional<tolven::PlotFile> file = tolven::choosePlotFile(
        this, QStringLiteral("%1_%2.png")
                  .arg(QLatin1String(FILE_STEM[tab]),
                       outcome_.wholeFile ? QStringLiteral("all")
                                          : QStringLiteral("unit%1").arg(unit.unitNumber)));
    if (file)
        tolven::savePlotFile(this, file->path, tolven::renderPlot(*plots_[tab], file->format));
}

bool CPlotDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QDialog::eventFilter(watched, event);
    const auto at = std::find(plots_.begin(), plots_.end(), watched);
    if (at == plots_.end() || outcome_.units.empty()) return QDialog::eventFilter(watched, event);
    const auto tab = static_cast<std::size_t>(at - plots_.begin());
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<std::size_t> region =
        current_[tab] ? tolven::regionNear(drawn_[tab].series, help->pos(), POINTER_RADIUS)
                      : std::nullopt;
    if (region)
        QToolTip::showText(help->globalPos(),
                           tolven::regionToolTip(outcome_, outcome_.regions[*region]), *at);
    else
        QToolTip::hideText();
    return true;
}

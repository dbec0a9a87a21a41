// A check by eye, not run by ctest: opens each window of the application
// that has settings beyond the estimation's own, on the North Carolina
// example, and writes a screenshot of each into the folder given, with the
// map's hover, a zoom, and the map files 保存… writes (PNG, SVG, PDF).
//
//   xvfb-run -a build/tools/screen_check /tmp/screens
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <clocale>
#include <cstdio>

#include "geo/run_boundaries.h"
#include "run/estimation_run.h"
#include "run/output_file.h"
#include "ui/app/ApplicationState.h"
#include "ui/dialogs/CEditorDlg.h"
#include "ui/dialogs/CEstimatorDlg.h"
#include "ui/dialogs/CExpectedDlg.h"
#include "ui/dialogs/CExtendedSettingDlg.h"
#include "ui/dialogs/CSettingDlg.h"
#include "ui/map/MapBoundaries.h"
#include "ui/map/MapExport.h"
#include "ui/map/MapTab.h"
#include "ui/map/MapWidget.h"
#include "ui/plots/CPlotDlg.h"

namespace {

QString folder;

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void shoot(QWidget& window, const char* name) {
    window.show();
    settle();
    window.grab().save(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name)));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setFont(QFont(QStringLiteral("VL Gothic"), 9));
    folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    const std::string examples = std::string(TOLVEN_SOURCE_DIR) + "/examples/";

    {
        CEstimatorDlg main;
        shoot(main, "main");
    }
    ApplicationState state;
    tolven::setDefaultSettings(state.runSettings);
    {
        CSettingDlg settings(state.runSettings);
        shoot(settings, "settings");
    }
    state.extendedSettings.posteriorOutput = true;
    state.spatialSettings.boundaries = {examples + "nc_counties.gpkg", "", "FIPS", "NAME"};
    state.spatialSettings.neighbours = SpatialSettings::Neighbours::Queen;
    state.spatialSettings.localEb = true;
    state.spatialSettings.moran = true;
    {
        CExtendedSettingDlg extended(state.extendedSettings, nullptr, &state.spatialSettings);
        shoot(extended, "extended");
    }
    {
        CExpectedDlg expected;
        expected.findChild<QLineEdit*>(QStringLiteral("strataEdit"))
            ->setText(QString::fromStdString(examples + "strata.txt"));
        shoot(expected, "expected");
    }
    {
        CEditorDlg editor(examples + "nc_sids.txt");
        shoot(editor, "editor");
    }

    // A run with the map's boundaries and queen neighbours, then the plots.
    const std::string out = folder.toStdString();
    state.inputPath = examples + "nc_sids.txt";
    state.outputPath = out + "/nc_sids_out.txt";
    state.logPath = out + "/nc_sids_out.log";
    tolven::RunRequest request = runRequestFor(state);
    tolven::RunOutcome outcome;
    request.outcome = &outcome;
    tolven::RunBoundaries runBoundaries(state.spatialSettings.boundaries);
    request.spatial.boundaries = &runBoundaries;
    tolven::StandardErrorSink messages;
    if (tolven::runEstimation(request, messages) != tolven::RUN_SUCCEEDED) return 1;
    tolven::MapBoundaries boundaries;
    if (!tolven::loadMapBoundaries(state.spatialSettings.boundaries, boundaries).empty()) return 1;
    tolven::loadMapContiguity(tolven::ContiguityRule::queen, tolven::DEFAULT_SNAP_DISTANCE,
                              boundaries);

    CPlotDlg plots(outcome, nullptr, &boundaries, QStringLiteral("nc_sids.txt"));
    plots.resize(1000, 700);
    auto* tabs = plots.findChild<QTabWidget*>(QStringLiteral("tabs"));
    const char* names[] = {"plot_rank", "plot_shrinkage", "plot_funnel", "plot_map"};
    for (int tab = 0; tab < tabs->count() && tab < 4; ++tab) {
        tabs->setCurrentIndex(tab);
        shoot(plots, names[tab]);
    }
    auto* mapTab = plots.findChild<tolven::MapTab*>();
    if (mapTab == nullptr) return 1;
    tolven::MapWidget* map = mapTab->mapWidget();
    // The pointer resting on the middle of a county in the middle of the state.
    const tolven::UnitMap& unitMap = *mapTab->unitMap();
    const std::size_t county = unitMap.unitFeatures[unitMap.unitFeatures.size() / 2];
    const QPointF pointer = tolven::planeToArea(map->view(), map->mapArea())
                                .map(unitMap.plane->featureBounds[county].center());
    QMouseEvent move(QEvent::MouseMove, pointer, map->mapToGlobal(pointer), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(map, &move);
    settle();
    // The tooltip is a window of its own: the whole screen shows it.
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + "/plot_map_hover.png");
    map->zoomAt(pointer, 4.0);
    shoot(plots, "plot_map_zoom");
    mapTab->valueChoice()->setCurrentIndex(mapTab->valueChoice()->count() - 1);
    shoot(plots, "plot_map_last_value");

    // The files 保存… writes for the zoomed view.
    for (const auto& [format, suffix] : {std::pair{tolven::PlotFileFormat::Png, "png"},
                                         std::pair{tolven::PlotFileFormat::Svg, "svg"},
                                         std::pair{tolven::PlotFileFormat::Pdf, "pdf"}}) {
        const QByteArray bytes = tolven::renderUnitMapFile(
            outcome, outcome.units.back(), boundaries, tolven::MapValue::EbMle,
            tolven::MapClassing::Quintiles, format, QStringLiteral("nc_sids.txt"));
        tolven::writeWholeFile(out + "/saved_map." + suffix,
                               std::string_view(bytes.constData(), bytes.size()));
    }
    std::printf("screens written to %s\n", out.c_str());
    return 0;
}

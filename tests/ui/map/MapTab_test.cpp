#include "ui/map/MapTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support/test_support.h"
#include "tests/ui/FakePlatform.h"
#include "ui/app/ApplicationState.h"
#include "ui/dialogs/CExtendedSettingDlg.h"
#include "ui/map/MapWidget.h"
#include "ui/plots/CPlotDlg.h"

using namespace tolven;

namespace {

const std::string GRID = test::dataFile("geo/grid.gpkg");

// The grid's outlines by code, labelled by name.
MapBoundaries gridBoundaries() {
    MapBoundaries boundaries;
    const std::string error = loadMapBoundaries({GRID, "grid", "code", "name"}, boundaries);
    if (!error.empty()) qFatal("%s", error.c_str());
    return boundaries;
}

// Two units on the 3 x 3 grid: unit 1 the bottom row, unit 2 the rest.
RunOutcome gridOutcome() {
    RunOutcome outcome;
    const char* codes[] = {"A01", "A02", "A03", "A04", "A05", "A06", "A07", "A08", "A09"};
    for (int i = 0; i < 9; ++i) {
        RegionOutcome region;
        region.code = codes[i];
        region.observed = i;
        region.expected = 2.0;
        region.ratio = i / 2.0;
        region.ebRatioME = region.ebRatioMLE = 0.3 + 0.2 * i;
        outcome.regions.push_back(region);
    }
    outcome.units.push_back({1, 0, 3, 1, 1, 1, 1});
    outcome.units.push_back({2, 3, 6, 1, 1, 1, 1});
    return outcome;
}

}  // namespace

class MapTabTest : public QObject {
    Q_OBJECT
private slots:
    // The boundary file chosen with 参照 fills the lists; OK stores the
    // choices in the application's state, and the run gets the neighbours.
    void extendedSettingsStoreBoundariesAndNeighbours() {
        FakePlatform fake;
        ApplicationState state;
        CExtendedSettingDlg dlg(state.extendedSettings, nullptr, &state.spatialSettings);
        fake.fileChooser.answers.push_back(QString::fromStdString(GRID));
        dlg.findChild<QPushButton*>(QStringLiteral("boundaryBrowseButton"))->click();
        QComboBox* layers = dlg.layerChoice();
        QVERIFY(layers->findText(QStringLiteral("grid")) > 0);
        layers->setCurrentIndex(layers->findText(QStringLiteral("grid")));
        QComboBox* join = dlg.joinFieldChoice();
        QVERIFY(join->findText(QStringLiteral("muni")) > 0);
        join->setCurrentIndex(join->findText(QStringLiteral("code")));
        dlg.labelFieldChoice()->setCurrentIndex(
            dlg.labelFieldChoice()->findText(QStringLiteral("name")));
        dlg.findChild<QRadioButton*>(QStringLiteral("neighbourRadio1"))->click();  // クイーン
        dlg.findChild<QCheckBox*>(QStringLiteral("moranCheck"))->setChecked(true);
        dlg.findChild<QLineEdit*>(QStringLiteral("permutationsEdit"))
            ->setText(QStringLiteral("99"));
        dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        QVERIFY(fake.messageBoxes.errors.empty());
        QCOMPARE(state.spatialSettings.boundaries.layer, std::string("grid"));
        QCOMPARE(state.spatialSettings.boundaries.joinField, std::string("code"));
        QCOMPARE(state.spatialSettings.boundaries.labelField, std::string("name"));
        const RunRequest request = runRequestFor(state);
        QVERIFY(request.spatial.source == NeighbourSource::queen);
        QVERIFY(request.spatial.moran);
        QCOMPARE(request.spatial.permutations, 99);

        // A second opening shows what is stored.
        CExtendedSettingDlg again(state.extendedSettings, nullptr, &state.spatialSettings);
        QCOMPARE(again.joinFieldChoice()->currentText(), QStringLiteral("code"));
    }

    // Refused combinations keep the dialog open and store nothing.
    void extendedSettingsRefuseIncompleteChoices_data() {
        QTest::addColumn<int>("neighbours");
        QTest::addColumn<bool>("localEb");
        QTest::addColumn<QString>("permutations");
        QTest::newRow("local EB without neighbours") << 0 << true << "999";
        QTest::newRow("queen without boundaries") << 1 << false << "999";
        QTest::newRow("GAL without a file") << 3 << false << "999";
        QTest::newRow("no permutations") << 0 << false << "0";
        QTest::newRow("too many permutations") << 0 << false << "100000";
    }
    void extendedSettingsRefuseIncompleteChoices() {
        QFETCH(int, neighbours);
        QFETCH(bool, localEb);
        QFETCH(QString, permutations);
        FakePlatform fake;
        ApplicationState state;
        CExtendedSettingDlg dlg(state.extendedSettings, nullptr, &state.spatialSettings);
        dlg.findChild<QRadioButton*>(QStringLiteral("neighbourRadio%1").arg(neighbours))->click();
        dlg.findChild<QCheckBox*>(QStringLiteral("localEbCheck"))->setChecked(localEb);
        dlg.findChild<QLineEdit*>(QStringLiteral("permutationsEdit"))->setText(permutations);
        dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        QCOMPARE(fake.messageBoxes.errors.size(), std::size_t{1});
        QVERIFY(state.spatialSettings.neighbours == SpatialSettings::Neighbours::None);
        QVERIFY(!state.spatialSettings.localEb);
    }

    // The graph dialog's 地図 tab: the unit's map, hover texts, zoom and
    // pan, saving one map and every unit's.
    void mapTabShowsHoversAndSaves() {
        FakePlatform fake;
        const RunOutcome outcome = gridOutcome();
        MapBoundaries boundaries = gridBoundaries();
        CPlotDlg dlg(outcome, nullptr, &boundaries, QStringLiteral("grid.txt"));
        dlg.resize(900, 700);
        dlg.show();
        auto* tabs = dlg.findChild<QTabWidget*>();
        auto* tab = dlg.findChild<MapTab*>(QStringLiteral("mapTab"));
        QVERIFY(tab != nullptr);
        tabs->setCurrentWidget(tab);
        QVERIFY(tab->unitMap() != nullptr);
        QCOMPARE(tab->unitMap()->unitFeatures.size(), std::size_t{3});  // unit 1

        // The pointer over the middle of the first cell: A01 with its values.
        MapWidget* widget = tab->mapWidget();
        const QRectF area = widget->mapArea();
        const QTransform toArea = planeToArea(widget->view(), area);
        widget->hoverAt(toArea.map(QPointF(500500, 4000500)));
        QCOMPARE(widget->hoveredFeature(), 0L);

        // Zooming keeps the point under the pointer where it is; a pan moves it.
        const QPointF at = toArea.map(QPointF(501500, 4000500));
        widget->zoomAt(at, 2.0);
        const QPointF after = planeToArea(widget->view(), area).map(QPointF(501500, 4000500));
        QVERIFY(std::abs(after.x() - at.x()) < 1e-6 && std::abs(after.y() - at.y()) < 1e-6);
        widget->panBy(QPointF(10, -5));
        const QPointF panned = planeToArea(widget->view(), area).map(QPointF(501500, 4000500));
        QVERIFY(std::abs(panned.x() - at.x() - 10) < 1e-6 &&
                std::abs(panned.y() - at.y() + 5) < 1e-6);

        QTemporaryDir folder;
        const QString png = folder.filePath(QStringLiteral("map.png"));
        fake.fileChooser.answers.push_back(png);
        dlg.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        QVERIFY(fake.messageBoxes.errors.empty());
        QImage image(png);
        QVERIFY(!image.isNull());
        for (const char* suffix : {"svg", "pdf"}) {
            const QString path = folder.filePath(QStringLiteral("map.") + QLatin1String(suffix));
            fake.fileChooser.answers.push_back(path);
            dlg.findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
            QVERIFY(QFileInfo(path).size() > 1000);
        }
        QVERIFY(QFile(folder.filePath(QStringLiteral("map.svg"))).open(QIODevice::ReadOnly));

        fake.fileChooser.answers.push_back(folder.path());
        tab->findChild<QPushButton*>(QStringLiteral("mapSaveAllButton"))->click();
        QVERIFY(fake.messageBoxes.errors.empty());
        QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("unit_1.png"))));
        QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("unit_2.png"))));
    }

    // The neighbours outlined under the pointer are the run's: on the 3x3
    // grid a corner cell has 3 queen and 2 rook neighbours, the middle 8 and 4.
    void contiguityNeighboursOfTheGridForTheMap_data() {
        QTest::addColumn<int>("rule");
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("middle");
        QTest::newRow("queen") << int(ContiguityRule::queen) << 3 << 8;
        QTest::newRow("rook") << int(ContiguityRule::rook) << 2 << 4;
    }

    void contiguityNeighboursOfTheGridForTheMap() {
        QFETCH(int, rule);
        QFETCH(int, corner);
        QFETCH(int, middle);
        MapBoundaries boundaries = gridBoundaries();
        loadMapContiguity(static_cast<ContiguityRule>(rule), DEFAULT_SNAP_DISTANCE, boundaries);
        QCOMPARE(boundaries.neighboursOfFeature.size(), std::size_t{9});
        QCOMPARE(int(boundaries.neighboursOfFeature[0].size()), corner);  // A01
        QCOMPARE(int(boundaries.neighboursOfFeature[4].size()), middle);  // A05
    }

    // Without boundaries there is no 地図 tab.
    void noMapTabWithoutBoundaries() {
        const RunOutcome outcome = gridOutcome();
        CPlotDlg dlg(outcome);
        QCOMPARE(dlg.findChild<QTabWidget*>()->count(), 3);
    }
};

QTEST_MAIN(MapTabTest)
#include "MapTab_test.moc"

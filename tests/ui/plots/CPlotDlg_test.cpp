#include "ui/plots/CPlotDlg.h"

#include <qcustomplot.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <optional>

#include "core/numerics/funnel_limits.h"
#include "tests/ui/DialogHelpers.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/PlotOutcomes.h"
#include "ui/plots/PlotAreaClip.h"
#include "ui/plots/PlotExport.h"
#include "ui/plots/PlotLabels.h"
#include "ui/plots/PlotStyle.h"

namespace {

enum Tab { RANK, SHRINKAGE, FUNNEL };
const char* const PLOT_NAMES[] = {"rankPlot", "shrinkagePlot", "funnelPlot"};

QCustomPlot* plotOn(CPlotDlg& dlg, int tab) {
    return dlg.findChild<QCustomPlot*>(QLatin1String(PLOT_NAMES[tab]));
}

// Region points drawn: the data of every graph of region points.
int regionPoints(const QCustomPlot& plot) {
    int points = 0;
    for (int i = 0; i < plot.graphCount(); ++i)
        if (plot.graph(i)->objectName() == QLatin1String("regions"))
            points += plot.graph(i)->dataCount();
    return points;
}

// Pixels of the plot area, as the widget shows it, near `colour`.
int pixelsNear(QCustomPlot& plot, const QColor& colour) {
    const QImage image = plot.grab().toImage();
    const QRect area = plot.axisRect()->rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <
                60)
                ++count;
        }
    return count;
}

void chooseUnit(CPlotDlg& dlg, int unit) {
    auto* edit = dlg.findChild<QLineEdit*>("unitEdit");
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(unit));
    QTest::keyClick(edit, Qt::Key_Return);
}

}  // namespace

class CPlotDlgTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { outcome_ = plot_outcomes::sampleOutcome(); }

    void drawsEveryRegionThatHasTheEstimate_data();
    void drawsEveryRegionThatHasTheEstimate();
    void pointerRestingOnAPointShowsItsRegion();
    void unitChooserStepsAndRefusesUnknownUnits();
    void savesThePlotWholeAtPrintSize_data();
    void savesThePlotWholeAtPrintSize();
    void failedSaveLeavesTheOldFile_data();
    void failedSaveLeavesTheOldFile();
    void savedSvgDrawsThePlotAreaOnlyInsideTheAxes_data();
    void savedSvgDrawsThePlotAreaOnlyInsideTheAxes();
    void crowdedFunnelWritesCodesThatDoNotOverlap();

private:
    tolven::RunOutcome outcome_;
};

void CPlotDlgTest::drawsEveryRegionThatHasTheEstimate_data() {
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("note");  // a part of the notes; empty: no notes
    using namespace plot_outcomes;
    const struct {
        const char* name;
        int unit;
        int tab;
        int points;
        const char* note;
    } rows[] = {
        {"small unit, ranked", SMALL_UNIT, RANK, 10, ""},
        {"small unit, both priors", SMALL_UNIT, SHRINKAGE, 20, ""},
        {"small unit, funnel", SMALL_UNIT, FUNNEL, 10, ""},
        {"one region, no estimate to rank", ONE_REGION_UNIT, RANK, 0, "***"},
        {"one region, no estimate to shrink", ONE_REGION_UNIT, SHRINKAGE, 0, "***"},
        {"one region, its raw ratio", ONE_REGION_UNIT, FUNNEL, 1, ""},
        {"failed fit, ranked by moment prior", FAILED_FIT_UNIT, RANK, 12, "収束しなかった"},
        {"failed fit, moment prior only", FAILED_FIT_UNIT, SHRINKAGE, 12, "***"},
        {"failed fit, funnel", FAILED_FIT_UNIT, FUNNEL, 12, "外れの大きいもの"},
        {"4000 regions, ranked", LARGE_UNIT, RANK, 4000, ""},
        {"4000 regions, both priors", LARGE_UNIT, SHRINKAGE, 8000, ""},
        {"4000 regions, funnel", LARGE_UNIT, FUNNEL, 4000, "外れの大きいもの"},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << row.unit << row.tab << row.points << QString::fromUtf8(row.note);
}

void CPlotDlgTest::drawsEveryRegionThatHasTheEstimate() {
    QFETCH(int, unit);
    QFETCH(int, tab);
    QFETCH(int, points);
    QFETCH(QString, note);
    CPlotDlg dlg(outcome_);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    chooseUnit(dlg, unit);
    dlg.findChild<QTabWidget*>("tabs")->setCurrentIndex(tab);
    QCustomPlot* plot = plotOn(dlg, tab);

    QCOMPARE(regionPoints(*plot), points);
    // Region points are blue in all three plots: seen exactly when drawn.
    QCOMPARE(pixelsNear(*plot, tolven::ME_COLOUR) > 0, points > 0);
    const QString notes = dlg.findChild<QLabel*>("noteLabel")->text();
    if (note.isEmpty())
        QVERIFY2(notes.isEmpty(), qPrintable(notes));
    else
        QVERIFY2(notes.contains(note), qPrintable(notes));
}

void CPlotDlgTest::pointerRestingOnAPointShowsItsRegion() {
    CPlotDlg dlg(outcome_);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.findChild<QTabWidget*>("tabs")->setCurrentIndex(FUNNEL);
    QCustomPlot* plot = plotOn(dlg, FUNNEL);
    const QCPGraph* regions = nullptr;
    for (int i = 0; i < plot->graphCount(); ++i)
        if (plot->graph(i)->objectName() == QLatin1String("regions")) regions = plot->graph(i);
    QVERIFY(regions != nullptr);
    // The funnel's points are in ascending expected count: the first is the
    // region with the smallest one in unit 1.
    const auto first = regions->data()->constBegin();
    const QPoint at = regions->coordsToPixels(first->key, first->value).toPoint();
    std::size_t smallest = 0;
    for (std::size_t i = 1; i < plot_outcomes::SMALL_REGIONS; ++i)
        if (outcome_.regions[i].expected < outcome_.regions[smallest].expected) smallest = i;

    QHelpEvent rest(QEvent::ToolTip, at + QPoint(2, -2), plot->mapToGlobal(at));
    QApplication::sendEvent(plot, &rest);
    QVERIFY(QToolTip::isVisible());
    const QString text = QToolTip::text();
    QVERIFY2(text.startsWith(QString::fromStdString(outcome_.regions[smallest].code) + "\n"),
             qPrintable(text));
    QVERIFY2(text.contains(QString::number(outcome_.regions[smallest].ratio * 100.0, 'f', 6)),
             qPrintable(text));
    QToolTip::hideText();
}

void CPlotDlgTest::unitChooserStepsAndRefusesUnknownUnits() {
    FakePlatform fake;
    CPlotDlg dlg(outcome_);
    dlg.show();
    auto* edit = dlg.findChild<QLineEdit*>("unitEdit");
    auto* previous = dlg.findChild<QPushButton*>("previousButton");
    auto* next = dlg.findChild<QPushButton*>("nextButton");
    QCOMPARE(edit->text(), QStringLiteral("1"));
    QVERIFY(!previous->isEnabled());

    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("2"));
    QVERIFY(previous->isEnabled());
    chooseUnit(dlg, plot_outcomes::LARGE_UNIT);
    QVERIFY(!next->isEnabled());
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("5"));

    // A number between units, and text, name no unit: the unit shown stays.
    for (const QString& typed : {QStringLiteral("3"), QStringLiteral("x")}) {
        edit->setText(typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), QStringLiteral("5"));
    }
    QCOMPARE(
        fake.messageBoxes.errors,
        (std::vector<QString>{QStringLiteral("ERROR!! : グループ番号\n3 のグループはありません"),
                              QStringLiteral("ERROR!! : グループ番号\nx のグループはありません")}));
    QVERIFY(dlg.isVisible());  // Enter in the unit field never closes the dialog
}

void CPlotDlgTest::savesThePlotWholeAtPrintSize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("PNG") << "plot.png" << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("SVG, extension in capitals") << "plot.SVG" << QByteArray("<?xml");
    QTest::newRow("PDF") << "plot.pdf" << QByteArray("%PDF-");
}

void CPlotDlgTest::savesThePlotWholeAtPrintSize() {
    QFETCH(QString, name);
    QFETCH(QByteArray, header);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    FakePlatform fake;
    fake.fileChooser.answers.push_back(path);
    CPlotDlg dlg(outcome_);
    chooseUnit(dlg, plot_outcomes::LARGE_UNIT);
    QTest::mouseClick(dlg.findChild<QPushButton*>("saveButton"), Qt::LeftButton);

    QVERIFY(fake.messageBoxes.errors.empty());
    QCOMPARE(fake.fileChooser.requests.size(), std::size_t{1});
    const FileChooserRequest& request = fake.fileChooser.requests.front();
    QCOMPARE(request.kind, FileChooserRequest::Kind::Save);
    QCOMPARE(request.filters,
             (QStringList{"PNG画像(*.png)", "SVG画像(*.svg)", "PDFファイル(*.pdf)"}));
    QCOMPARE(request.initialName, QStringLiteral("rank_unit8.png"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.startsWith(header), bytes.left(16).constData());
    QVERIFY2(bytes.size() > 10000, qPrintable(QString::number(bytes.size())));
    // 180 x 120 mm: PNG pixels at 300 dpi, SVG in millimetres, PDF in points.
    if (name.endsWith(".png")) {
        const QImage image = QImage::fromData(bytes);
        QVERIFY(qAbs(image.width() - 2126) <= 2 && qAbs(image.height() - 1417) <= 2);
        QCOMPARE(image.dotsPerMeterX(), 11811);
    } else if (name.endsWith(".SVG")) {
        QVERIFY(bytes.contains("<svg") && bytes.contains("</svg>"));
        QVERIFY2(bytes.contains("width=\"179.") || bytes.contains("width=\"180"),
                 bytes.left(600).constData());
    } else {
        QVERIFY(bytes.contains("/MediaBox [0 0 510"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    }
}

void CPlotDlgTest::failedSaveLeavesTheOldFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("cutShort");  // the file size limit stops the write part way
    const QString cannotWrite = QStringLiteral("ERROR!! : グラフファイル\n%1 に書き込めません");
    QTest::newRow("no such format") << "plot.jpg" << cannotWrite + "\n拡張子は" << false;
    QTest::newRow("no such folder") << "missing/plot.png" << cannotWrite << false;
    QTest::newRow("a folder of that name") << "folder.svg" << cannotWrite << false;
    QTest::newRow("write cut short") << "plot.pdf" << cannotWrite << true;
}

void CPlotDlgTest::failedSaveLeavesTheOldFile() {
    QFETCH(QString, name);
    QFETCH(QString, error);
    QFETCH(bool, cutShort);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    if (name.startsWith("folder")) {
        QVERIFY(QDir(folder.path()).mkdir(name));
    } else {
        QFile old(path);
        if (old.open(QIODevice::WriteOnly)) old.write("old");
    }
    const QStringList before =
        QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    FakePlatform fake;
    fake.fileChooser.answers.push_back(path);
    CPlotDlg dlg(outcome_);

    {
        std::optional<FileSizeLimit> limit;
        if (cutShort) limit.emplace(1000);
        QTest::mouseClick(dlg.findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    }

    QCOMPARE(fake.messageBoxes.errors.size(), std::size_t{1});
    QVERIFY2(fake.messageBoxes.errors.front().startsWith(error.arg(path)),
             qPrintable(fake.messageBoxes.errors.front()));
    QFile old(path);
    if (QFileInfo(path).isFile() && old.open(QIODevice::ReadOnly))
        QCOMPARE(old.readAll(), QByteArray("old"));
    // No new file, and no temporary one left behind.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void CPlotDlgTest::savedSvgDrawsThePlotAreaOnlyInsideTheAxes_data() {
    QTest::addColumn<int>("tab");
    QTest::newRow("rank") << int(RANK);
    QTest::newRow("shrinkage") << int(SHRINKAGE);
    QTest::newRow("funnel") << int(FUNNEL);
}

// The plots of a crowded unit saved as SVG and drawn back at twice the
// layout's size, without antialiasing so that lines and points keep their
// exact colours: no colour of the plot area appears outside the axis
// rectangle (grown by a pixel for half a line's width), apart from the
// legend's samples. Text is drawn in black, so the title and the axis labels
// do not count.
void CPlotDlgTest::savedSvgDrawsThePlotAreaOnlyInsideTheAxes() {
    QFETCH(int, tab);
    using DrawFunction =
        tolven::DrawnPlot (*)(QCustomPlot&, const tolven::RunOutcome&, const tolven::UnitOutcome&);
    const DrawFunction draw[] = {tolven::drawRankPlot, tolven::drawShrinkagePlot,
                                 tolven::drawFunnelPlot};
    tolven::RunOutcome outcome = plot_outcomes::crowdedOutcome();
    QCustomPlot plot;
    tolven::preparePlotFrame(plot);
    draw[tab](plot, outcome, outcome.units.front());
    plot.replot();
    const QByteArray svg = tolven::renderPlot(plot, tolven::PlotFileFormat::Svg);

    const QSize size = tolven::plotLayoutSize();
    QRect area, legend;
    {
        const tolven::PlotAreaClip layout(plot, size.width(), size.height());
        area = layout.area();
        legend = plot.legend->outerRect();
    }
    constexpr int SCALE = 2;
    QImage image(size * SCALE, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size * SCALE)));
    }
    const QRect inside(area.topLeft() * SCALE - QPoint(SCALE, SCALE),
                       area.bottomRight() * SCALE + QPoint(2 * SCALE, 2 * SCALE));
    const QRect legendArea(legend.topLeft() * SCALE, legend.bottomRight() * SCALE);
    const QColor plotColours[] = {tolven::ME_COLOUR, tolven::MLE_COLOUR, tolven::MARK_COLOUR,
                                  tolven::INNER_LIMIT_COLOUR, tolven::REFERENCE_COLOUR};
    int within = 0, outside = 0;
    QPoint firstOutside;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            bool plotColour = false;
            for (const QColor& colour : plotColours) plotColour |= pixel == colour.rgb();
            if (!plotColour) continue;
            if (inside.contains(x, y)) {
                ++within;
            } else if (!legendArea.contains(x, y)) {
                if (outside++ == 0) firstOutside = QPoint(x, y);
            }
        }
    QVERIFY(within > 1000);
    QVERIFY2(outside == 0, qPrintable(QStringLiteral("%1 pixels outside, the first at %2, %3")
                                          .arg(outside)
                                          .arg(firstOutside.x())
                                          .arg(firstOutside.y())));
}

// Codes beside the funnel's points of the crowded unit: a few, the furthest
// out among them, none over another and all inside the axis rectangle, at
// the size of a saved file and on screen.
void CPlotDlgTest::crowdedFunnelWritesCodesThatDoNotOverlap() {
    tolven::RunOutcome outcome = plot_outcomes::crowdedOutcome();
    const tolven::UnitOutcome& unit = outcome.units.front();
    int beyond = 0;
    double observed = 0.0, expected = 0.0;
    for (const tolven::RegionOutcome& region : outcome.regions) {
        observed += region.observed;
        expected += region.expected;
    }
    for (const tolven::RegionOutcome& region : outcome.regions)
        beyond += tolven::funnelSide(observed / expected, region.expected, region.observed) !=
                  tolven::FunnelSide::Inside;
    QCOMPARE(beyond, 201);

    QCustomPlot plot;
    tolven::preparePlotFrame(plot);
    const tolven::DrawnPlot drawn = tolven::drawFunnelPlot(plot, outcome, unit);
    QVERIFY(drawn.notes.join('\n').contains(QStringLiteral("外れの大きいもの")));
    const tolven::RegionLabels* labels = nullptr;
    for (int i = 0; i < plot.itemCount(); ++i)
        if (auto* found = dynamic_cast<tolven::RegionLabels*>(plot.item(i))) labels = found;
    QVERIFY(labels != nullptr);
    for (const QSize size : {tolven::plotLayoutSize(), QSize(900, 600), QSize(420, 300)}) {
        plot.resize(size);
        plot.replot();
        const auto& placed = labels->placed();
        QVERIFY(placed.size() >= 3 && placed.size() <= tolven::FUNNEL_LABEL_COUNT);
        QCOMPARE(placed.front().text, QStringLiteral("FAR"));  // the furthest out
        const QRectF area(plot.axisRect()->rect());
        for (std::size_t i = 0; i < placed.size(); ++i) {
            QVERIFY(area.contains(placed[i].rect));
            for (std::size_t j = 0; j < i; ++j)
                QVERIFY2(!placed[i].rect.intersects(placed[j].rect),
                         qPrintable(placed[i].text + " / " + placed[j].text));
        }
    }
    // The region at 10,000% does not flatten the funnel: the axis ends far
    // below it, and the point is drawn at the top edge.
    QVERIFY(plot.yAxis->range().upper < 2000.0);
}

QTEST_MAIN(CPlotDlgTest)
#include "CPlotDlg_test.moc"

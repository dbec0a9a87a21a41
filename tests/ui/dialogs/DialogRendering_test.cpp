// Both dialogs rendered offscreen: the controls sit where the dialog templates
// put them, nothing is blank, and every text can be drawn with the font in use.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <set>

#include "ui/dialogs/CAboutDlg.h"
#include "ui/dialogs/CEstimatorDlg.h"

namespace {

// A place in dialog units mapped to pixels: 1.5 px per unit, rounded half up.
QRect fromDialogUnits(int x, int y, int width, int height) {
    const auto px = [](int units) { return (units * 3 + 1) / 2; };
    return QRect(px(x), px(y), px(width), px(height));
}

// Where a control of a dialog sits, in pixels.
struct Placement {
    const char* name;
    QRect rect;
};

const Placement MAIN_CONTROLS[] = {
    {"runButton", fromDialogUnits(210, 150, 50, 16)},
    {"quitButton", fromDialogUnits(265, 150, 50, 16)},
    {"inputLabel", fromDialogUnits(6, 12, 105, 8)},
    {"inputEdit", fromDialogUnits(6, 24, 252, 14)},
    {"browseInputButton", fromDialogUnits(264, 24, 50, 14)},
    {"checkInputButton", fromDialogUnits(264, 42, 50, 14)},
    {"outputLabel", fromDialogUnits(6, 66, 103, 8)},
    {"outputEdit", fromDialogUnits(6, 90, 252, 14)},
    {"logLabel", fromDialogUnits(6, 114, 94, 8)},
    {"logEdit", fromDialogUnits(6, 126, 252, 14)},
    {"txtFormatRadio", fromDialogUnits(24, 78, 41, 10)},
    {"csvFormatRadio", fromDialogUnits(72, 78, 48, 10)},
    {"chooseOutputButton", fromDialogUnits(264, 90, 50, 14)},
    {"chooseLogButton", fromDialogUnits(264, 126, 50, 14)},
};

// The test fails, naming the control, unless each control in `controls`
// is a child of `parent` at its place.
template <std::size_t N>
void expectPlaced(const QWidget& parent, const Placement (&controls)[N]) {
    for (const Placement& p : controls) {
        auto* w = parent.findChild<QWidget*>(p.name);
        QVERIFY2(w, p.name);
        QCOMPARE(w->geometry(), p.rect);
    }
}

// Whether the font that `widget` draws with has a glyph for every character
// of `text` (no boxes in place of Japanese characters).
bool drawable(const QWidget* widget, const QString& text) {
    const QRawFont font = QRawFont::fromFont(widget->font());
    if (!font.isValid()) return false;
    for (const QChar ch : text)
        if (ch != QLatin1Char('&') && !ch.isSpace() && !font.supportsCharacter(ch)) return false;
    return true;
}

// How many different colours `area` of `image` holds.
std::size_t colours(const QImage& image, const QRect& area) {
    std::set<QRgb> seen;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) seen.insert(image.pixel(x, y));
    return seen.size();
}

void saveForInspection(const QImage& image, const char* name) {
    // TOLVEN_GRAB_DIR=<folder> keeps the pictures for a look by eye.
    const QByteArray folder = qgetenv("TOLVEN_GRAB_DIR");
    if (!folder.isEmpty()) image.save(QString::fromLocal8Bit(folder) + "/" + name);
}

}  // namespace

class DialogRenderingTest : public QObject {
    Q_OBJECT

private slots:
    void mainDialogFollowsItsTemplate() {
        CEstimatorDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* client = dlg.findChild<QWidget*>("clientArea");
        auto* menuBar = dlg.findChild<QMenuBar*>("menuBar");
        auto* commandBar = dlg.findChild<QMenuBar*>("commandBar");
        QVERIFY(client && menuBar && commandBar);
        // 321 x 171 units of client area below the menu bar.
        QCOMPARE(client->size(), QSize(482, 257));
        QCOMPARE(client->pos(), QPoint(0, menuBar->height()));
        QVERIFY(menuBar->height() >= 16);
        QCOMPARE(dlg.size(), QSize(482, 257 + menuBar->height()));
        // The two commands stand at the right-hand end of the bar.
        QCOMPARE(commandBar->parentWidget(), menuBar);
        QVERIFY(commandBar->geometry().right() >= menuBar->width() - 4);
        // The five commands, in their order, fill the bar from its right end.
        QStringList names;
        for (const QAction* action : commandBar->actions()) names << action->objectName();
        QCOMPARE(names, QStringList({"detailSettingsAction", "extendedSettingsAction", "plotAction",
                                     "expectedAction", "aboutAction"}));
        QVERIFY(commandBar->geometry().left() > 0);

        expectPlaced(*client, MAIN_CONTROLS);
        if (QTest::currentTestFailed()) return;
        // Nothing moves when the window grows.
        dlg.resize(800, 500);
        QTest::qWait(20);
        QCOMPARE(client->pos(), QPoint(0, menuBar->height()));
        expectPlaced(*client, MAIN_CONTROLS);
    }

    void mainDialogRendersEveryText() {
        CEstimatorDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QImage image = dlg.grab().toImage();
        saveForInspection(image, "main-dialog.png");
        QCOMPARE(image.size(), dlg.size() * image.devicePixelRatio());
        QVERIFY(colours(image, image.rect()) > 20);

        auto* client = dlg.findChild<QWidget*>("clientArea");
        const QPoint offset = client->pos();
        for (const Placement& p : MAIN_CONTROLS) {
            QWidget* w = client->findChild<QWidget*>(p.name);
            QString text;
            if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
            if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            QVERIFY2(drawable(w, text), p.name);
            QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("VL Gothic"));
            // Text or frame: something is drawn in every control's place.
            if (!text.isEmpty() || qobject_cast<QLineEdit*>(w))
                QVERIFY2(colours(image, p.rect.translated(offset)) > 2, p.name);
        }
        for (QAction* a : dlg.findChildren<QAction*>()) QVERIFY(drawable(&dlg, a->text()));
        QVERIFY(drawable(&dlg, dlg.windowTitle()));
        // The menu commands are drawn at the bar's right end.
        auto* commandBar = dlg.findChild<QMenuBar*>("commandBar");
        QVERIFY(colours(image,
                        commandBar->geometry().translated(commandBar->parentWidget()->pos())) > 2);
    }

    void aboutDialogFollowsItsTemplate() {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報 TOLVEN"));
        // 254 x 56 units, 55 units wider for the title's one line.
        QCOMPARE(about.size(), fromDialogUnits(0, 0, 309, 56).size());
        const Placement items[] = {
            // The icon shows at its own 32 x 32 px. The title and OK are
            // wider and further right by the 55 units the title needs.
            {"iconLabel", QRect(fromDialogUnits(11, 17, 0, 0).topLeft(), QSize(32, 32))},
            {"titleLabel", fromDialogUnits(38, 7, 264, 8)},
            {"copyrightLabel", fromDialogUnits(46, 25, 134, 8)},
            {"okButton", fromDialogUnits(242, 33, 50, 16)},
        };
        expectPlaced(about, items);
        if (QTest::currentTestFailed()) return;
        auto* title = about.findChild<QLabel*>("titleLabel");
        QCOMPARE(
            title->text(),
            QStringLiteral("Empirical Bayes Estimator for Poisson-Gamma model [Version 2.1.0]"));
        // The title fits one line at the application's font, VL Gothic 9 pt,
        // and so does the copyright.
        QCOMPARE(QFontInfo(title->font()).family(), QStringLiteral("VL Gothic"));
        QCOMPARE(QFontInfo(title->font()).pointSize(), 9);
        QVERIFY(QFontMetrics(title->font()).horizontalAdvance(title->text()) <=
                title->contentsRect().width());
        QVERIFY(title->heightForWidth(title->width()) <= title->height());
        auto* copyright = about.findChild<QLabel*>("copyrightLabel");
        QVERIFY(QFontMetrics(copyright->font()).horizontalAdvance(copyright->text()) <=
                copyright->width());

        const QImage image = about.grab().toImage();
        saveForInspection(image, "about-dialog.png");
        QVERIFY(colours(image, image.rect()) > 20);
        // The icon is drawn: its blue tile is there.
        const QRect icon = items[0].rect;
        QVERIFY(colours(image, icon) > 3);
        QVERIFY(drawable(&about, about.windowTitle()));
    }

    void captionsFitTheirButtons() {
        CEstimatorDlg dlg;
        for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>()) {
            if (qobject_cast<QPushButton*>(b))
                QVERIFY2(QFontMetrics(b->font()).horizontalAdvance(b->text()) < b->width() - 4,
                         qPrintable(b->objectName()));
        }
    }
};

QTEST_MAIN(DialogRenderingTest)
#include "DialogRendering_test.moc"

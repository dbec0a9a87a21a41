#include "ui/dialogs/CExtendedSettingDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/model/extended_settings.h"
#include "tests/ui/DialogHelpers.h"
#include "tests/ui/FakePlatform.h"

namespace {

const QString LEVEL =
    QStringLiteral("ERROR!! : 信用区間の水準(%)\n0より大きく100より小さい実数を入力して下さい");
const QString THRESHOLD = QStringLiteral("ERROR!! : 閾値(%)\n0より大きい実数を入力して下さい");

using tolven::ExtendedSettings;
using tolven::FitMode;

// The dialog's controls, found by name.
struct Controls {
    QStringList texts() const { return {level->text(), threshold->text()}; }

    const CExtendedSettingDlg& dlg;
    QCheckBox* check = child<QCheckBox>(dlg, "posteriorCheck");
    QLineEdit* level = child<QLineEdit>(dlg, "levelEdit");
    QLineEdit* threshold = child<QLineEdit>(dlg, "thresholdEdit");
    QRadioButton* newton = child<QRadioButton>(dlg, "newtonRadio");
    QRadioButton* safeguarded = child<QRadioButton>(dlg, "safeguardedRadio");
    QPushButton* reset = child<QPushButton>(dlg, "resetButton");
    QPushButton* ok = child<QPushButton>(dlg, "okButton");
    QPushButton* cancel = child<QPushButton>(dlg, "cancelButton");
};

// Settings that differ from the defaults in every field.
ExtendedSettings customSettings() { return {true, 99.9, 112.5, FitMode::safeguarded}; }

void expectSettings(const ExtendedSettings& actual, const ExtendedSettings& expected) {
    QCOMPARE(actual.posteriorOutput, expected.posteriorOutput);
    QCOMPARE(actual.intervalLevel, expected.intervalLevel);
    QCOMPARE(actual.threshold, expected.threshold);
    QCOMPARE(actual.fitMode, expected.fitMode);
}

}  // namespace

class CExtendedSettingDlgTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheSettingsAndTexts();
    void okChecksFieldsInOrder_data();
    void okChecksFieldsInOrder();
    void resetStoresDefaultsAtOnce();
    void cancelEscapeAndCloseWriteNothing();
};

void CExtendedSettingDlgTest::showsTheSettingsAndTexts() {
    ExtendedSettings settings = customSettings();
    settings.threshold = 1e-7;
    CExtendedSettingDlg dlg(settings);
    const Controls c{dlg};
    QCOMPARE(dlg.windowTitle(), QStringLiteral("拡張設定"));
    QCOMPARE(c.check->text(), QStringLiteral("事後区間と超過確率を出力する"));
    QStringList labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("信用区間の水準(%)")));
    QVERIFY(labels.contains(QStringLiteral("閾値(%)")));
    QCOMPARE(c.reset->text(), QStringLiteral("初期化"));
    QCOMPARE(c.cancel->text(), QStringLiteral("キャンセル"));
    QVERIFY(c.ok->isDefault());

    QVERIFY(c.check->isChecked());
    QVERIFY(c.safeguarded->isChecked() && !c.newton->isChecked());
    // Plain fixed notation, no exponent, no trailing zeros.
    QCOMPARE(c.texts(), (QStringList{"99.9", "0.0000001"}));

    QVERIFY(showActive(dlg));
    QCOMPARE(QApplication::focusWidget(), c.ok);
    // The radio group is one tab stop.
    for (QWidget* next :
         QList<QWidget*>{c.cancel, c.check, c.level, c.threshold, c.newton, c.reset, c.ok}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void CExtendedSettingDlgTest::okChecksFieldsInOrder_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message");  // empty: both accepted
    QTest::addColumn<int>("refused");      // index of the refused field, -1 for none
    QTest::addColumn<double>("level");     // stored
    QTest::addColumn<double>("threshold");
    const ExtendedSettings o = customSettings();
    const QString none;
    auto row = [](const char* name, const QStringList& texts, const QString& message, int refused,
                  double level, double threshold) {
        QTest::newRow(name) << texts << message << refused << level << threshold;
    };
    row("both accepted", {"50", "150"}, none, -1, 50, 150);
    row("edges", {"0.001", "0.5"}, none, -1, 0.001, 0.5);
    row("text after a blank ignored", {"90 %", "120 x"}, none, -1, 90, 120);
    // Read as a whole: a value longer than 255 characters comes back as shown.
    row("long threshold", {"95", "0." + QString(299, '0') + "1"}, none, -1, 95, 1e-300);
    for (const char* text : {"100", "0", "", "1e1", "-5", "abc"})
        row(qPrintable(QStringLiteral("level \"%1\"").arg(text)), {text, "150"}, LEVEL, 0,
            o.intervalLevel, o.threshold);
    for (const char* text : {"0", "", "1e2", " -1"})
        row(qPrintable(QStringLiteral("threshold \"%1\"").arg(text)), {"50", text}, THRESHOLD, 1,
            50, o.threshold);
    row("both refused: one message", {"x", "x"}, LEVEL, 0, o.intervalLevel, o.threshold);
}

void CExtendedSettingDlgTest::okChecksFieldsInOrder() {
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    QFETCH(int, refused);
    QFETCH(double, level);
    QFETCH(double, threshold);
    FakePlatform fake;
    ExtendedSettings settings = customSettings();
    CExtendedSettingDlg dlg(settings);
    QVERIFY(showActive(dlg));
    const Controls c{dlg};
    c.check->setChecked(false);
    c.newton->setChecked(true);
    c.level->setText(texts[0]);
    c.threshold->setText(texts[1]);

    c.ok->click();
    // The box and the fit mode are stored before any field is looked at.
    expectSettings(settings, {false, level, threshold, FitMode::newton});
    if (message.isEmpty()) {
        QVERIFY(fake.messageBoxes.errors.empty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        return;
    }
    QCOMPARE(fake.messageBoxes.errors, std::vector<QString>{message});
    QVERIFY(dlg.isVisible());
    QCOMPARE(QApplication::focusWidget(), refused == 0 ? c.level : c.threshold);
    QCOMPARE(c.texts(), texts);
    // What was stored before the refusal stays stored through a cancel.
    c.cancel->click();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    expectSettings(settings, {false, level, threshold, FitMode::newton});
}

void CExtendedSettingDlgTest::resetStoresDefaultsAtOnce() {
    FakePlatform fake;
    ExtendedSettings settings = customSettings();
    CExtendedSettingDlg dlg(settings);
    const Controls c{dlg};
    c.level->setText("garbage");
    c.reset->click();
    expectSettings(settings, ExtendedSettings{});
    QVERIFY(!c.check->isChecked());
    QVERIFY(c.newton->isChecked() && !c.safeguarded->isChecked());
    QCOMPARE(c.texts(), (QStringList{"95", "100"}));
    QCOMPARE(dlg.result(), 0);  // still open

    c.cancel->click();
    expectSettings(settings, ExtendedSettings{});
    QVERIFY(fake.messageBoxes.errors.empty());
}

void CExtendedSettingDlgTest::cancelEscapeAndCloseWriteNothing() {
    FakePlatform fake;
    for (const Dismissal way : ALL_DISMISSALS) {
        ExtendedSettings settings = customSettings();
        CExtendedSettingDlg dlg(settings);
        QVERIFY(showActive(dlg));
        const Controls c{dlg};
        c.check->setChecked(false);
        c.newton->setChecked(true);
        c.level->setText("50");
        dismiss(dlg, way, c.cancel);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        expectSettings(settings, customSettings());
    }
    QVERIFY(fake.messageBoxes.errors.empty());
}

QTEST_MAIN(CExtendedSettingDlgTest)
#include "CExtendedSettingDlg_test.moc"

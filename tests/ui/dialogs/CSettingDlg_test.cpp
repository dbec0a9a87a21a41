#include "ui/dialogs/CSettingDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "core/model/run_settings.h"
#include "tests/ui/DialogHelpers.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/WhenModal.h"

namespace {

const QString EPSILON = QStringLiteral("ERROR!! : 収束判定値\n0より大きい実数を入力して下さい");
const QString ITERATIONS = QStringLiteral("ERROR!! : 最大反復回数\n自然数を入力して下さい");
const QString ALPHA = QStringLiteral("ERROR!! : 初期値 α\n0より大きい実数を入力して下さい");
const QString BETA = QStringLiteral("ERROR!! : 初期値 β\n0より大きい実数を入力して下さい");

// The dialog's controls, found by name.
struct Controls {
    QStringList texts() const {
        return {epsilon->text(), iterations->text(), alpha->text(), beta->text()};
    }

    const CSettingDlg& dlg;
    QCheckBox* check = child<QCheckBox>(dlg, "excludeZeroCheck");
    QLineEdit* epsilon = child<QLineEdit>(dlg, "epsilonEdit");
    QLineEdit* iterations = child<QLineEdit>(dlg, "maxIterationsEdit");
    QLineEdit* alpha = child<QLineEdit>(dlg, "initialAlphaEdit");
    QLineEdit* beta = child<QLineEdit>(dlg, "initialBetaEdit");
    QPushButton* reset = child<QPushButton>(dlg, "resetButton");
    QPushButton* ok = child<QPushButton>(dlg, "okButton");
    QPushButton* cancel = child<QPushButton>(dlg, "cancelButton");
};

// Settings that differ from the defaults in every field.
tolven::RunSettings customSettings() { return {0, 0.001, 50, 2.0, 3.0}; }

void expectSettings(const tolven::RunSettings& s, const tolven::RunSettings& expected) {
    QCOMPARE(s.excludeZero, expected.excludeZero);
    QCOMPARE(s.epsilon, expected.epsilon);
    QCOMPARE(s.maxIterations, expected.maxIterations);
    QCOMPARE(s.initialAlpha, expected.initialAlpha);
    QCOMPARE(s.initialBeta, expected.initialBeta);
}

}  // namespace

class CSettingDlgTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void showsTheSettings_data();
    void showsTheSettings();
    void layoutTabOrderAndFocus();
    void okStoresTheValuesAsShown();
    void okChecksFieldsInOrder_data();
    void okChecksFieldsInOrder();
    void valueShownAsZeroIsRefusedAtTheNextOk();
    void resetStoresDefaultsAtOnce();
    void cancelEscapeAndCloseWriteNothing();
    void enterInAFieldPressesOk();
    void refusalUsesARealMessageBox();

private:
    // The settings the dialog works on, as the main dialog hands it its own.
    tolven::RunSettings settings;
};

void CSettingDlgTest::init() {
    settings = tolven::RunSettings();
    tolven::setDefaultSettings(settings);
}

void CSettingDlgTest::showsTheSettings_data() {
    QTest::addColumn<int>("excludeZero");
    QTest::addColumn<double>("epsilon");
    QTest::addColumn<int>("iterations");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<double>("beta");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("defaults") << 0 << 0.00001 << 20 << -1.0 << -1.0
                              << QStringList{"0.000010", "20", "auto", "auto"};
    QTest::newRow("values") << 1 << 0.0000001 << 7 << 1.23456 << 0.5
                            << QStringList{"0.000000", "7", "1.235", "0.500"};
}

void CSettingDlgTest::showsTheSettings() {
    QFETCH(int, excludeZero);
    QFETCH(double, epsilon);
    QFETCH(int, iterations);
    QFETCH(double, alpha);
    QFETCH(double, beta);
    QFETCH(QStringList, texts);
    settings = {excludeZero, epsilon, iterations, alpha, beta};
    CSettingDlg dlg(settings);
    const Controls c{dlg};
    QCOMPARE(c.check->isChecked(), excludeZero == 1);
    QCOMPARE(c.texts(), texts);
}

void CSettingDlgTest::layoutTabOrderAndFocus() {
    CSettingDlg dlg(settings);
    const Controls c{dlg};
    QCOMPARE(dlg.windowTitle(), QStringLiteral("詳細設定"));
    QCOMPARE(c.check->text(), QStringLiteral("ゼロを除く"));
    QCOMPARE(c.reset->text(), QStringLiteral("初期化"));
    QCOMPARE(c.ok->text(), QStringLiteral("OK"));
    QCOMPARE(c.cancel->text(), QStringLiteral("キャンセル"));
    QStringList labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) labels << label->text();
    for (const char* text :
         {"・収束判定値：", "・最大反復回数：", "・パラメータの初期値", "α：", "β："})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QVERIFY(c.ok->isDefault());
    for (const QLineEdit* field : {c.epsilon, c.iterations, c.alpha, c.beta})
        QVERIFY(field->alignment() & Qt::AlignRight);

    QVERIFY(showActive(dlg));
    QCOMPARE(QApplication::focusWidget(), c.ok);
    const QList<QWidget*> order{c.cancel, c.check, c.epsilon, c.iterations,
                                c.alpha,  c.beta,  c.reset,   c.ok};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void CSettingDlgTest::okStoresTheValuesAsShown() {
    FakePlatform fake;
    settings = {1, 0.0000123456, 9, 1.23456, -1.0};
    CSettingDlg dlg(settings);
    Controls{dlg}.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(fake.messageBoxes.errors.empty());
    expectSettings(settings, {1, 0.000012, 9, 1.235, -1.0});
}

void CSettingDlgTest::okChecksFieldsInOrder_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message");  // empty: all accepted
    QTest::addColumn<int>("refused");      // index of the refused field, -1 for none
    QTest::addColumn<QList<double>>("stored");
    const tolven::RunSettings o = customSettings();
    const QString none;
    const QString past255 = "1" + QString(254, '0') + "x";
    auto row = [](const char* name, const QStringList& texts, const QString& message, int refused,
                  const QList<double>& stored) {
        QTest::newRow(name) << texts << message << refused << stored;
    };
    row("all accepted", {"0.5", "7", "1.5", "2.5"}, none, -1, {0.5, 7, 1.5, 2.5});
    row("auto", {"0.5", "7", "auto", "auto"}, none, -1, {0.5, 7, -1, -1});
    row("text after a blank ignored", {"12 abc", "30 x", "1.2.3", "1. 9"}, none, -1,
        {12, 30, 1.2, 1});
    row("leading blank skips the character check", {" 1e-5", " 8", " 2e1", " +4"}, none, -1,
        {0.00001, 8, 20, 4});
    row("only 255 characters are read", {past255, "7", "1", "1"}, none, -1, {1e254, 7, 1, 1});
    const QList<double> old{o.epsilon, double(o.maxIterations), o.initialAlpha, o.initialBeta};
    for (const char* text : {"1e-5", "0", "0.0", ".", "", " -1", "１"})
        row(qPrintable(QStringLiteral("epsilon \"%1\"").arg(QString::fromUtf8(text))),
            {QString::fromUtf8(text), "7", "1", "1"}, EPSILON, 0, old);
    const QList<double> epsilonStored{0.5, double(o.maxIterations), o.initialAlpha, o.initialBeta};
    for (const char* text : {"20.5", "-3", " -3", "0", ""})
        row(qPrintable(QStringLiteral("count \"%1\"").arg(text)), {"0.5", text, "1", "1"},
            ITERATIONS, 1, epsilonStored);
    const QList<double> countStored{0.5, 7, o.initialAlpha, o.initialBeta};
    for (const char* text : {"Auto", "auto ", " auto", "0"})
        row(qPrintable(QStringLiteral("alpha \"%1\"").arg(text)), {"0.5", "7", text, "1"}, ALPHA, 2,
            countStored);
    row("beta refused after alpha auto", {"0.5", "7", "auto", "abc"}, BETA, 3,
        {0.5, 7, -1, o.initialBeta});
    row("every field refused: one message", {"x", "x", "x", "x"}, EPSILON, 0, old);
}

void CSettingDlgTest::okChecksFieldsInOrder() {
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    QFETCH(int, refused);
    QFETCH(QList<double>, stored);
    FakePlatform fake;
    settings = customSettings();
    CSettingDlg dlg(settings);
    QVERIFY(showActive(dlg));
    const Controls c{dlg};
    c.check->setChecked(true);
    const QList<QLineEdit*> fields{c.epsilon, c.iterations, c.alpha, c.beta};
    for (int i = 0; i < fields.size(); ++i) fields[i]->setText(texts[i]);

    c.ok->click();
    // The box is stored before any field is looked at.
    expectSettings(settings, {1, stored[0], int(stored[1]), stored[2], stored[3]});
    if (message.isEmpty()) {
        QVERIFY(fake.messageBoxes.errors.empty());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        return;
    }
    QCOMPARE(fake.messageBoxes.errors, std::vector<QString>{message});
    QVERIFY(dlg.isVisible());
    QCOMPARE(QApplication::focusWidget(), fields[refused]);
    QCOMPARE(c.texts(), texts);
    // What was stored before the refusal stays stored through a cancel.
    c.cancel->click();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    expectSettings(settings, {1, stored[0], int(stored[1]), stored[2], stored[3]});
}

void CSettingDlgTest::valueShownAsZeroIsRefusedAtTheNextOk() {
    FakePlatform fake;
    settings = {0, 0.0000001, 20, 0.0001, -1.0};
    CSettingDlg dlg(settings);
    const Controls c{dlg};
    QCOMPARE(c.epsilon->text(), QStringLiteral("0.000000"));
    c.ok->click();
    QCOMPARE(fake.messageBoxes.errors, std::vector<QString>{EPSILON});
    QCOMPARE(settings.epsilon, 0.0000001);

    c.epsilon->setText("0.001");
    c.ok->click();
    QCOMPARE(fake.messageBoxes.errors.back(), ALPHA);
    expectSettings(settings, {0, 0.001, 20, 0.0001, -1.0});
}

void CSettingDlgTest::resetStoresDefaultsAtOnce() {
    FakePlatform fake;
    settings = {1, 0.5, 3, 4.0, 5.0};
    CSettingDlg dlg(settings);
    const Controls c{dlg};
    c.epsilon->setText("garbage");
    c.reset->click();
    tolven::RunSettings defaults;
    tolven::setDefaultSettings(defaults);
    expectSettings(settings, defaults);
    QVERIFY(!c.check->isChecked());
    QCOMPARE(c.texts(), (QStringList{"0.000010", "20", "auto", "auto"}));
    QCOMPARE(dlg.result(), 0);  // still open

    c.cancel->click();
    expectSettings(settings, defaults);
    QVERIFY(fake.messageBoxes.errors.empty());
}

void CSettingDlgTest::cancelEscapeAndCloseWriteNothing() {
    FakePlatform fake;
    for (const Dismissal way : ALL_DISMISSALS) {
        settings = customSettings();
        CSettingDlg dlg(settings);
        QVERIFY(showActive(dlg));
        const Controls c{dlg};
        c.check->setChecked(true);
        c.epsilon->setText("0.75");
        c.alpha->setText("auto");
        dismiss(dlg, way, c.cancel);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        expectSettings(settings, customSettings());
    }
    QVERIFY(fake.messageBoxes.errors.empty());
}

void CSettingDlgTest::enterInAFieldPressesOk() {
    FakePlatform fake;
    CSettingDlg dlg(settings);
    QVERIFY(showActive(dlg));
    const Controls c{dlg};
    c.iterations->setFocus();
    c.iterations->setText("x");
    QTest::keyClick(c.iterations, Qt::Key_Return);
    QCOMPARE(fake.messageBoxes.errors, std::vector<QString>{ITERATIONS});
    c.iterations->setText("35");
    QTest::keyClick(c.iterations, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(settings.maxIterations, 35);
}

// The refusal through the real message box: stop icon, the message, one OK.
void CSettingDlgTest::refusalUsesARealMessageBox() {
    CSettingDlg dlg(settings);
    QVERIFY(showActive(dlg));
    const Controls c{dlg};
    c.beta->setText("-2");
    const auto seen = whenMessageBox(QMessageBox::Ok);
    c.ok->click();
    QCOMPARE(seen->text, BETA);
    QCOMPARE(seen->icon, QMessageBox::Critical);
    QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(dlg.isVisible());
    // The focus the dialog gets back once it is active again.
    QCOMPARE(dlg.focusWidget(), c.beta);
}

QTEST_MAIN(CSettingDlgTest)
#include "CSettingDlg_test.moc"

#include "ui/dialogs/CEstimatorDlg.h"

#include <qpa/qwindowsysteminterface.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <memory>

#include "core/model/run_settings.h"
#include "tests/support/test_support.h"
#include "tests/ui/DialogHelpers.h"
#include "tests/ui/EstimatorControls.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/WhenModal.h"
#include "ui/app/CEstimatorApp.h"
#include "ui/dialogs/BackgroundRun.h"
#include "ui/dialogs/CAboutDlg.h"
#include "ui/dialogs/CEditorDlg.h"
#include "ui/dialogs/CExpectedDlg.h"
#include "ui/dialogs/CSettingDlg.h"

using tolven::test::readFile;
using tolven::test::TempDir;
using tolven::test::writeFile;
using Viewer = ViewerLauncher::Viewer;

namespace {

const QString TEXT_QUESTION =
    QStringLiteral("処理が完了しました。\nメモ帳で出力ファイルを開きますか？");
const QString CSV_QUESTION =
    QStringLiteral("処理が完了しました。\nexcelで出力ファイルを開きますか？");
const QString LOG_QUESTION = QStringLiteral("メモ帳でログファイルを開きますか？");

// Two units of a few regions each: a run on it succeeds.
const char* const GOOD_INPUT =
    "1 A01 3 2.5\n1 A02 5 4.0\n1 A03 2 3.0\n1 A04 0 1.5\n2 B01 4 2.0\n2 B02 1 3.0\n2 B03 6 2.5\n";

using Controls = EstimatorControls;

// The ways a run is stopped part way.
enum class Stop { ProgressCancel, Close, WindowSystemClose };

}  // namespace

class CEstimatorDlgTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<TempDir> dir;

    // A dialog whose three edits name a good input and its outputs in `dir`.
    void fillForGoodRun(Controls& c) {
        writeFile(dir->file("area.txt"), GOOD_INPUT);
        c.fill(q(dir->file("area.txt")), q(dir->file("areaout.txt")), q(dir->file("areaout.log")));
    }

    // A dialog whose input is a pipe, so that its run goes on (reading) until
    // the test writes the input; with `oldFiles`, outputs of an earlier run.
    std::string fillForPipeRun(Controls& c, bool oldFiles) {
        const std::string input = dir->file("input.fifo");
        if (::mkfifo(input.c_str(), 0600) != 0) qFatal("no pipe");
        c.fill(q(input), q(dir->file("areaout.txt")), q(dir->file("areaout.log")));
        if (oldFiles) {
            writeFile(dir->file("areaout.txt"), "old table\n");
            writeFile(dir->file("areaout.log"), "old log\n");
            fake->messageBoxes.answers = {true, true};
        }
        return input;
    }

    void expectOldFiles() {
        QCOMPARE(readFile(dir->file("areaout.txt")), std::string("old table\n"));
        QCOMPARE(readFile(dir->file("areaout.log")), std::string("old log\n"));
    }

private slots:
    void init() {
        fake = std::make_unique<FakePlatform>();
        dir = std::make_unique<TempDir>();
    }

    void cleanup() {
        fake.reset();
        dir.reset();
    }

    void startsEmptyWithTextFormatAndDefaultSettings() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        QCOMPARE(dlg.windowTitle(),
                 QStringLiteral("Empirical Bayes Estimator for Poisson-Gamma model"));
        QVERIFY(c.input->text().isEmpty() && c.output->text().isEmpty() && c.log->text().isEmpty());
        QVERIFY(c.txt->isChecked());
        QVERIFY(!c.csv->isChecked());
        QVERIFY(!c.run->isEnabled());
        QVERIFY(!c.check->isEnabled());
        for (QWidget* w :
             QWidgetList{c.quit, c.browse, c.chooseOutput, c.chooseLog, c.input, c.txt})
            QVERIFY(w->isEnabled());
        QVERIFY(c.run->isDefault());
        QCOMPARE(dlg.state().runSettings.epsilon, 0.00001);
        QCOMPARE(dlg.state().runSettings.maxIterations, 20);
        QCOMPARE(dlg.state().runSettings.excludeZero, 0);
        QCOMPARE(dlg.state().runSettings.initialAlpha, -1.0);
        QCOMPARE(dlg.state().runSettings.initialBeta, -1.0);
        QCOMPARE(dlg.state().csvOutput, 0);
        QVERIFY(!dlg.windowIcon().isNull());
        const Qt::WindowFlags flags = dlg.windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(QApplication::focusWidget(), c.quit);
    }

    void tabOrderFollowsTheTemplateAndSkipsTheRadioButtons() {
        // Tab pressed for real, from 実行 round the dialog and back again: at
        // start, and after a format button took the focus by a click (Qt
        // makes the checked button of a group a tab stop when it gets focus).
        CEstimatorDlg dlg;
        Controls c(dlg);
        // Filled so that 実行 and 内容確認・修正 stay enabled; the format
        // buttons switch the stored output name.
        dlg.state().outputPath = "out.txt";
        c.fill("in.txt", "out.txt", "out.log");
        QVERIFY(showActive(dlg));
        const QList<QWidget*> expected = {c.run,    c.quit, c.input,        c.browse,    c.check,
                                          c.output, c.log,  c.chooseOutput, c.chooseLog, c.run};
        for (QRadioButton* clicked : {static_cast<QRadioButton*>(nullptr), c.csv, c.txt}) {
            if (clicked) {
                QTest::mouseClick(clicked, Qt::LeftButton);
                QCOMPARE(QApplication::focusWidget(), clicked);
            }
            c.run->setFocus();
            QList<QWidget*> visited = {QApplication::focusWidget()};
            for (qsizetype i = 1; i < expected.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited.append(QApplication::focusWidget());
            }
            QCOMPARE(visited, expected);
            // Backwards, from 変更 (log) past the format row to the log edit.
            c.chooseLog->setFocus();
            QTest::keyClick(c.chooseLog, Qt::Key_Backtab, Qt::ShiftModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), c.log);
        }
    }

    void enablingRulesFollowTheEditThatChangedLast() {
        {
            CEstimatorDlg dlg;
            Controls c(dlg);
            QTest::keyClicks(c.input, "a");
            QVERIFY(c.run->isEnabled() && c.check->isEnabled());
            QTest::keyClick(c.input, Qt::Key_Backspace);
            QVERIFY(!c.run->isEnabled() && !c.check->isEnabled());
            commitText(c.input, QStringLiteral("入力.txt"));
            QVERIFY(c.run->isEnabled() && c.check->isEnabled());
        }
        {
            // Clear the input with all three filled, then type into the log.
            CEstimatorDlg dlg;
            Controls c(dlg);
            c.fill("in.txt", "out.txt", "out.log");
            QVERIFY(c.run->isEnabled() && c.check->isEnabled());
            c.input->clear();
            QVERIFY(!c.run->isEnabled() && !c.check->isEnabled());
            QTest::keyClicks(c.log, "x");
            QVERIFY(c.run->isEnabled());
            QVERIFY(!c.check->isEnabled());
            // The output rule ignores the log edit: emptying the output disables.
            c.output->clear();
            QVERIFY(!c.run->isEnabled());
        }
        for (const char* name : {"outputEdit", "logEdit"}) {
            // Only the output or only the log filled: 実行 alone is enabled.
            CEstimatorDlg dlg;
            Controls c(dlg);
            auto* edit = dlg.findChild<QLineEdit*>(name);
            QTest::keyClicks(edit, "r");
            QVERIFY(c.run->isEnabled());
            QVERIFY(!c.check->isEnabled());
            QTest::keyClick(edit, Qt::Key_Backspace);
            QVERIFY(!c.run->isEnabled());
        }
    }

    void enterWhileRunIsDisabledDoesNothing() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        QSignalSpy finished(&dlg, &QDialog::finished);
        // Focus moves only in the active window; until it leaves 終了, that
        // button is the one Enter presses.
        QVERIFY(showActive(dlg));
        c.input->setFocus();
        QCOMPARE(QApplication::focusWidget(), c.input);
        QTest::keyClick(c.input, Qt::Key_Return);
        QTest::keyClick(c.input, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dlg.isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(fake->messageBoxes.errors.empty());
        QVERIFY(fake->messageBoxes.questions.empty());
        QVERIFY(dlg.state().inputPath.empty());
    }

    void enterWhileRunIsEnabledRunsAndKeepsTheDialog() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        fillForGoodRun(c);
        QSignalSpy finished(&dlg, &QDialog::finished);
        QVERIFY(showActive(dlg));
        c.log->setFocus();
        QCOMPARE(QApplication::focusWidget(), c.log);
        QTest::keyClick(c.log, Qt::Key_Return);
        QCOMPARE(fake->messageBoxes.questions.size(), 2u);
        QVERIFY(fake->messageBoxes.errors.empty());
        QVERIFY(dlg.isVisible());
        QCOMPARE(finished.count(), 0);
        // Clicking 実行 and an explicit accept() keep the dialog open too; the
        // second run replaces the output and asks again.
        const std::string first = readFile(dir->file("areaout.txt"));
        QVERIFY(!first.empty());
        writeFile(dir->file("areaout.txt"), "stale");
        c.run->click();
        dlg.accept();
        QCOMPARE(readFile(dir->file("areaout.txt")), first);
        QCOMPARE(fake->messageBoxes.questions.size(), 4u);
        QVERIFY(dlg.isVisible());
        QCOMPARE(finished.count(), 0);
    }

    void quitEscapeAndCloseBoxEndTheDialog() {
        for (const Dismissal way : ALL_DISMISSALS) {
            CEstimatorDlg dlg;
            Controls c(dlg);
            fillForGoodRun(c);
            dlg.show();
            c.run->click();  // ending right after a run asks nothing more
            const std::size_t asked = fake->messageBoxes.questions.size();
            QSignalSpy finished(&dlg, &QDialog::finished);
            dismiss(dlg, way, c.quit, c.output);
            QCOMPARE(finished.count(), 1);
            QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
            QVERIFY(!dlg.isVisible());
            QCOMPARE(fake->messageBoxes.questions.size(), asked);
        }
    }

    void failedRunShowsItsMessageAndAsksNothing() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        const std::string missing = dir->file("missing.txt");
        c.csv->click();
        c.fill(q(missing), q(dir->file("o.txt")), q(dir->file("o.log")));
        c.run->click();
        QCOMPARE(fake->messageBoxes.errors.size(), 1u);
        QVERIFY(fake->messageBoxes.errors[0].contains(q(missing)));
        QVERIFY(fake->messageBoxes.questions.empty());
        QVERIFY(fake->viewerLauncher.launches.empty());
        // The stored values are those of the run, even though it failed.
        QCOMPARE(dlg.state().inputPath, missing);
        QCOMPARE(dlg.state().outputPath, dir->file("o.txt"));
        QCOMPARE(dlg.state().csvOutput, 1);
        QVERIFY(!std::filesystem::exists(dir->file("o.txt")));
    }

    void answersChooseTheViewers_data() {
        QTest::addColumn<bool>("csv");
        QTest::addColumn<bool>("showOutput");
        QTest::addColumn<bool>("showLog");
        QTest::newRow("txt no no") << false << false << false;
        QTest::newRow("txt yes yes") << false << true << true;
        QTest::newRow("txt no yes") << false << false << true;
        QTest::newRow("txt yes no") << false << true << false;
        QTest::newRow("csv yes yes") << true << true << true;
        QTest::newRow("csv yes no") << true << true << false;
    }

    void answersChooseTheViewers() {
        QFETCH(bool, csv);
        QFETCH(bool, showOutput);
        QFETCH(bool, showLog);
        CEstimatorDlg dlg;
        Controls c(dlg);
        fillForGoodRun(c);
        if (csv) {
            c.csv->click();
            c.output->setText(q(dir->file("areaout.csv")));
        }
        fake->messageBoxes.answers = {showOutput, showLog};
        c.run->click();
        const std::vector<QString> questions = {csv ? CSV_QUESTION : TEXT_QUESTION, LOG_QUESTION};
        QCOMPARE(fake->messageBoxes.questions, questions);
        QCOMPARE(dlg.state().csvOutput, csv ? 1 : 0);
        const QString outputName = q(dir->file(csv ? "areaout.csv" : "areaout.txt"));
        std::vector<std::pair<Viewer, QString>> expected;
        if (showLog) expected.emplace_back(Viewer::TextEditor, q(dir->file("areaout.log")));
        if (showOutput)
            expected.emplace_back(csv ? Viewer::Spreadsheet : Viewer::TextEditor, outputName);
        QCOMPARE(fake->viewerLauncher.launches, expected);
        QVERIFY(std::filesystem::file_size(outputName.toStdString()) > 0);
        QVERIFY(fake->messageBoxes.errors.empty());
        QCOMPARE(c.output->text(), outputName);
    }

    // 内容確認・修正 opens the editor on a readable input; a missing file or a
    // folder gets the message instead, and no editor.
    void checkInputOpensTheEditorOnlyOnAReadableFile_data() {
        QTest::addColumn<QString>("name");  // in the test's folder; empty: the folder
        QTest::addColumn<bool>("readable");
        QTest::newRow("readable file") << "area.txt" << true;
        QTest::newRow("missing file") << "missing.txt" << false;
        QTest::newRow("folder") << "" << false;
    }

    void checkInputOpensTheEditorOnlyOnAReadableFile() {
        QFETCH(QString, name);
        QFETCH(bool, readable);
        CEstimatorDlg dlg;
        Controls c(dlg);
        dlg.show();
        const std::string path =
            name.isEmpty() ? dir->path().string() : dir->file(name.toStdString());
        if (readable) writeFile(path, GOOD_INPUT);
        c.input->setText(q(path));
        auto editorOpened =
            whenModal<CEditorDlg>([](CEditorDlg* e) { e->reject(); }, readable ? 5000 : 300);
        c.check->click();
        QCOMPARE(dlg.state().inputPath, path);
        if (readable) {
            QVERIFY(*editorOpened);
            QVERIFY(fake->messageBoxes.errors.empty());
            return;
        }
        QCOMPARE(fake->messageBoxes.errors,
                 std::vector<QString>{QStringLiteral("ERROR!! : 入力ファイル\n") + q(path) +
                                      QStringLiteral(" を開けません")});
        QTest::qWait(400);
        QVERIFY(!*editorOpened);
    }

    void menuCommandsOpenTheirDialogs() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        dlg.show();
        c.input->setText("in.txt");
        c.csv->click();
        QCOMPARE(c.settings->text(), QStringLiteral("詳細設定(&S)"));
        QCOMPARE(c.about->text(), QStringLiteral("バージョン情報(&A)"));
        auto settingsOpened = whenModal<CSettingDlg>([](CSettingDlg* s) { s->reject(); });
        c.settings->trigger();
        QVERIFY(*settingsOpened);
        auto aboutOpened = whenModal<CAboutDlg>([](CAboutDlg* a) { a->accept(); });
        c.about->trigger();
        QVERIFY(*aboutOpened);
        // The mnemonics work from the keyboard.
        QVERIFY(showActive(dlg));
        aboutOpened = whenModal<CAboutDlg>([](CAboutDlg* a) { a->reject(); });
        QTest::keyClick(&dlg, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(*aboutOpened);
        QVERIFY(showActive(dlg));
        settingsOpened = whenModal<CSettingDlg>([](CSettingDlg* s) { s->reject(); });
        QTest::keyClick(&dlg, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(*settingsOpened);
        QCOMPARE(c.input->text(), QStringLiteral("in.txt"));
        QVERIFY(c.csv->isChecked());
        QVERIFY(dlg.isVisible());
    }

    void expectedCountsBecomeTheInputAsIfChosen() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        QAction* expected = c.expected;
        QCOMPARE(expected->text(), QStringLiteral("期待数(&E)"));
        c.csv->click();
        const std::string strata = dir->file("area.txt");
        writeFile(strata, "1 A s1 2 10\n1 B s1 1 10\n2 C s1 1 5\n");
        auto created = whenModal<CExpectedDlg>([&](CExpectedDlg* e) {
            e->findChild<QLineEdit*>("strataEdit")->setText(q(strata));
            e->findChild<QPushButton*>("createButton")->click();
        });
        expected->trigger();
        QVERIFY(*created);
        QVERIFY(fake->messageBoxes.errors.empty());
        QCOMPARE(readFile(dir->file("area_expected.txt")),
                 std::string("1\tA\t2\t1.5\n1\tB\t1\t1.5\n2\tC\t1\t1\n"));
        QCOMPARE(c.input->text(), q(dir->file("area_expected.txt")));
        QCOMPARE(dlg.state().inputPath, dir->file("area_expected.txt"));
        QCOMPARE(c.output->text(), q(dir->file("area_expectedout.csv")));
        QCOMPARE(c.log->text(), q(dir->file("area_expectedout.log")));
        QVERIFY(c.run->isEnabled() && c.check->isEnabled());

        // Cancelled, it changes nothing.
        auto cancelled = whenModal<CExpectedDlg>([](CExpectedDlg* e) { e->reject(); });
        expected->trigger();
        QVERIFY(*cancelled);
        QCOMPARE(c.input->text(), q(dir->file("area_expected.txt")));
    }

    void browseInputSetsTheInputAndProposesNames_data() {
        QTest::addColumn<bool>("csv");
        QTest::newRow("txt") << false;
        QTest::newRow("csv") << true;
    }

    void browseInputSetsTheInputAndProposesNames() {
        QFETCH(bool, csv);
        CEstimatorDlg dlg;
        Controls c(dlg);
        if (csv) c.csv->click();
        dlg.state().inputPath = "/earlier/choice.dat";
        const std::string chosen = dir->file("area.2005.txt");
        writeFile(chosen, GOOD_INPUT);
        fake->fileChooser.answers = {q(chosen)};
        c.browse->click();

        QCOMPARE(fake->fileChooser.requests.size(), 1u);
        const FileChooserRequest& r = fake->fileChooser.requests[0];
        QCOMPARE(r.kind, FileChooserRequest::Kind::Open);
        QVERIFY(r.title.isEmpty());
        QCOMPARE(r.filters, QStringList({QStringLiteral("ﾃｷｽﾄ,ﾃﾞｰﾀ(*.txt  *.dat)"),
                                         QStringLiteral("全て(*.*)")}));
        QCOMPARE(r.defaultSuffix, QStringLiteral("txt"));
        QCOMPARE(r.initialName, QStringLiteral("/earlier/choice.dat"));

        const std::string base = dir->file("area.2005");
        QCOMPARE(dlg.state().inputPath, chosen);
        QCOMPARE(dlg.state().outputPath, base + (csv ? "out.csv" : "out.txt"));
        QCOMPARE(dlg.state().logPath, base + "out.log");
        QCOMPARE(c.input->text(), q(chosen));
        QCOMPARE(c.output->text(), q(dlg.state().outputPath));
        QCOMPARE(c.log->text(), q(dlg.state().logPath));
        QVERIFY(c.run->isEnabled() && c.check->isEnabled());
        QVERIFY(fake->messageBoxes.errors.empty());
    }

    void cancelledOrRefusedChoosersChangeNothing() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        dlg.state().inputPath = "/in/a.txt";
        dlg.state().outputPath = "/in/aout.txt";
        dlg.state().logPath = "/in/aout.log";
        c.fill("typed in", "typed out", "typed log");
        const std::string missingFolder = dir->file("no/such/folder/x.txt");
        // One cancel and one refused file for each chooser.
        fake->fileChooser.answers = {std::nullopt, q(dir->file("missing.txt")),
                                     std::nullopt, q(missingFolder),
                                     std::nullopt, q(missingFolder)};
        for (QPushButton* b :
             {c.browse, c.browse, c.chooseOutput, c.chooseOutput, c.chooseLog, c.chooseLog})
            b->click();
        QCOMPARE(fake->fileChooser.requests.size(), 6u);
        QCOMPARE(dlg.state().inputPath, std::string("/in/a.txt"));
        QCOMPARE(dlg.state().outputPath, std::string("/in/aout.txt"));
        QCOMPARE(dlg.state().logPath, std::string("/in/aout.log"));
        QCOMPARE(c.input->text(), QStringLiteral("typed in"));
        QCOMPARE(c.output->text(), QStringLiteral("typed out"));
        QCOMPARE(c.log->text(), QStringLiteral("typed log"));
        const std::vector<QString> errors = {
            q(dir->file("missing.txt")) + QStringLiteral(" was not found."),
            q(missingFolder) + QStringLiteral(" was not found."),
            q(missingFolder) + QStringLiteral(" was not found.")};
        QCOMPARE(fake->messageBoxes.errors, errors);
        QVERIFY(!std::filesystem::exists(dir->file("missing.txt")));
    }

    void browseInputRefusesAFolderOrAnUnreadableFile() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        std::vector<std::string> refused = {dir->path().string()};
        if (::geteuid() != 0) {  // permission bits do not bind root
            const std::string locked = dir->file("locked.txt");
            writeFile(locked, GOOD_INPUT);
            std::filesystem::permissions(locked, std::filesystem::perms::none);
            refused.push_back(locked);
        }
        for (const std::string& path : refused) {
            fake->messageBoxes.errors.clear();
            fake->fileChooser.answers = {q(path)};
            c.browse->click();
            QCOMPARE(fake->messageBoxes.errors,
                     std::vector<QString>{QStringLiteral("Access to ") + q(path) +
                                          QStringLiteral(" was denied.")});
            QVERIFY(c.input->text().isEmpty());
            QVERIFY(dlg.state().inputPath.empty());
        }
    }

    // The output's and the log's chooser: each starts from the stored name
    // (not the typed one), keeps a chosen file that exists as it is, and
    // stores and shows the choice; the output's follows the format.
    void saveChoosersStartFromTheStoredNameAndKeepAnExistingFile_data() {
        QTest::addColumn<bool>("log");
        QTest::newRow("output") << false;
        QTest::newRow("log") << true;
    }

    void saveChoosersStartFromTheStoredNameAndKeepAnExistingFile() {
        QFETCH(bool, log);
        CEstimatorDlg dlg;
        Controls c(dlg);
        std::string& stored = log ? dlg.state().logPath : dlg.state().outputPath;
        QLineEdit* edit = log ? c.log : c.output;
        stored = dir->file(log ? "stored.log" : "stored.txt");
        edit->setText("typed.txt");
        const std::string existing = dir->file(log ? "old.log" : "existing.txt");
        writeFile(existing, "earlier results\n");
        fake->fileChooser.answers = {q(existing)};
        if (log) c.csv->click();  // the format plays no part
        (log ? c.chooseLog : c.chooseOutput)->click();
        const FileChooserRequest& r = fake->fileChooser.requests.at(0);
        QCOMPARE(r.kind, FileChooserRequest::Kind::Save);
        QCOMPARE(r.title,
                 log ? QStringLiteral("ログファイル名選択") : QStringLiteral("出力ファイル名選択"));
        QCOMPARE(r.filters, QStringList{log ? QStringLiteral("logﾌｧｲﾙ(*.log)")
                                            : QStringLiteral("ﾃｷｽﾄ(*.txt)")});
        QCOMPARE(r.defaultSuffix, log ? QStringLiteral("log") : QStringLiteral("txt"));
        QCOMPARE(r.initialName, q(dir->file(log ? "stored.log" : "stored.txt")));
        QCOMPARE(readFile(existing), std::string("earlier results\n"));
        QCOMPARE(stored, existing);
        QCOMPARE(edit->text(), q(existing));
        QVERIFY(c.run->isEnabled());
        if (log) return;

        // csv format: its own filter and extension; a new name is created empty.
        c.csv->click();
        fake->fileChooser.answers = {q(dir->file("new.csv"))};
        c.chooseOutput->click();
        const FileChooserRequest& r2 = fake->fileChooser.requests.at(1);
        QCOMPARE(r2.filters, QStringList{QStringLiteral("csvﾌｧｲﾙ(*.csv)")});
        QCOMPARE(r2.defaultSuffix, QStringLiteral("csv"));
        QCOMPARE(r2.initialName, q(dir->file("existing.csv")));  // switched by the click
        QVERIFY(std::filesystem::exists(dir->file("new.csv")));
        QCOMPARE(dlg.state().outputPath, dir->file("new.csv"));
    }

    void formatButtonsSwitchTheStoredOutputName() {
        CEstimatorDlg dlg;
        Controls c(dlg);
        writeFile(dir->file("area.txt"), GOOD_INPUT);
        fake->fileChooser.answers = {q(dir->file("area.txt"))};
        c.browse->click();
        c.csv->click();
        QCOMPARE(c.output->text(), q(dir->file("areaout.csv")));
        QCOMPARE(dlg.state().outputPath, dir->file("areaout.csv"));
        c.txt->click();
        QCOMPARE(c.output->text(), q(dir->file("areaout.txt")));
        QCOMPARE(dlg.state().logPath, dir->file("areaout.log"));
        QCOMPARE(c.log->text(), q(dir->file("areaout.log")));
        QCOMPARE(dlg.state().csvOutput, 0);

        // A typed name is overwritten by the stored one, also when the clicked
        // button was checked already.
        c.output->setText("typed.csv");
        c.txt->click();
        QVERIFY(c.txt->isChecked());
        QCOMPARE(c.output->text(), q(dir->file("areaout.txt")));

        const struct {
            const char* stored;
            const char* asCsv;
        } cases[] = {
            {"D:\\r.txt.d\\aout.txt", "D:\\r.csv.d\\aout.csv"},
            {"/r.txt.d/aout.txt", "/r.csv.d/aout.csv"},
            {"D:\\data\\res.TXT", "D:\\data\\res.TXT"},
        };
        for (const auto& k : cases) {
            dlg.state().outputPath = k.stored;
            c.csv->click();
            QCOMPARE(c.output->text(), QString::fromUtf8(k.asCsv));
            QCOMPARE(dlg.state().outputPath, std::string(k.asCsv));
        }
    }

    void formatButtonsWithNoStoredOutputEmptyTheEditAndDisableRun() {
        for (const char* typed : {"", "typed.txt"}) {
            CEstimatorDlg dlg;
            Controls c(dlg);
            c.output->setText(typed);
            QTest::keyClicks(c.log, "l");  // 実行 follows the log edit: enabled
            QVERIFY(c.run->isEnabled());
            c.csv->click();
            QVERIFY(c.output->text().isEmpty());
            QVERIFY(!c.run->isEnabled());
            QTest::keyClicks(c.log, "l");
            c.txt->click();
            QVERIFY(!c.run->isEnabled());
        }
    }

    // A run stopped part way leaves the old files and asks nothing. The input
    // is a pipe whose writer comes only after the stop, so the run is sure to
    // be going on (reading) then. Closing the window stops the run as the
    // progress window's cancel does, then closes without a word; the window
    // system's close counts too, although Qt drops it for a window that a
    // modal one blocks.
    void stoppingARunLeavesTheOldFiles_data() {
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("atMs");
        const int progressUp = BackgroundRun::PROGRESS_DELAY_MS + 300;
        QTest::newRow("progress window's cancel") << int(Stop::ProgressCancel) << progressUp;
        QTest::newRow("close, before the progress window") << int(Stop::Close) << 100;
        QTest::newRow("window system's close") << int(Stop::WindowSystemClose) << progressUp;
    }

    void stoppingARunLeavesTheOldFiles() {
        QFETCH(int, stop);
        QFETCH(int, atMs);
        CEstimatorDlg dlg;
        Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const std::string input = fillForPipeRun(c, true);

        bool sawProgress = false, secondRunRefused = false, expectedDisabled = false;
        bool openUntilTheRunEnds = false;
        QTimer::singleShot(atMs, &dlg, [&] {
            BackgroundRun* run = dlg.currentRun();
            QProgressDialog* progress = run ? run->progressWindow() : nullptr;
            sawProgress = progress != nullptr && progress->isVisible();
            // The main dialog takes no input meanwhile.
            QTest::mouseClick(c.run, Qt::LeftButton);
            secondRunRefused = run != nullptr && dlg.currentRun() == run;
            expectedDisabled = !c.expected->isEnabled();
            if (Stop(stop) == Stop::ProgressCancel && progress)
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            if (Stop(stop) == Stop::Close) dlg.close();
            if (Stop(stop) == Stop::WindowSystemClose)
                QWindowSystemInterface::handleCloseEvent<
                    QWindowSystemInterface::SynchronousDelivery>(dlg.windowHandle());
            openUntilTheRunEnds = dlg.isVisible();
            writeFile(input, GOOD_INPUT);  // only now does the read end: the run stops
        });
        QSignalSpy finished(&dlg, &QDialog::finished);
        QTest::mouseClick(c.run, Qt::LeftButton);

        QCOMPARE(sawProgress, atMs > BackgroundRun::PROGRESS_DELAY_MS);
        QVERIFY(secondRunRefused);
        QVERIFY(expectedDisabled);
        QVERIFY(openUntilTheRunEnds);
        QVERIFY(dlg.currentRun() == nullptr);
        expectOldFiles();
        QVERIFY(fake->messageBoxes.errors.empty());
        QVERIFY(fake->messageBoxes.questions.empty());  // no viewer question
        const bool closes = Stop(stop) != Stop::ProgressCancel;
        QCOMPARE(finished.count(), closes ? 1 : 0);
        QCOMPARE(dlg.isVisible(), !closes);
        QCOMPARE(fake->messageBoxes.notices.size(), closes ? 0u : 1u);
        if (closes) {
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            return;
        }
        QVERIFY(c.expected->isEnabled());
        QVERIFY(!c.plot->isEnabled());
        // A run that succeeds enables the plots.
        fillForGoodRun(c);
        QTest::mouseClick(c.run, Qt::LeftButton);
        QVERIFY(fake->messageBoxes.errors.empty());
        QVERIFY(c.plot->isEnabled());
    }

    // A message of the run, in a real message box, is the window in front and
    // takes Enter at once, also past the progress window's delay: no progress
    // window opens over it, before or after the answer. Once when the input
    // is missing (the message comes before the delay), once when the input's
    // last line is bad and the progress window is up already.
    void aMessageOfTheRunIsInFrontAndAnsweredAtOnce_data() {
        QTest::addColumn<bool>("afterProgress");
        QTest::newRow("missing input, under the progress timer") << false;
        QTest::newRow("bad last line, progress window up") << true;
    }

    void aMessageOfTheRunIsInFrontAndAnsweredAtOnce() {
        QFETCH(bool, afterProgress);
        tolven::setPlatform(Platform{nullptr, &fake->fileChooser, &fake->viewerLauncher});
        CEstimatorDlg dlg;
        Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        std::string input = dir->file("missing.txt");
        if (afterProgress)
            input = fillForPipeRun(c, false);
        else
            c.fill(q(input), q(dir->file("areaout.txt")), q(dir->file("areaout.log")));

        bool progressBefore = false;
        if (afterProgress)
            QTimer::singleShot(BackgroundRun::PROGRESS_DELAY_MS + 300, &dlg, [&] {
                QProgressDialog* progress = dlg.currentRun()->progressWindow();
                progressBefore = progress != nullptr && progress->isVisible();
                writeFile(input, std::string(GOOD_INPUT) + "2 B04 x 1.0\n");
            });
        bool inFront = false, progressOver = true, answered = false;
        QString text;
        const auto fired = whenModal<QMessageBox>([&](QMessageBox* box) {
            // The box stays open past the progress window's delay.
            QTimer::singleShot(BackgroundRun::PROGRESS_DELAY_MS + 300, box, [&, box] {
                inFront = QApplication::activeModalWidget() == box;
                QProgressDialog* progress = dlg.currentRun()->progressWindow();
                progressOver = progress != nullptr && progress->isVisible();
                text = box->text();
                // Enter as the window system delivers it: a window that a
                // modal one blocks does not get it.
                box->activateWindow();
                QTest::keyClick(box->windowHandle(), Qt::Key_Return);
                answered = !box->isVisible();
                if (!answered) box->done(QMessageBox::Ok);  // so that the run ends
            });
        });
        QTest::mouseClick(c.run, Qt::LeftButton);

        QVERIFY(*fired);
        QCOMPARE(progressBefore, afterProgress);
        QVERIFY(inFront);
        QVERIFY(!progressOver);
        QVERIFY(answered);
        QVERIFY2(text.startsWith(QStringLiteral("ERROR!!"), Qt::CaseInsensitive), qPrintable(text));
        QVERIFY(dlg.currentRun() == nullptr);
        QVERIFY(fake->messageBoxes.questions.empty());
        QVERIFY(!std::filesystem::exists(dir->file("areaout.txt")));
        QVERIFY(dlg.isVisible());
    }

    void displayIsNeededBeforeQtStarts() {
        QVERIFY(!CEstimatorApp::displayAvailable(nullptr, nullptr, nullptr));
        QVERIFY(!CEstimatorApp::displayAvailable("", "", ""));
        QVERIFY(CEstimatorApp::displayAvailable(nullptr, ":0", nullptr));
        QVERIFY(CEstimatorApp::displayAvailable(nullptr, nullptr, "wayland-0"));
        QVERIFY(CEstimatorApp::displayAvailable("offscreen", nullptr, nullptr));
    }
};

QTEST_MAIN(CEstimatorDlgTest)
#include "CEstimatorDlg_test.moc"

// The main dialog with Qt's own file chooser and message boxes, driven the
// way a user would: typing into the chooser's name field and pressing its
// buttons. Only the viewer launcher is a fake.
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "tests/support/test_support.h"
#include "tests/ui/EstimatorControls.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/WhenModal.h"

using tolven::test::readFile;
using tolven::test::TempDir;
using tolven::test::writeFile;

namespace {

// Types `name` into the chooser's name field, over what it held, and
// confirms it.
void chooseIn(QFileDialog* chooser, const QString& name) {
    auto* field = chooser->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(field);
    chooser->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(chooser));
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, name);
    // QFileDialog::accept() is protected; it is still a slot.
    QMetaObject::invokeMethod(chooser, "accept", Qt::DirectConnection);
}

// The names that a chooser's file list shows, sorted.
QStringList listed(QListView* list) {
    const QAbstractItemModel* model = list->model();
    QStringList names;
    for (int row = 0; row < model->rowCount(list->rootIndex()); ++row)
        names << model->index(row, 0, list->rootIndex()).data().toString();
    names.sort();
    return names;
}

// Stands in for the desktop's opener: records the URLs it is asked to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

}  // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT

private:
    FakeViewerLauncher viewers;
    std::unique_ptr<TempDir> dir;

private slots:
    void init() {
        tolven::setPlatform(Platform{nullptr, nullptr, &viewers});
        dir = std::make_unique<TempDir>();
    }

    void cleanup() {
        tolven::setPlatform(Platform{});
        dir.reset();
    }

    void errorBoxIsCaptionedWithTheProgramsName() {
        CEstimatorDlg dlg;
        const EstimatorControls c(dlg);
        dlg.show();
        const std::string missing = dir->file("missing.txt");
        c.input->setText(q(missing));
        const auto seen = whenMessageBox(QMessageBox::Ok);
        c.check->click();
        QVERIFY(seen->shown);
        QCOMPARE(seen->caption, QStringLiteral("QtPlatform_test"));
        QCOMPARE(seen->caption, tolven::applicationName());
        QCOMPARE(seen->text, QStringLiteral("ERROR!! : 入力ファイル\n") + q(missing) +
                                 QStringLiteral(" を開けません"));
        QCOMPARE(seen->icon, QMessageBox::Critical);
        QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen->owner, &dlg);
    }

    void questionsAfterARunHaveYesAndNoOnly() {
        CEstimatorDlg dlg;
        const EstimatorControls c(dlg);
        dlg.show();
        writeFile(dir->file("area.txt"), "1 A 3 2.5\n1 B 5 4.0\n1 C 2 3.0\n");
        c.fill(q(dir->file("area.txt")), q(dir->file("areaout.txt")), q(dir->file("areaout.log")));
        QStringList asked;
        std::shared_ptr<bool> second;
        auto first = whenModal<QMessageBox>([&](QMessageBox* box) {
            asked << box->text();
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(box->windowTitle(), tolven::applicationName());
            second = whenModal<QMessageBox>([&](QMessageBox* next) {
                asked << next->text();
                next->button(QMessageBox::Yes)->click();
            });
            box->button(QMessageBox::No)->click();
        });
        c.run->click();
        QVERIFY(*first && second && *second);
        QCOMPARE(
            asked,
            QStringList({QStringLiteral("処理が完了しました。\nメモ帳で出力ファイルを開きますか？"),
                         QStringLiteral("メモ帳でログファイルを開きますか？")}));
        QCOMPARE(viewers.launches.size(), 1u);
        QCOMPARE(viewers.launches[0].second, q(dir->file("areaout.log")));
    }

    void viewersGetTheFilesThatTheRunWrote() {
        // Names typed without a folder are written in the working folder and
        // must be shown from there.
        FakeMessageBoxes boxes;
        boxes.answers = {true, true};
        tolven::setPlatform(Platform{&boxes, nullptr, nullptr});
        OpenedUrls opener;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(q(dir->path().string())));
        writeFile(dir->file("area 1.txt"), "1 A 3 2.5\n1 B 5 4.0\n1 C 2 3.0\n");
        {
            CEstimatorDlg dlg;
            const EstimatorControls c(dlg);
            c.fill(QStringLiteral("area 1.txt"), QStringLiteral("area 1out.txt"),
                   q(dir->file("area 1out.log")));
            c.run->click();
        }
        QDir::setCurrent(before);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(boxes.errors, std::vector<QString>{});
        QCOMPARE(opener.urls.size(), 2);
        QCOMPARE(opener.urls[0].toLocalFile(), q(dir->file("area 1out.log")));
        QCOMPARE(opener.urls[1].toLocalFile(), q(dir->file("area 1out.txt")));
        QVERIFY(std::filesystem::exists(dir->file("area 1out.txt")));
    }

    void openChooserTakesATypedFileAndProposesNames() {
        CEstimatorDlg dlg;
        dlg.show();
        const std::string input = dir->file("area.dat");
        writeFile(input, "1 A 3 2.5\n");
        QStringList filters;
        auto shown = whenModal<QFileDialog>([&](QFileDialog* chooser) {
            filters = chooser->nameFilters();
            QCOMPARE(chooser->acceptMode(), QFileDialog::AcceptOpen);
            chooseIn(chooser, q(input));
        });
        dlg.findChild<QPushButton*>("browseInputButton")->click();
        QVERIFY(*shown);
        // Qt's chooser shows a filter's text with its blanks collapsed.
        QCOMPARE(filters, QStringList({QStringLiteral("ﾃｷｽﾄ,ﾃﾞｰﾀ(*.txt *.dat)"),
                                       QStringLiteral("全て(*.*)")}));
        QCOMPARE(dlg.state().inputPath, input);
        QCOMPARE(dlg.findChild<QLineEdit*>("outputEdit")->text(), q(dir->file("areaout.txt")));
        QCOMPARE(dlg.findChild<QLineEdit*>("logEdit")->text(), q(dir->file("areaout.log")));
    }

    void allFilesFilterListsFilesWithoutExtension() {
        // A file without an extension in a folder with a "." in its name: it
        // is listed under 全て(*.*), taken as typed, and its folder's "."
        // starts the default names.
        const std::filesystem::path folder = dir->path() / "ver1.2";
        std::filesystem::create_directory(folder);
        const std::string counts = (folder / "counts").string();
        writeFile(counts, "1 A 3 2.5\n");
        writeFile((folder / "area.txt").string(), "1 A 3 2.5\n");
        writeFile((folder / "notes.md").string(), "\n");
        CEstimatorDlg dlg;
        dlg.state().inputPath = (folder / "area.txt").string();
        dlg.show();
        FakeMessageBoxes boxes;
        tolven::setPlatform(Platform{&boxes, nullptr, &viewers});
        QStringList firstList, allList;
        QString allFilter;
        auto shown = whenModal<QFileDialog>([&](QFileDialog* chooser) {
            auto* list = chooser->findChild<QListView*>("listView");
            auto* types = chooser->findChild<QComboBox*>("fileTypeCombo");
            if (list && types) {
                // The list fills in the background.
                (void)QTest::qWaitFor([&] { return (firstList = listed(list)).size() >= 1; });
                // The user picks the second filter with the keyboard.
                types->setFocus();
                QTest::keyClick(types, Qt::Key_Down);
                allFilter = types->currentText();
                (void)QTest::qWaitFor([&] { return (allList = listed(list)).size() >= 3; }, 2000);
            }
            chooseIn(chooser, QStringLiteral("counts"));
        });
        dlg.findChild<QPushButton*>("browseInputButton")->click();
        tolven::setPlatform(Platform{nullptr, nullptr, &viewers});
        QVERIFY(*shown);
        QCOMPARE(boxes.errors, std::vector<QString>{});
        QCOMPARE(firstList, QStringList{QStringLiteral("area.txt")});
        QCOMPARE(allFilter, QStringLiteral("全て(*.*)"));
        QCOMPARE(allList, QStringList({QStringLiteral("area.txt"), QStringLiteral("counts"),
                                       QStringLiteral("notes.md")}));
        QCOMPARE(dlg.state().inputPath, counts);
        QCOMPARE(dlg.findChild<QLineEdit*>("inputEdit")->text(), q(counts));
        QCOMPARE(dlg.state().outputPath, dir->file("ver1out.txt"));
        QCOMPARE(dlg.state().logPath, dir->file("ver1out.log"));
    }

    void openChooserWithAMissingFileShowsNotFound() {
        // A missing name typed without an extension gets the default one.
        CEstimatorDlg dlg;
        dlg.show();
        const std::string missing = dir->file("nothing.txt");
        QString message;
        auto shown = whenModal<QFileDialog>([&](QFileDialog* chooser) {
            whenModal<QMessageBox>([&](QMessageBox* box) {
                message = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            chooseIn(chooser, q(dir->file("nothing")));
        });
        dlg.findChild<QPushButton*>("browseInputButton")->click();
        QVERIFY(*shown);
        QCOMPARE(message, q(missing) + QStringLiteral(" was not found."));
        QVERIFY(dlg.findChild<QLineEdit*>("inputEdit")->text().isEmpty());
        QVERIFY(dlg.state().inputPath.empty());
    }

    // The output's and the log's chooser start in the stored name's folder
    // with that name (not the typed one). A chosen name gets the format's
    // extension and is created; an existing file is confirmed and left whole;
    // a cancelled chooser changes nothing, whatever its name field held.
    void saveChoosersTakeTheTypedName_data() {
        QTest::addColumn<bool>("log");
        QTest::addColumn<QString>("typed");   // into the chooser; empty: cancel
        QTest::addColumn<QString>("chosen");  // the stored name afterwards
        QTest::newRow("existing output") << false << "results.txt"
                                         << "results.txt";
        QTest::newRow("csv output") << false << "table"
                                    << "table.csv";
        QTest::newRow("log") << true << "run"
                             << "run.log";
        QTest::newRow("cancelled log") << true << ""
                                       << "stored.log";
    }

    void saveChoosersTakeTheTypedName() {
        QFETCH(bool, log);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        CEstimatorDlg dlg;
        const EstimatorControls c(dlg);
        dlg.show();
        if (chosen.endsWith(".csv")) c.csv->click();
        const std::string existing = dir->file("results.txt");
        writeFile(existing, "results of last week\n");
        std::string& stored = log ? dlg.state().logPath : dlg.state().outputPath;
        const QString start = q(stored = dir->file(log ? "stored.log" : "stored.out"));
        (log ? c.log : c.output)->setText("typed elsewhere");
        QString title, question;
        QStringList started;
        auto shown = whenModal<QFileDialog>([&](QFileDialog* chooser) {
            title = chooser->windowTitle();
            started = {chooser->directory().absolutePath(), chooser->selectedFiles().value(0)};
            chooser->findChild<QLineEdit*>("fileNameEdit")->setText("other.log");
            if (typed.isEmpty()) return chooser->reject();
            if (typed == chosen)  // an existing file: confirmed
                whenModal<QMessageBox>([&](QMessageBox* box) {
                    question = box->text();
                    box->button(QMessageBox::Yes)->click();
                });
            chooseIn(chooser, typed);
        });
        (log ? c.chooseLog : c.chooseOutput)->click();
        QVERIFY(*shown);
        QCOMPARE(title,
                 log ? QStringLiteral("ログファイル名選択") : QStringLiteral("出力ファイル名選択"));
        QCOMPARE(started, QStringList({q(dir->path().string()), start}));
        QCOMPARE(stored, dir->file(chosen.toStdString()));
        QCOMPARE((log ? c.log : c.output)->text(), typed.isEmpty() ? "typed elsewhere" : q(stored));
        QCOMPARE(question.contains(QStringLiteral("results.txt")), stored == existing);
        QCOMPARE(readFile(existing), std::string("results of last week\n"));
        QCOMPARE(std::filesystem::exists(stored), !typed.isEmpty());
        QVERIFY(!std::filesystem::exists(dir->file("other.log")));
    }
};

QTEST_MAIN(QtPlatformTest)
#include "QtPlatform_test.moc"

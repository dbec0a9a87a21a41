#include "ui/dialogs/CExpectedDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "tests/support/test_support.h"
#include "tests/ui/DialogHelpers.h"
#include "tests/ui/FakePlatform.h"

using tolven::test::dataFile;
using tolven::test::readFile;
using tolven::test::TempDir;
using tolven::test::writeFile;

namespace {

// The dialog's controls, found by name.
struct Controls {
    const CExpectedDlg& dlg;
    QLineEdit* strata = child<QLineEdit>(dlg, "strataEdit");
    QPushButton* browseStrata = child<QPushButton>(dlg, "browseStrataButton");
    QRadioButton* unit = child<QRadioButton>(dlg, "unitRadio");
    QRadioButton* rateFile = child<QRadioButton>(dlg, "rateFileRadio");
    QLineEdit* rate = child<QLineEdit>(dlg, "rateEdit");
    QPushButton* browseRate = child<QPushButton>(dlg, "browseRateButton");
    QComboBox* ratePer = child<QComboBox>(dlg, "ratePerCombo");
    QLineEdit* write = child<QLineEdit>(dlg, "writeEdit");
    QPushButton* create = child<QPushButton>(dlg, "createButton");
};

// The fixture's table under each reference (E derived by hand in the core's test).
const char* const UNIT_TABLE = "1\tA\t3\t2\n1\tB\t3\t4\n2\tC\t4\t4\n";
const char* const RATE_TABLE = "1\tA\t3\t2.5\n1\tB\t3\t5.5\n2\tC\t4\t2\n";

}  // namespace

class CExpectedDlgTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<TempDir> dir;
    std::string strata;

private slots:
    void init() {
        fake = std::make_unique<FakePlatform>();
        dir = std::make_unique<TempDir>();
        strata = dir->file("area.2020.txt");
        std::filesystem::copy_file(dataFile("standardisation/three_regions_crlf_ctrl_z.txt"),
                                   strata);
    }

    void cleanup() {
        fake.reset();
        dir.reset();
    }

    void chosenStrataProposeTheInputNameAndCreateWritesIt() {
        CExpectedDlg dlg;
        Controls c{dlg};
        QCOMPARE(dlg.windowTitle(), QStringLiteral("期待数の計算"));
        QVERIFY(c.unit->isChecked());
        QVERIFY(!c.rate->isEnabled() && !c.browseRate->isEnabled() && !c.ratePer->isEnabled());
        fake->fileChooser.answers = {q(strata)};
        c.browseStrata->click();
        QCOMPARE(c.strata->text(), q(strata));
        QCOMPARE(c.write->text(), q(dir->file("area.2020_expected.txt")));

        c.create->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(fake->messageBoxes.errors.empty());
        QCOMPARE(dlg.writtenPath(), q(dir->file("area.2020_expected.txt")));
        QCOMPARE(readFile(dir->file("area.2020_expected.txt")), std::string(UNIT_TABLE));
        QCOMPARE(fake->messageBoxes.notices.size(), std::size_t{1});
        QVERIFY(fake->messageBoxes.notices[0].startsWith(
            QStringLiteral("入力ファイルを作成しました。\n") + dlg.writtenPath()));
        QVERIFY(fake->messageBoxes.notices[0].endsWith(
            QStringLiteral("確認 : 各グループで観測数の合計と期待数の合計が一致します")));
    }

    void rateFileWithItsBase() {
        writeFile(dir->file("rates.txt"), "s1 10\ns2 30\n");
        CExpectedDlg dlg;
        Controls c{dlg};
        c.strata->setText(q(strata));
        c.rateFile->click();
        QVERIFY(c.rate->isEnabled() && c.browseRate->isEnabled() && c.ratePer->isEnabled());
        fake->fileChooser.answers = {q(dir->file("rates.txt"))};
        c.browseRate->click();
        QCOMPARE(c.rate->text(), q(dir->file("rates.txt")));
        c.ratePer->setCurrentIndex(1);  // per 1,000
        // No name given: the default one.
        c.create->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(readFile(dir->file("area.2020_expected.txt")), std::string(RATE_TABLE));
    }

    void refusalsShowTheirMessageWriteNothingAndStayOpen() {
        const struct {
            const char* name;
            const char* strataText;
            const char* rateText;  // nullptr: 単位内
            QString message;
        } cases[] = {
            {"missing rate", "1 A s1 2 10\n1 A s2 1 10\n", "s1 1\n",
             QStringLiteral("Error!! : 基準率ファイル\n層 s2 の基準率がありません")},
            {"stratum twice", "1 A s1 2 10\n1 A s1 1 10\n", nullptr,
             QStringLiteral("Error!! : 層別ファイル\n層 s1 が同じ地域に2度あります : 2行目")},
            {"negative population", "1 A s1 2 -10\n", nullptr,
             QStringLiteral("Error!! : 層別ファイル\n人口が0以上の実数ではありません : 1行目")},
            {"bad number", "1 A s1 x 10\n", nullptr,
             QStringLiteral("Error!! : 層別ファイル\n観測数が0以上の整数ではありません : 1行目")},
        };
        for (const auto& t : cases) {
            writeFile(strata, t.strataText);
            FakePlatform platform;
            CExpectedDlg dlg;
            Controls c{dlg};
            c.strata->setText(q(strata));
            c.write->setText(q(dir->file("made.txt")));
            if (t.rateText) {
                writeFile(dir->file("rates.txt"), t.rateText);
                c.rateFile->click();
                c.rate->setText(q(dir->file("rates.txt")));
            }
            dlg.show();
            c.create->click();
            QVERIFY2(dlg.isVisible(), t.name);
            QCOMPARE(platform.messageBoxes.errors, std::vector<QString>{t.message});
            QVERIFY2(!std::filesystem::exists(dir->file("made.txt")), t.name);
            QVERIFY(dlg.writtenPath().isEmpty());
        }
    }
};

QTEST_MAIN(CExpectedDlgTest)
#include "CExpectedDlg_test.moc"

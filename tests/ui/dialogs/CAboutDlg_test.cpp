#include "ui/dialogs/CAboutDlg.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "tests/ui/DialogHelpers.h"

class CAboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void okEscapeAndCloseBoxCloseIt() {
        for (int way = 0; way < 4; ++way) {
            CAboutDlg about;
            auto* ok = child<QPushButton>(about, "okButton");
            QVERIFY(ok->isDefault());
            QVERIFY(showActive(about));
            QSignalSpy finished(&about, &QDialog::finished);
            if (way < 3) dismiss(about, ALL_DISMISSALS[way], ok);
            if (way == 3) QTest::keyClick(&about, Qt::Key_Return);
            QCOMPARE(finished.count(), 1);
            QVERIFY(!about.isVisible());
        }
    }

    void hasAModalFrame() {
        CAboutDlg about;
        const Qt::WindowFlags flags = about.windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(about.minimumSize(), about.maximumSize());
    }
};

QTEST_MAIN(CAboutDlgTest)
#include "CAboutDlg_test.moc"

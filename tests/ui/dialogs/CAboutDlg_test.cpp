#include "ui/dialogs/CAboutDlg.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class CAboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void okEscapeAndCloseBoxCloseIt() {
        for (int way = 0; way < 4; ++way) {
            CAboutDlg about;
            auto* ok = about.findChild<QPushButton*>("okButton");
            QVERIFY(ok->isDefault());
            about.show();
            about.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&about));
            QSignalSpy finished(&about, &QDialog::finished);
            if (way == 0) ok->click();
            if (way == 1) QTest::keyClick(&about, Qt::Key_Escape);
            if (way == 2) QTest::keyClick(&about, Qt::Key_Return);
            if (way == 3) about.close();
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

// A check by eye and by clock, not run by ctest: starts a run of several
// seconds from the main dialog (one unit whose counts are around 10^9, so
// that every fit step walks a billion terms), takes a screenshot of the whole
// screen every second while it goes on, and prints how late each of those
// timer ticks came. A window that keeps repainting shows the progress window
// over the main dialog in every shot, and ticks about a second apart.
//
//   xvfb-run -a -s "-screen 0 800x600x24" build/tools/run_repaint_check /tmp/shots
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "tests/support/test_support.h"
#include "tests/ui/FakePlatform.h"
#include "ui/dialogs/CEstimatorDlg.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("VL Gothic"), 9));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    tolven::test::TempDir dir;
    tolven::test::writeFile(dir.file("slow.txt"),
                            "1 A 1200000000 1000000000.0\n1 B 1000000000 1000000000.0\n"
                            "1 C 800000000 1000000000.0\n1 D 900000000 900000000.0\n");
    FakePlatform fake;  // answers No to the viewer questions

    CEstimatorDlg dialog;
    dialog.findChild<QLineEdit*>("inputEdit")
        ->setText(QString::fromStdString(dir.file("slow.txt")));
    dialog.findChild<QLineEdit*>("outputEdit")
        ->setText(QString::fromStdString(dir.file("out.txt")));
    dialog.findChild<QLineEdit*>("logEdit")->setText(QString::fromStdString(dir.file("out.log")));
    dialog.show();

    QElapsedTimer clock;
    clock.start();
    int shot = 0;
    qint64 last = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        std::printf("tick at %5lld ms, %4lld ms after the one before\n",
                    static_cast<long long>(now), static_cast<long long>(now - last));
        last = now;
        const QString name =
            QStringLiteral("%1/run_%2.png").arg(folder).arg(shot++, 2, 10, QLatin1Char('0'));
        QGuiApplication::primaryScreen()->grabWindow(0).save(name);
    });
    ticks.start(1000);
    QTimer::singleShot(200, [&] {
        dialog.findChild<QPushButton*>("runButton")->click();
        std::printf("run over after %lld ms; %zu notices, %zu errors\n",
                    static_cast<long long>(clock.elapsed()), fake.messageBoxes.notices.size(),
                    fake.messageBoxes.errors.size());
        QApplication::quit();
    });
    return application.exec();
}

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "ui/app/CEstimatorApp.h"

int main(int argc, char* argv[]) {
    // Without a display QApplication aborts with a message about platform
    // plugins that few users understand; say what is missing instead.
    if (!CEstimatorApp::displayAvailable(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                         std::getenv("WAYLAND_DISPLAY"))) {
        std::fputs(
            "TOLVEN: no display found (DISPLAY and WAYLAND_DISPLAY are unset). Start it "
            "from a desktop session, or under xvfb-run.\n"
            "TOLVEN: 画面が見つかりません (DISPLAY も WAYLAND_DISPLAY も設定されていません)。"
            "デスクトップから、または xvfb-run の下で起動してください。\n",
            stderr);
        return 1;
    }
    QApplication qtApplication(argc, argv);
    // QApplication has taken every locale category from the environment;
    // numbers must be written and read the same for every user.
    std::setlocale(LC_NUMERIC, "C");
    CEstimatorApp app;
    return app.InitInstance();
}

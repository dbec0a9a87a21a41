#pragma once

#include <QTranslator>

// The application object. It runs the main dialog modally as the program's
// only window; the dialog's own loop is the program's only event loop, and
// the program ends when the dialog closes.
class CEstimatorApp {
public:
    // The QApplication must exist already.
    CEstimatorApp();
    ~CEstimatorApp();
    CEstimatorApp(const CEstimatorApp&) = delete;
    CEstimatorApp& operator=(const CEstimatorApp&) = delete;

    // Start-up: Qt's own texts in Japanese, the application's font and icon;
    // then the main dialog, until it ends. Returns the process's exit status,
    // 0.
    int InitInstance();

    // Whether a window can be shown at all: on X11/Wayland systems Qt needs
    // an explicit QT_QPA_PLATFORM, a DISPLAY or a WAYLAND_DISPLAY (an empty
    // value counts as none). Pass the three environment values (nullptr when
    // unset). Always true on Windows and macOS.
    static bool displayAvailable(const char* qpaPlatform, const char* display,
                                 const char* waylandDisplay);

private:
    QTranslator qtTexts_;
};

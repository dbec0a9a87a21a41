#pragma once

#include <QPointer>
#include <QTranslator>
#include <QWidget>
#include <string>

#include "core/user_messages.h"

class CEstimatorDlg;

// Shows the core's failure messages as message boxes owned by the main dialog
// (or by no window while there is none).
class MainDialogMessageSink final : public tolven::MessageSink {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    void showError(const std::string& text) override;

private:
    QPointer<QWidget> owner_;
};

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

    // Start-up: Qt's own texts in Japanese, the application's font and icon,
    // the message sink; then the main dialog, until it ends. Returns the
    // process's exit status, 0.
    int InitInstance();

    // The main dialog while it runs, else nullptr.
    CEstimatorDlg* mainDialog() const { return mainDialog_; }

    // Whether a window can be shown at all: on X11/Wayland systems Qt needs
    // an explicit QT_QPA_PLATFORM, a DISPLAY or a WAYLAND_DISPLAY (an empty
    // value counts as none). Pass the three environment values (nullptr when
    // unset). Always true on Windows and macOS.
    static bool displayAvailable(const char* qpaPlatform, const char* display,
                                 const char* waylandDisplay);

private:
    QTranslator qtTexts_;
    MainDialogMessageSink sink_;
    CEstimatorDlg* mainDialog_ = nullptr;
};

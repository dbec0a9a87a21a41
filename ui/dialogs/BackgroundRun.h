#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <atomic>
#include <memory>

#include "run/estimation_run.h"

class QTimer;
class QWidget;

// Runs one estimation off the interface thread, so that the window keeps
// repainting, and lets the user stop it.
//
// exec() starts the run and returns its result (RUN_SUCCEEDED, RUN_FAILED,
// RUN_CANCELLED) when it is over, keeping the interface's events going
// meanwhile. While it runs, `owner` and its children take no mouse or
// keyboard input (they keep the look the enabling rules gave them); closing
// the owner's window, by the program or through the window system, stops the
// run and is remembered (closeRequested). A run that lasts more than about
// half a second shows a progress window of one width: reading, then the units
// done out of how many, then the rows written, with a 中止 button. It blocks
// no other window, so that the window system's close of the owner still
// arrives. Every message the run raises is shown on the interface thread
// through the platform's message boxes, in front of the owner, the run
// waiting for it to be answered: while it is open no progress window is
// shown (an open one goes first), and one comes back only if the run still
// goes on PROGRESS_DELAY_MS after the answer.
class BackgroundRun : public QObject {
    Q_OBJECT
public:
    BackgroundRun(QWidget* owner, tolven::RunRequest request);
    ~BackgroundRun() override;

    int exec();

    // Asks the run to stop soon; exec() then returns RUN_CANCELLED.
    void cancel();
    // True when the user closed the owner's window during the run: the run was
    // stopped, and the window is to close now that it is over.
    bool closeRequested() const { return closeRequested_; }

    // The progress window while it is shown, else nullptr (for tests).
    QProgressDialog* progressWindow() const { return progress_; }

    // How long a run goes on before its progress window appears.
    static constexpr int PROGRESS_DELAY_MS = 500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Forwarder;

    void showProgressWindow();
    void setProgressText(const QString& text, int done, int total);
    // Shows one of the run's messages, with no progress window over it.
    void showMessage(const QString& text);

    QWidget* owner_;
    tolven::RunRequest request_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    bool closeRequested_ = false;
    bool messageOpen_ = false;
    QTimer* progressTimer_ = nullptr;
    QPointer<QProgressDialog> progress_;
    QString pendingText_;
    int pendingDone_ = 0;
    int pendingTotal_ = 0;
};

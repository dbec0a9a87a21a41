#include "ui/dialogs/BackgroundRun.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <thread>

#include "ui/platform/Platform.h"

namespace {

const QString READING_TEXT = QStringLiteral("入力ファイルを読み込み中…");
const QString ESTIMATING_TEXT = QStringLiteral("推定中… %1 / %2 グループ");
const QString WRITING_TEXT = QStringLiteral("出力ファイルを書き込み中…");
const QString CANCEL_TEXT = QStringLiteral("中止");
const QString STOPPING_TEXT = QStringLiteral("中止しています…");
// The widest unit count the progress window makes room for.
const QString WIDEST_COUNT = QStringLiteral("0000000");

// The events by which a user acts on a window.
bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

// Carries the run's messages and progress from its thread to the interface
// thread.
class BackgroundRun::Forwarder final : public tolven::MessageSink, public tolven::RunProgress {
public:
    explicit Forwarder(BackgroundRun& run) : run_(run) {}

    void showError(const std::string& text) override {
        // Blocking: the run goes on only once the user has closed the box,
        // as with a run on the interface thread.
        BackgroundRun* run = &run_;
        QMetaObject::invokeMethod(
            &run_, [run, text] { run->showMessage(QString::fromStdString(text)); },
            Qt::BlockingQueuedConnection);
    }

    void reading() override { post(READING_TEXT, 0, 0); }
    void estimating(std::size_t done, std::size_t total) override {
        post(ESTIMATING_TEXT.arg(done).arg(total),
             static_cast<int>(done * 1000 / std::max<std::size_t>(total, 1)), 1000);
    }
    void writing() override { post(WRITING_TEXT, 0, 1000); }
    void writingRows(std::size_t done, std::size_t total) override {
        post(WRITING_TEXT, static_cast<int>(done * 1000 / std::max<std::size_t>(total, 1)), 1000);
    }

private:
    void post(const QString& text, int done, int total) {
        BackgroundRun* run = &run_;
        QMetaObject::invokeMethod(
            &run_, [run, text, done, total] { run->setProgressText(text, done, total); },
            Qt::QueuedConnection);
    }

    BackgroundRun& run_;
};

BackgroundRun::BackgroundRun(QWidget* owner, tolven::RunRequest request)
    : owner_(owner), request_(std::move(request)), progressTimer_(new QTimer(this)) {
    progressTimer_->setSingleShot(true);
    progressTimer_->setInterval(PROGRESS_DELAY_MS);
    connect(progressTimer_, &QTimer::timeout, this, [this] {
        if (running_ && !messageOpen_ && !progress_) showProgressWindow();
    });
}

BackgroundRun::~BackgroundRun() = default;

void BackgroundRun::cancel() {
    cancel_.store(true);
    if (progress_) progress_->setLabelText(STOPPING_TEXT);
}

int BackgroundRun::exec() {
    running_ = true;
    qApp->installEventFilter(this);
    Forwarder forwarder(*this);
    request_.cancel = &cancel_;
    request_.progress = &forwarder;

    QEventLoop loop;
    std::atomic<int> result{tolven::RUN_FAILED};
    std::thread worker([&] {
        result = tolven::runEstimation(request_, forwarder);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    progressTimer_->start();
    loop.exec();
    worker.join();

    running_ = false;
    progressTimer_->stop();
    qApp->removeEventFilter(this);
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    return result;
}

void BackgroundRun::showMessage(const QString& text) {
    messageOpen_ = true;
    progressTimer_->stop();
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    tolven::platform().messageBoxes->showError(owner_, text);
    messageOpen_ = false;
    // A run that failed ends at once; one that goes on gets its window back.
    if (running_) progressTimer_->start();
}

void BackgroundRun::showProgressWindow() {
    progress_ = new QProgressDialog(owner_);
    progress_->setWindowTitle(tolven::applicationName());
    // Modal, it would block the owner's window, and Qt would drop the window
    // system's close of it; the event filter keeps the owner from input.
    progress_->setWindowModality(Qt::NonModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setCancelButtonText(CANCEL_TEXT);
    // One width for every phase: the widest of its texts.
    int width = 0;
    for (const QString& text : {READING_TEXT, ESTIMATING_TEXT.arg(WIDEST_COUNT).arg(WIDEST_COUNT),
                                WRITING_TEXT, STOPPING_TEXT}) {
        progress_->setLabelText(text);
        width = std::max(width, progress_->sizeHint().width());
    }
    progress_->setFixedWidth(width);
    progress_->setLabelText(pendingText_.isEmpty() ? READING_TEXT : pendingText_);
    progress_->setRange(0, pendingTotal_);
    progress_->setValue(pendingDone_);
    // The progress window's own close box and Escape also stop the run.
    connect(progress_, &QProgressDialog::canceled, this, &BackgroundRun::cancel);
    progress_->show();
}

void BackgroundRun::setProgressText(const QString& text, int done, int total) {
    pendingText_ = text;
    pendingDone_ = done;
    pendingTotal_ = total;
    if (!progress_ || cancel_.load()) return;
    progress_->setLabelText(text);
    progress_->setRange(0, total);
    progress_->setValue(done);
}

bool BackgroundRun::eventFilter(QObject* watched, QEvent* event) {
    // The owner and its children take no input while the run goes on; the
    // progress window (and the message boxes) do.
    if (running_ && isUserInput(event->type()) && watched->isWidgetType()) {
        if (static_cast<QWidget*>(watched)->window() == owner_) {
            if (event->type() == QEvent::Close) {
                // Closing the program stops the run first.
                // A close event counts as agreed unless ignored.
                event->ignore();
                closeRequested_ = true;
                cancel();
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

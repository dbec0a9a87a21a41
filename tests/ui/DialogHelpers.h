#pragma once

#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QString>
#include <QTest>
#include <QWidget>
#include <csignal>
#include <string>

// Small steps that the dialog tests take again and again.

inline QString q(const std::string& bytes) { return QString::fromStdString(bytes); }

// The child of `parent` named `name`; a test that looks for a control that is
// not there stops at once, naming it, instead of crashing later.
template <class T>
T* child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    if (!found) qFatal("no child named %s", name);
    return found;
}

// Shows the dialog and waits until it is the active window.
[[nodiscard]] inline bool showActive(QWidget& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

// Types `text` at the widget's cursor as an input method commits it. Unlike
// QTest::keyClicks, this also works for Japanese text.
inline void commitText(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

// The three ways the user turns a dialog down: its cancel (or quit) button,
// Escape and the window's close box.
enum class Dismissal { Button, Escape, CloseBox };
inline constexpr Dismissal ALL_DISMISSALS[] = {Dismissal::Button, Dismissal::Escape,
                                               Dismissal::CloseBox};

inline void dismiss(QDialog& dialog, Dismissal way, QAbstractButton* button,
                    QWidget* focus = nullptr) {
    switch (way) {
        case Dismissal::Button:
            button->click();
            break;
        case Dismissal::Escape:
            QTest::keyClick(focus ? focus : &dialog, Qt::Key_Escape);
            break;
        case Dismissal::CloseBox:
            dialog.close();
            break;
    }
}

// Lowers the file size limit (which binds root too) for its lifetime, so that
// a write stops part way; the signal that the excess would raise is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*oldHandler_)(int);
};

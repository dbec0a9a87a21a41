#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Acts on a modal window that the code under test is about to open and wait
// for in its own event loop. Polls for the active modal widget of type T and
// hands it to `action` once. If none appears in time, whatever modal window is
// open is rejected so that the test does not hang. The returned flag tells
// whether `action` ran.
template <class T>
std::shared_ptr<bool> whenModal(std::function<void(T*)> action, int timeoutMs = 5000) {
    auto fired = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (T* target = qobject_cast<T*>(modal); target && target->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *fired = true;
            action(target);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    });
    timer->start(10);
    return fired;
}

// What a real message box showed before `answer` was pressed in it.
struct SeenMessageBox {
    bool shown = false;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
};

// Answers the next message box with `answer` and records what it showed.
inline std::shared_ptr<SeenMessageBox> whenMessageBox(QMessageBox::StandardButton answer) {
    auto seen = std::make_shared<SeenMessageBox>();
    whenModal<QMessageBox>([seen, answer](QMessageBox* box) {
        *seen = {true,        box->windowTitle(),     box->text(),
                 box->icon(), box->standardButtons(), box->parentWidget()};
        box->button(answer)->click();
    });
    return seen;
}

#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QString>
#include <QWidget>

// Types `text` at the widget's cursor as an input method commits it. Unlike
// QTest::keyClicks, this also works for Japanese text.
inline void commitText(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

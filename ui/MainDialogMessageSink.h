#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "core/user_messages.h"

// Shows the core's failure messages as message boxes owned by the main dialog
// (or by no window while there is none).
class MainDialogMessageSink final : public tolven::MessageSink {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    void showError(const std::string& text) override;

private:
    QPointer<QWidget> owner_;
};

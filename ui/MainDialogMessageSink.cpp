#include "ui/MainDialogMessageSink.h"

#include "ui/Platform.h"

void MainDialogMessageSink::showError(const std::string& text) {
    tolven::platform().messageBoxes->showError(owner_.data(), QString::fromUtf8(text));
}

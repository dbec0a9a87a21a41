#pragma once

#include "ui/platform/FileChooser.h"
#include "ui/platform/MessageBoxes.h"
#include "ui/platform/ViewerLauncher.h"

// The platform services the dialogs use. The application installs the Qt
// ones; tests install fakes that script the answers.
struct Platform {
    MessageBoxes* messageBoxes = nullptr;
    FileChooser* fileChooser = nullptr;
    ViewerLauncher* viewerLauncher = nullptr;
};

namespace tolven {

// The services in force. Before any installation they are the Qt ones.
Platform& platform();

// Installs `services`; entries left null keep the Qt implementation.
void setPlatform(const Platform& services);

// The application's name, which captions every message box: the base name of
// the running executable, without folder and extension.
QString applicationName();

}  // namespace tolven

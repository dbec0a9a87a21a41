#include "ui/app/ApplicationIcon.h"

// The resources live in a static library, whose registration the linker would
// otherwise drop; initialising twice is harmless. The macro declares a
// function of the global namespace, so it is used outside any namespace.
static void initialiseResources() { Q_INIT_RESOURCE(tolven); }

namespace tolven {

QIcon applicationIcon() {
    initialiseResources();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/tolven-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace tolven

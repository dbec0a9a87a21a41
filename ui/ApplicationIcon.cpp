#include "ui/ApplicationIcon.h"

QIcon applicationIcon() {
    // The resources live in a static library, whose registration the linker
    // would otherwise drop; initialising twice is harmless.
    Q_INIT_RESOURCE(tolven);
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/tolven-%1.png").arg(size), QSize(size, size));
    return icon;
}

#pragma once

#include <QIcon>

namespace tolven {

// The application icon with its 16, 32 and 48 px images, from the program's
// own resources.
QIcon applicationIcon();

}  // namespace tolven

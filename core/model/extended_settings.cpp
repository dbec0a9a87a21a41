#include "core/model/extended_settings.h"

namespace tolven {

void setDefaultExtendedSettings(ExtendedSettings& settings) { settings = ExtendedSettings{}; }

}  // namespace tolven

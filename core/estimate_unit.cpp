#include "core/estimate_unit.h"

#include "core/ratio_statistics.h"

#include "core/eb_ratios.h"

#include "core/ml_fit.h"

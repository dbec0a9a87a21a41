#include "core/estimation_run.h"

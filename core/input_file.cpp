#include "core/input_file.h"

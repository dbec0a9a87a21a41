#include "reports/result_table.h"

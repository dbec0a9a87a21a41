#include "reports/log_report.h"

#pragma once

#include <string>

#include "core/model/uninitialized_vector.h"
#include "core/spatial/local_eb.h"

namespace tolven {

// What the local empirical Bayes columns need: every row's local estimate and
// whether the row shows one, and for the posterior columns the interval level
// and the threshold.
struct LocalEbColumns {
    const UninitializedVector<LocalEbEstimate>* estimateOfRow = nullptr;  // rows 1..rowCount
    const UninitializedVector<char>* shownOfRow = nullptr;  // 0: "***" (a one-region unit)
    bool posterior = false;
    double levelPercent = 95.0;
    double thresholdPercent = 100.0;
};

// Appends, each preceded by `separator`, "EB-Ratio(Local)(%)" and with the
// posterior columns "EB-Lower(Local)(%)", "EB-Upper(Local)(%)" and
// "P(>T%)(Local)", T the threshold as shortestFixedText writes it.
void appendLocalEbHeader(std::string& out, char separator, const LocalEbColumns& columns);

// Appends one row's values in the header's order, each preceded by
// `separator`: the estimate and the bounds multiplied by 100.0, the exceedance
// as it is, as "%lf" prints them. A row not shown gives "***" in every column;
// a row whose local prior is a point (variance 0) gives "***" in the three
// posterior columns.
void appendLocalEbColumns(std::string& out, char separator, const LocalEbColumns& columns, int row,
                          int observed, double expected);

}  // namespace tolven

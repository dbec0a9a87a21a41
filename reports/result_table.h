#pragma once

#include <string>
#include <vector>

#include "core/input/input_table.h"
#include "core/numerics/posterior.h"
#include "reports/local_eb_columns.h"

namespace tolven {

// What the posterior columns need: the interval level and the threshold, and
// for every row the priors of its unit.
struct PosteriorColumns {
    double levelPercent = 95.0;
    double thresholdPercent = 100.0;
    const UninitializedVector<int>* unitOfRow = nullptr;  // row -> index into priors
    const std::vector<UnitPriors>* priors = nullptr;
};

// How the result table is written.
struct ResultTableFormat {
    bool csv = false;          // comma-separated values, else tab-separated text
    bool excludeZero = false;  // "ME-0" in the header, else "ME+0"
    // When given, six more columns follow EB-Ratio(MLE)(%): the credible
    // interval and the exceedance probability under each prior. A row whose
    // moment ratio is missing (a one-region unit) shows "***" in all six, as
    // it does in both ratio columns; a prior that is missing or not finite
    // and positive shows "***" in its three.
    const PosteriorColumns* posterior = nullptr;
    // When given, the local empirical Bayes columns follow all of those (see
    // appendLocalEbHeader).
    const LocalEbColumns* localEb = nullptr;
};

// The writers append text to `out`; the caller writes it to the file and
// checks the write.

// The header line. The text header has an empty fifth field (two tabs after
// Data2); data lines have seven fields.
void writeResultHeader(std::string& out, const ResultTableFormat& format);

// The data lines of rows first..last (inclusive, 1-based, file order), with
// the unit, the code (bytes unchanged, never quoted), Data1, Data2 and the
// three ratios times 100. A row whose ebRatioME is exactly NOT_AVAILABLE
// prints "***" in both empirical Bayes columns; otherwise an ebRatioMLE of
// exactly NOT_AVAILABLE prints "***" in the last one. Non-finite values print
// as "nan", "inf", "-inf". Rows are independent, so ranges may be formatted on
// separate threads and joined in order.
void writeResultRows(std::string& out, const InputTable& table, int first, int last,
                     const ResultTableFormat& format);

// The whole table: the header and rows 1..rowCount.
void writeResultTable(std::string& out, const InputTable& table, const ResultTableFormat& format);

}  // namespace tolven

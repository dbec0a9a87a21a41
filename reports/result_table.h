#pragma once

#include <cstdio>
#include <string>

#include "core/input_table.h"

namespace tolven {

// How the result table is written.
struct ResultTableFormat {
    bool csv = false;          // comma-separated values, else tab-separated text
    bool excludeZero = false;  // "ME-0" in the header, else "ME+0"
};

// The header line. The text header has an empty fifth field (two tabs after
// Data2); data lines have seven fields.
void appendResultHeader(std::string& out, const ResultTableFormat& format);

// The data lines of rows first..last (inclusive, 1-based, file order), with
// the unit, the code (bytes unchanged, never quoted), Data1, Data2 and the
// three ratios times 100. A row whose ebRatioME is exactly NOT_AVAILABLE
// prints "***" in both empirical Bayes columns; otherwise an ebRatioMLE of
// exactly NOT_AVAILABLE prints "***" in the last one. Non-finite values print
// as "nan", "inf", "-inf". Rows are independent, so ranges may be formatted on
// separate threads and joined in order.
void appendResultRows(std::string& out, const InputTable& table, int first, int last,
                      const ResultTableFormat& format);

// Writes the header and rows 1..rowCount to the open `output`. The writer
// neither flushes nor closes `output` and reports nothing: the caller checks
// the stream for write errors.
void writeResultTable(std::FILE* output, const InputTable& table, const ResultTableFormat& format);

// The same with the format taken from csvOutput and runSettings.excludeZero.
void writeResultTable(std::FILE* output, const InputTable& table);

}  // namespace tolven

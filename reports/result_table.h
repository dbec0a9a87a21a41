#pragma once

#include <cstdio>

#include "core/input_table.h"

namespace tolven {

// Writes the result table to the open `output`: a header line, then one line
// per row 1..rowCount of `table` in file order, with the unit, the code (bytes
// unchanged, never quoted), Data1, Data2 and the three ratios times 100.
// Reads csvOutput (0: tab-separated text, else comma-separated) and
// runSettings.excludeZero ("ME+0" or "ME-0" in the header). The text header
// has an empty fifth field (two tabs after Data2); data lines have seven.
// A row whose ebRatioME is exactly NOT_AVAILABLE prints "***" in both
// empirical Bayes columns; otherwise an ebRatioMLE of exactly NOT_AVAILABLE
// prints "***" in the last one. Non-finite values print as "nan", "inf",
// "-inf". The writer neither flushes nor closes `output` and reports nothing:
// the caller checks the stream for write errors.
void writeResultTable(std::FILE* output, const InputTable& table);

}  // namespace tolven

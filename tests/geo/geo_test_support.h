#pragma once

#include <string>
#include <vector>

#include "core/input/input_table.h"

namespace tolven::test {

// An input table of (unit, code) rows with observed 1 and expected 1; the
// codes point into `codes`, which must outlive the table.
inline InputTable tableOfCodes(const std::vector<int>& units,
                               const std::vector<std::string>& codes) {
    InputTable table;
    table.ensureRows(static_cast<int>(codes.size()));
    table.rowCount = static_cast<int>(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto row = static_cast<int>(i) + 1;
        table.unit[row] = units[i];
        table.code[row] = codes[i];
        table.observed[row] = 1;
        table.expected[row] = 1.0;
    }
    return table;
}

}  // namespace tolven::test

#pragma once

#include <cstddef>
#include <vector>

#include "core/input/input_table.h"
#include "core/model/uninitialized_vector.h"

namespace tolven {

// The rows of an input table grouped by unit, for estimation unit by unit:
// units in ascending unit number, the rows of each unit in file order.
struct UnitGroups {
    UninitializedVector<int> rows;    // every row 1..rowCount, grouped
    std::vector<std::size_t> starts;  // unit k's rows are rows[starts[k] .. starts[k+1])
    std::vector<int> units;           // unit k's number

    std::size_t unitCount() const { return units.size(); }
    std::size_t regionCount(std::size_t k) const { return starts[k + 1] - starts[k]; }
};

// Groups rows 1..rowCount of `table` by their unit field. Takes time in
// proportion to the number of rows (a file whose units are already in order
// is recognised and not sorted at all).
UnitGroups groupRowsByUnit(const InputTable& table);

// Rows 1..rowCount of `table` as one group, numbered -1 (whole-file mode); no
// group at all for an empty table.
UnitGroups wholeFileGroup(const InputTable& table);

}  // namespace tolven

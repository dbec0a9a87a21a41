#pragma once

#include <string_view>
#include <vector>

#include "core/model/uninitialized_vector.h"

namespace tolven {

// Every data line of one input file, then the results of its region. Rows are
// numbered from 1 in file order; slot 0 holds no row. One run owns it.
//
// The codes are views: the reader points them into `text`, the file's bytes,
// which the table keeps for that reason. A table is therefore moved, never
// copied (a moved vector keeps its storage, so the views stay valid).
struct InputTable {
    int rowCount = 0;
    UninitializedVector<int> unit;               // row 1 may hold -1 (whole-file mode)
    UninitializedVector<std::string_view> code;  // bytes as read, never interpreted
    UninitializedVector<int> observed;
    UninitializedVector<double> expected;
    UninitializedVector<double> ratio;
    UninitializedVector<double> ebRatioME;   // NOT_AVAILABLE for the region of a one-region unit
    UninitializedVector<double> ebRatioMLE;  // NOT_AVAILABLE when the unit's fit failed
    UninitializedVector<char> text;          // storage that the codes may point into

    InputTable();
    InputTable(InputTable&&) = default;
    InputTable& operator=(InputTable&&) = default;
    InputTable(const InputTable&) = delete;
    InputTable& operator=(const InputTable&) = delete;

    // Makes rows 1..count usable, keeping what they hold. New rows hold no
    // defined values (their codes are empty) until they are written: a table
    // of a million rows is filled once, not zeroed first.
    void ensureRows(int count);
};

}  // namespace tolven

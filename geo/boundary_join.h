#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/input/input_table.h"
#include "geo/boundary_layer.h"

namespace tolven {

// How one unit's rows met the boundaries.
struct UnitJoin {
    int unit = 0;                             // -1 in whole-file mode
    std::size_t rows = 0;                     // rows of the unit
    std::size_t matched = 0;                  // rows whose code has a boundary
    std::vector<std::string> firstUnmatched;  // up to UNMATCHED_NAMED codes (UTF-8), in file order
};

inline constexpr std::size_t UNMATCHED_NAMED = 5;

// The input's rows joined to the boundaries by region code.
struct BoundaryJoin {
    // Row (1-based, as in InputTable; slot 0 unused) -> index into
    // BoundaryLayer::features, or -1 when the row's code has no boundary.
    std::vector<long> featureOfRow;
    std::vector<UnitJoin> units;  // ascending unit number
    std::size_t matchedRows = 0;
};

// Joins every row of `table` to the boundary with its code: the code as
// UTF-8 (regionCodeAsUtf8) and, for an integer join field, without leading zeros
// (regionCodeKey), compared as text with the features' codes. Rows of one code
// share its boundary. In whole-file mode every row counts for unit -1.
BoundaryJoin joinBoundaries(const InputTable& table, bool wholeFile, const BoundaryLayer& layer);

// The summary for standard error, one line each: the features read (and
// those left out for a repeated or missing code), then per unit the codes
// matched and the first codes without a boundary.
std::string joinSummary(const BoundarySource& source, const BoundaryLayer& layer,
                        const BoundaryJoin& join);

}  // namespace tolven

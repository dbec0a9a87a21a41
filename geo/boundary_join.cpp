#include "geo/boundary_join.h"

#include <map>

#include "core/spatial/region_code.h"

namespace tolven {

BoundaryJoin joinBoundaries(const InputTable& table, bool wholeFile, const BoundaryLayer& layer) {
    BoundaryJoin join;
    join.featureOfRow.assign(static_cast<std::size_t>(table.rowCount) + 1, -1);
    std::map<int, UnitJoin> units;
    for (int row = 1; row <= table.rowCount; ++row) {
        const int unitNumber = wholeFile ? -1 : table.unit[row];
        UnitJoin& unit = units[unitNumber];
        unit.unit = unitNumber;
        ++unit.rows;
        const std::string code = regionCodeAsUtf8(table.code[row]);
        const auto found = layer.featureOfKey.find(regionCodeKey(code, layer.integerJoinField));
        if (found == layer.featureOfKey.end()) {
            if (unit.firstUnmatched.size() < UNMATCHED_NAMED) unit.firstUnmatched.push_back(code);
            continue;
        }
        join.featureOfRow[static_cast<std::size_t>(row)] = static_cast<long>(found->second);
        ++unit.matched;
        ++join.matchedRows;
    }
    for (auto& [number, unit] : units) join.units.push_back(std::move(unit));
    return join;
}

std::string joinSummary(const BoundarySource& source, const BoundaryLayer& layer,
                        const BoundaryJoin& join) {
    std::string text = "boundaries: " + std::to_string(layer.featuresRead) +
                       " features read from layer \"" + layer.layerName + "\" of " + source.path +
                       " (" + layer.layerNote + ")\n";
    if (layer.duplicateCodes > 0) {
        text += "boundaries: " + std::to_string(layer.duplicateCodes) +
                " features left out: their code occurs in an earlier feature, which is used\n";
    }
    if (layer.featuresWithoutCode > 0) {
        text += "boundaries: " + std::to_string(layer.featuresWithoutCode) +
                " features left out: no value in the join field\n";
    }
    for (const UnitJoin& unit : join.units) {
        text += unit.unit < 0 ? std::string("all regions") : "unit " + std::to_string(unit.unit);
        text += ": " + std::to_string(unit.matched) + " of " + std::to_string(unit.rows) +
                " codes matched";
        const std::size_t unmatched = unit.rows - unit.matched;
        if (unmatched > 0) {
            text += "; without boundary: ";
            for (std::size_t i = 0; i < unit.firstUnmatched.size(); ++i) {
                text += (i == 0 ? "" : ", ") + unit.firstUnmatched[i];
            }
            if (unmatched > unit.firstUnmatched.size()) text += ", ...";
        }
        text += '\n';
    }
    return text;
}

}  // namespace tolven

#include "run/unit_groups.h"

#include <boost/sort/spreadsort/integer_sort.hpp>
#include <cstdint>
#include <numeric>

namespace tolven {

UnitGroups groupRowsByUnit(const InputTable& table) {
    const int count = table.rowCount;
    UnitGroups groups;
    groups.rows.resize(static_cast<std::size_t>(count));

    bool ordered = true;
    for (int row = 2; row <= count && ordered; ++row)
        ordered = table.unit[row - 1] <= table.unit[row];
    if (ordered) {
        std::iota(groups.rows.begin(), groups.rows.end(), 1);
    } else {
        // One key per row: the unit, biased so that every int orders as an
        // unsigned number, above the row number. The keys are distinct, so an
        // unstable radix sort keeps file order within each unit.
        UninitializedVector<std::uint64_t> keys(static_cast<std::size_t>(count));
        for (int row = 1; row <= count; ++row) {
            const auto unit = static_cast<std::uint32_t>(table.unit[row]) ^ 0x80000000u;
            keys[static_cast<std::size_t>(row - 1)] =
                (static_cast<std::uint64_t>(unit) << 32) | static_cast<std::uint32_t>(row);
        }
        boost::sort::spreadsort::integer_sort(keys.begin(), keys.end());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            groups.rows[i] = static_cast<int>(keys[i] & 0xFFFFFFFFu);
        }
    }

    for (std::size_t i = 0; i < groups.rows.size(); ++i) {
        const int unit = table.unit[groups.rows[i]];
        if (i == 0 || unit != groups.units.back()) {
            groups.starts.push_back(i);
            groups.units.push_back(unit);
        }
    }
    groups.starts.push_back(groups.rows.size());
    return groups;
}

UnitGroups wholeFileGroup(const InputTable& table) {
    UnitGroups groups;
    groups.rows.resize(static_cast<std::size_t>(table.rowCount));
    std::iota(groups.rows.begin(), groups.rows.end(), 1);
    if (table.rowCount > 0) {
        groups.starts = {0};
        groups.units = {-1};
    }
    groups.starts.push_back(groups.rows.size());
    return groups;
}

}  // namespace tolven

#include "core/model/region_table.h"

#include <algorithm>
#include <cstddef>

#include "core/model/limits.h"

namespace tolven {

RegionTable::RegionTable() { ensureSlots(MAX_REGIONS); }

void RegionTable::ensureSlots(int count) {
    const std::size_t slots = static_cast<std::size_t>(std::max(count, 0)) + 1;
    if (observed.size() >= slots) return;
    observed.resize(slots, 0);
    expected.resize(slots, 0.0);
    ratio.resize(slots, 0.0);
    ebRatioME.resize(slots, 0.0);
    ebRatioMLE.resize(slots, 0.0);
}

}  // namespace tolven

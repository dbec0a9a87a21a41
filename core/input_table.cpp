#include "core/input_table.h"

#include <algorithm>
#include <cstddef>

#include "core/limits.h"

namespace tolven {

InputTable::InputTable() { ensureRows(MAX_REGIONS); }

void InputTable::ensureRows(int count) {
    const std::size_t slots = static_cast<std::size_t>(std::max(count, 0)) + 1;
    if (unit.size() >= slots) return;
    unit.resize(slots, 0);
    code.resize(slots);
    observed.resize(slots, 0);
    expected.resize(slots, 0.0);
    ratio.resize(slots, 0.0);
    ebRatioME.resize(slots, 0.0);
    ebRatioMLE.resize(slots, 0.0);
}

}  // namespace tolven

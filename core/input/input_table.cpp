#include "core/input/input_table.h"

#include <algorithm>
#include <cstddef>

#include "core/model/limits.h"

namespace tolven {

InputTable::InputTable() { ensureRows(MAX_REGIONS); }

void InputTable::ensureRows(int count) {
    const std::size_t slots = static_cast<std::size_t>(std::max(count, 0)) + 1;
    if (unit.size() >= slots) return;
    unit.resize(slots);
    code.resize(slots);
    observed.resize(slots);
    expected.resize(slots);
    ratio.resize(slots);
    ebRatioME.resize(slots);
    ebRatioMLE.resize(slots);
}

}  // namespace tolven

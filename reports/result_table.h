#pragma once

namespace tolven {

// The result table's writer. Declared with its implementation.

}  // namespace tolven

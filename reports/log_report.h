#pragma once

namespace tolven {

// The log report's writers. Declared with their implementation.

}  // namespace tolven

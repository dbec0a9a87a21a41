#include "core/spatial/permutation.h"

#include <utility>

namespace tolven {

std::uint64_t uniformBelow(std::mt19937_64& generator, std::uint64_t range) {
    // -range in unsigned arithmetic is 2^64 - range.
    const std::uint64_t rejectBelow = (0 - range) % range;
    std::uint64_t draw = generator();
    while (draw < rejectBelow) draw = generator();
    return draw % range;
}

void shuffleValues(std::span<double> values, std::mt19937_64& generator) {
    for (std::size_t i = values.size(); i > 1; --i) {
        const auto j = static_cast<std::size_t>(uniformBelow(generator, i));
        std::swap(values[i - 1], values[j]);
    }
}

}  // namespace tolven

#include "core/numerics/digamma_sums.h"

#include <algorithm>

namespace tolven {

namespace {

// The terms of a block are independent of each other, so the compiler may
// compute them with packed divisions; only the additions must stay in order.
// The block length is a constant so that no scalar remainder is needed inside.
constexpr int BLOCK = 64;

}  // namespace

void DigammaSums::prepare(const int* observed, int regionCount) {
    const std::size_t n = regionCount > 0 ? static_cast<std::size_t>(regionCount) : 0;
    counts_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        // A count below 0 has an empty sum, exactly like a count of 0.
        counts_[i] = std::max(observed[i + 1], 0);
    }
    std::sort(counts_.begin(), counts_.end());
    counts_.erase(std::unique(counts_.begin(), counts_.end()), counts_.end());

    slotOf_.resize(n + 1);
    for (std::size_t i = 1; i <= n; ++i) {
        const std::int64_t count = std::max(observed[i], 0);
        slotOf_[i] = static_cast<std::size_t>(
            std::lower_bound(counts_.begin(), counts_.end(), count) - counts_.begin());
    }
    digamma_.resize(counts_.size());
    trigamma_.resize(counts_.size());
}

void DigammaSums::evaluate(double beta) {
    double t = 0.0;
    double u = 0.0;
    // j is 64 bits wide: it reaches the largest count, which may be INT_MAX.
    std::int64_t j = 0;
    double reciprocal[BLOCK];
    double reciprocalSquare[BLOCK];
    for (std::size_t slot = 0; slot < counts_.size(); ++slot) {
        const std::int64_t end = counts_[slot];
        while (end - j >= BLOCK) {
            // Below 2^53 both j and j + q are exact doubles, so base + q is
            // exactly j + q converted to double.
            const double base = static_cast<double>(j);
            for (int q = 0; q < BLOCK; ++q) {
                const double x = beta + (base + q);
                reciprocal[q] = 1.0 / x;
                reciprocalSquare[q] = 1.0 / (x * x);
            }
            for (int q = 0; q < BLOCK; ++q) {
                t += reciprocal[q];
                u += reciprocalSquare[q];
            }
            j += BLOCK;
        }
        for (; j < end; ++j) {
            const double x = beta + static_cast<double>(j);
            t += 1.0 / x;
            u += 1.0 / (x * x);
        }
        digamma_[slot] = t;
        trigamma_[slot] = u;
    }
}

}  // namespace tolven

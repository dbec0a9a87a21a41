#include "core/spatial/eb_moran.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/spatial/permutation.h"

namespace tolven {

double moranStatistic(std::span<const double> values, const NeighbourList& neighbours) {
    double crossProducts = 0.0;
    double squares = 0.0;
    std::size_t rowsWithNeighbours = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        squares += values[i] * values[i];
        const std::span<const int> row = neighbours.neighboursOf(i);
        if (row.empty()) continue;
        ++rowsWithNeighbours;
        double lag = 0.0;
        for (const int j : row) lag += values[static_cast<std::size_t>(j)];
        crossProducts += values[i] * (lag / static_cast<double>(row.size()));
    }
    if (rowsWithNeighbours == 0 || squares == 0.0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(values.size()) / static_cast<double>(rowsWithNeighbours) *
           (crossProducts / squares);
}

EbMoranResult ebMoran(std::span<const int> observed, std::span<const double> expected,
                      const NeighbourList& neighbours, int permutations, std::uint64_t seed) {
    EbMoranResult result;
    const std::size_t n = observed.size();
    if (n < 3 || neighbours.pairCount() == 0) return result;
    double sumObserved = 0.0;
    double sumExpected = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        sumObserved += observed[i];
        sumExpected += expected[i];
    }
    if (sumObserved == 0.0) return result;
    const double b = sumObserved / sumExpected;
    double sumSquares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double deviation = static_cast<double>(observed[i]) / expected[i] - b;
        sumSquares += expected[i] * deviation * deviation;
    }
    const double meanExpected = sumExpected / static_cast<double>(n);
    const double a = std::max(0.0, sumSquares / sumExpected - b / meanExpected);

    std::vector<double> z(n);
    for (std::size_t i = 0; i < n; ++i) {
        z[i] =
            (static_cast<double>(observed[i]) / expected[i] - b) / std::sqrt(a + b / expected[i]);
    }
    if (std::all_of(z.begin(), z.end(), [&](double value) { return value == z[0]; })) {
        return result;
    }
    double sumZ = 0.0;
    for (const double value : z) sumZ += value;
    const double meanZ = sumZ / static_cast<double>(n);
    for (double& value : z) value -= meanZ;

    const double statistic = moranStatistic(z, neighbours);
    if (std::isnan(statistic)) return result;
    std::mt19937_64 generator(seed);
    int atLeast = 0;
    for (int k = 0; k < permutations; ++k) {
        shuffleValues(z, generator);
        if (moranStatistic(z, neighbours) >= statistic) ++atLeast;
    }
    result.available = true;
    result.statistic = statistic;
    result.pValue = static_cast<double>(atLeast + 1) / static_cast<double>(permutations + 1);
    return result;
}

}  // namespace tolven

#include "core/estimation/ratio_statistics.h"

namespace tolven {

void computeRatioStatistics(RegionTable& table, UnitResults& results, const RunSettings& settings) {
    const int n = table.regionCount;
    const bool excludeZero = settings.excludeZero != 0;

    for (int i = 1; i <= n; ++i) {
        table.ratio[i] = static_cast<double>(table.observed[i]) / table.expected[i];
    }

    double sum = 0.0;
    int nonZero = 0;
    for (int i = 1; i <= n; ++i) {
        sum += table.ratio[i];
        if (table.ratio[i] != 0.0) ++nonZero;
    }

    const int count = excludeZero ? nonZero : n;
    const double mean = sum / static_cast<double>(count);

    double squares = 0.0;
    double inverseExpected = 0.0;
    for (int i = 1; i <= n; ++i) {
        if (excludeZero && table.ratio[i] == 0.0) continue;
        const double deviation = table.ratio[i] - mean;
        squares += deviation * deviation;
        inverseExpected += 1.0 / table.expected[i];
    }

    const double sampleVariance = squares / static_cast<double>(count - 1);
    double variance = sampleVariance - (inverseExpected * mean) / static_cast<double>(count);
    // A negative corrected variance says the ratios spread less than Poisson
    // noise alone would make them; the plain sample variance is used instead.
    if (variance < 0.0) variance = sampleVariance;

    const double inverseVariance = 1.0 / variance;
    results.ratioMean = mean;
    results.ratioVariance = variance;
    results.meAlpha = mean * inverseVariance;
    results.meBeta = (mean * mean) * inverseVariance;
}

}  // namespace tolven

#include "core/estimation/eb_ratios.h"

#include "core/model/not_available.h"

namespace tolven {

void computeEbRatios(RegionTable& table, const UnitResults& results) {
    const int n = table.regionCount;

    for (int i = 1; i <= n; ++i) {
        const double observed = static_cast<double>(table.observed[i]);
        table.ebRatioME[i] = (observed + results.meBeta) / (results.meAlpha + table.expected[i]);
    }

    for (int i = 1; i <= n; ++i) {
        if (results.mleConverged == 1) {
            const double observed = static_cast<double>(table.observed[i]);
            table.ebRatioMLE[i] =
                (observed + results.mleBeta) / (results.mleAlpha + table.expected[i]);
        } else {
            table.ebRatioMLE[i] = NOT_AVAILABLE;
        }
    }
}

}  // namespace tolven

#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/standardisation/strata_file.h"
#include "core/text/user_messages.h"

namespace tolven {

// Where the reference rates of indirect standardisation come from.
enum class ReferenceRates {
    unit,      // each stratum's pooled rate over the regions of the region's own unit
    all,       // each stratum's pooled rate over every region of the file
    rateFile,  // a rate per stratum given from outside
};

// A region of the input table that the expected counts make.
struct ExpectedRegion {
    int unit = 0;
    std::string_view code;  // a view into the strata table's text
    int observed = 0;       // O: the sum of the region's observed counts
    double expected = 0.0;  // E: the sum of population x reference rate
};

struct ExpectedCounts {
    std::vector<ExpectedRegion> regions;  // in the order of their first line
    int units = 0;                        // distinct unit numbers
    std::size_t strata = 0;               // distinct stratum labels
    double totalObserved = 0.0;           // sum of O (exact: integers below 2^53)
    double totalExpected = 0.0;           // sum of E, region by region
    // Under internal standardisation (unit, all) the sum of E equals the sum
    // of O in every unit (unit) or over the file (all), up to rounding:
    // balanced when |sum O - sum E| <= 1e-6 sum O for each. A stratum whose
    // observed count is above 0 where its reference population is 0 breaks
    // it; unbalancedUnit names the first unit (in ascending number) that does
    // not hold, 0 when all do or the reference is `all`. Always true for a
    // rate file, where there is no such identity.
    bool balanced = true;
    int unbalancedUnit = 0;
};

// Relative tolerance of the balance check.
inline constexpr double BALANCE_TOLERANCE = 1e-6;

// Indirect standardisation. For every region r of `table`
//   O_r = sum over its lines of observed,
//   E_r = sum over its lines, in file order, of population x rate(stratum),
// where rate(s) is, for `unit`, sum O / sum population over the lines of
// stratum s in the region's unit (file order); for `all`, the same over every
// line; for `rateFile`, stratumRates[s] (per person, one per table.strata).
// A stratum whose reference population is 0 has rate 0: it contributes 0.
//
// Returns 0, or 1 after showing through `messages`, for the first region (in
// order) whose E is 0, which the input file cannot hold:
//   "Error!! : 層別ファイル\n期待数が0になります : グループ番号 <unit> 地域 <code>",
// or whose E is not finite (populations and rates too large):
//   "Error!! : 層別ファイル\n期待数が有限の値になりません : グループ番号 <unit> 地域 <code>".
int computeExpectedCounts(const StrataTable& table, ReferenceRates reference,
                          const std::vector<double>& stratumRates, ExpectedCounts& counts,
                          MessageSink& messages);

}  // namespace tolven

#include "core/standardisation/expected_counts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace tolven {
namespace {

std::string regionMessage(const char* what, const ExpectedRegion& region) {
    return std::string("Error!! : 層別ファイル\n") + what + " : グループ番号 " +
           std::to_string(region.unit) + " 地域 " + std::string(region.code);
}

// The reference rate of every line: the pooled rate sum O / sum population of
// its stratum over the lines of its group. Lines are grouped by `groupOf`
// (a stable counting sort), so each group's sums run in file order.
std::vector<double> pooledRates(const StrataTable& table, const std::vector<int>& groupOf,
                                int groups) {
    const std::size_t lines = table.lines.size();
    std::vector<std::size_t> start(static_cast<std::size_t>(groups) + 1, 0);
    for (const StrataLine& line : table.lines) {
        ++start[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(line.region)]) + 1];
    }
    for (std::size_t g = 0; g < static_cast<std::size_t>(groups); ++g) start[g + 1] += start[g];
    std::vector<std::size_t> order(lines);
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < lines; ++i) {
        order[next[static_cast<std::size_t>(
            groupOf[static_cast<std::size_t>(table.lines[i].region)])]++] = i;
    }

    std::vector<double> observed(table.strata.size(), 0.0);
    std::vector<double> population(table.strata.size(), 0.0);
    std::vector<double> rateOfLine(lines, 0.0);
    for (std::size_t g = 0; g < static_cast<std::size_t>(groups); ++g) {
        for (std::size_t k = start[g]; k < start[g + 1]; ++k) {
            const StrataLine& line = table.lines[order[k]];
            observed[static_cast<std::size_t>(line.stratum)] += line.observed;
            population[static_cast<std::size_t>(line.stratum)] += line.population;
        }
        for (std::size_t k = start[g]; k < start[g + 1]; ++k) {
            const auto s = static_cast<std::size_t>(table.lines[order[k]].stratum);
            rateOfLine[order[k]] = population[s] > 0.0 ? observed[s] / population[s] : 0.0;
        }
        // Only the strata of this group were touched.
        for (std::size_t k = start[g]; k < start[g + 1]; ++k) {
            const auto s = static_cast<std::size_t>(table.lines[order[k]].stratum);
            observed[s] = 0.0;
            population[s] = 0.0;
        }
    }
    return rateOfLine;
}

bool balances(double observed, double expected) {
    return std::fabs(observed - expected) <= BALANCE_TOLERANCE * observed;
}

}  // namespace

int computeExpectedCounts(const StrataTable& table, ReferenceRates reference,
                          const std::vector<double>& stratumRates, ExpectedCounts& counts,
                          MessageSink& messages) {
    counts = ExpectedCounts();
    counts.strata = table.strata.size();
    counts.regions.reserve(table.regions.size());
    for (const StrataRegion& region : table.regions) {
        counts.regions.push_back(ExpectedRegion{region.unit, region.code, region.observed, 0.0});
    }
    // Units numbered in the order of their first region.
    std::map<int, int> unitIndex;
    std::vector<int> unitOf(table.regions.size());
    for (std::size_t r = 0; r < table.regions.size(); ++r) {
        const auto [found, added] =
            unitIndex.try_emplace(table.regions[r].unit, static_cast<int>(unitIndex.size()));
        unitOf[r] = found->second;
    }
    counts.units = static_cast<int>(unitIndex.size());

    std::vector<double> rateOfLine;
    if (reference == ReferenceRates::rateFile) {
        rateOfLine.resize(table.lines.size());
        for (std::size_t i = 0; i < table.lines.size(); ++i) {
            rateOfLine[i] = stratumRates[static_cast<std::size_t>(table.lines[i].stratum)];
        }
    } else if (reference == ReferenceRates::unit) {
        rateOfLine = pooledRates(table, unitOf, counts.units);
    } else {
        rateOfLine = pooledRates(table, std::vector<int>(table.regions.size(), 0), 1);
    }
    for (std::size_t i = 0; i < table.lines.size(); ++i) {
        const StrataLine& line = table.lines[i];
        counts.regions[static_cast<std::size_t>(line.region)].expected +=
            line.population * rateOfLine[i];
    }

    for (const ExpectedRegion& region : counts.regions) {
        if (!std::isfinite(region.expected)) {
            messages.showError(regionMessage("期待数が有限の値になりません", region));
            return 1;
        }
        if (region.expected == 0.0) {
            messages.showError(regionMessage("期待数が0になります", region));
            return 1;
        }
        counts.totalObserved += region.observed;
        counts.totalExpected += region.expected;
    }

    if (reference == ReferenceRates::all) {
        counts.balanced = balances(counts.totalObserved, counts.totalExpected);
    } else if (reference == ReferenceRates::unit) {
        std::vector<double> observed(unitIndex.size(), 0.0);
        std::vector<double> expected(unitIndex.size(), 0.0);
        for (std::size_t r = 0; r < counts.regions.size(); ++r) {
            observed[static_cast<std::size_t>(unitOf[r])] += counts.regions[r].observed;
            expected[static_cast<std::size_t>(unitOf[r])] += counts.regions[r].expected;
        }
        for (const auto& [unit, index] : unitIndex) {
            const auto u = static_cast<std::size_t>(index);
            if (!balances(observed[u], expected[u])) {
                counts.balanced = false;
                counts.unbalancedUnit = unit;
                break;
            }
        }
    }
    return 0;
}

}  // namespace tolven

#include "core/standardisation/strata_file.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/input/text_file.h"
#include "core/text/file_messages.h"

namespace tolven {
namespace {

constexpr int FIELD_COUNT = 5;

const char* const MISSING_DATA = "ERROR!! : 層別ファイル\nデータが足りません";
const char* const BAD_UNIT = "Error!! : 層別ファイル\nグループ番号が自然数ではありません";
const char* const BAD_OBSERVED = "Error!! : 層別ファイル\n観測数が0以上の整数ではありません";
const char* const BAD_POPULATION = "Error!! : 層別ファイル\n人口が0以上の実数ではありません";
const char* const OBSERVED_SUM_TOO_LARGE =
    "Error!! : 層別ファイル\n地域の観測数の合計が大きすぎます";

struct RegionKey {
    int unit;
    std::string_view code;
    bool operator==(const RegionKey&) const = default;
};

struct RegionKeyHash {
    std::size_t operator()(const RegionKey& key) const {
        return std::hash<std::string_view>()(key.code) ^
               (static_cast<std::size_t>(key.unit) * 0x9E3779B97F4A7C15ull);
    }
};

// Builds the table line by line; keeps what a line needs to find its region
// and stratum.
class StrataBuilder {
public:
    explicit StrataBuilder(StrataTable& table) : table_(table) {}

    // Checks line n and adds it. Returns nullptr, or the message (without the
    // line number) of the first check that failed.
    const char* addLine(std::string_view line) {
        line = line.substr(0, line.find('\0'));
        std::string_view fields[FIELD_COUNT];
        if (splitFields(line, fields) < FIELD_COUNT) return MISSING_DATA;
        int unit = 0;
        if (!allDigits(fields[0]) || !toInt(fields[0], unit) || unit == 0) return BAD_UNIT;
        StrataLine entry;
        if (!allDigits(fields[3]) || !toInt(fields[3], entry.observed)) return BAD_OBSERVED;
        if (!allDigitsOrPoints(fields[4]) || !toDecimal(fields[4], entry.population)) {
            return BAD_POPULATION;
        }
        entry.region = regionOf(unit, fields[1]);
        int& sum = table_.regions[static_cast<std::size_t>(entry.region)].observed;
        if (sum > INT_MAX - entry.observed) return OBSERVED_SUM_TOO_LARGE;
        sum += entry.observed;
        entry.stratum = stratumOf(fields[2]);
        table_.lines.push_back(entry);
        return nullptr;
    }

private:
    int regionOf(int unit, std::string_view code) {
        // The lines of a region usually follow each other.
        if (last_ >= 0) {
            const StrataRegion& region = table_.regions[static_cast<std::size_t>(last_)];
            if (region.unit == unit && region.code == code) return last_;
        }
        const auto [found, added] =
            regions_.try_emplace(RegionKey{unit, code}, static_cast<int>(table_.regions.size()));
        if (added) table_.regions.push_back(StrataRegion{unit, code, 0});
        last_ = found->second;
        return last_;
    }

    int stratumOf(std::string_view label) {
        const auto [found, added] =
            strata_.try_emplace(label, static_cast<int>(table_.strata.size()));
        if (added) table_.strata.push_back(label);
        return found->second;
    }

    StrataTable& table_;
    std::unordered_map<RegionKey, int, RegionKeyHash> regions_;
    std::unordered_map<std::string_view, int> strata_;
    int last_ = -1;
};

// The line number (counted from 1) of the first line that repeats a stratum
// of its region, or 0 when none does. The lines are taken region by region,
// each region's in file order, so the first repeat met in a region is that
// region's earliest one.
int firstRepeatedStratum(const StrataTable& table) {
    const std::size_t regions = table.regions.size();
    std::vector<int> start(regions + 1, 0);
    for (const StrataLine& line : table.lines) ++start[static_cast<std::size_t>(line.region) + 1];
    for (std::size_t r = 0; r < regions; ++r) start[r + 1] += start[r];
    std::vector<int> byRegion(table.lines.size());
    std::vector<int> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < table.lines.size(); ++i) {
        byRegion[static_cast<std::size_t>(
            next[static_cast<std::size_t>(table.lines[i].region)]++)] = static_cast<int>(i);
    }
    std::vector<int> seenIn(table.strata.size(), -1);  // the last region that had each stratum
    int first = 0;
    for (std::size_t r = 0; r < regions; ++r) {
        for (int k = start[r]; k < start[r + 1]; ++k) {
            const int i = byRegion[static_cast<std::size_t>(k)];
            int& seen =
                seenIn[static_cast<std::size_t>(table.lines[static_cast<std::size_t>(i)].stratum)];
            if (seen == static_cast<int>(r)) {
                if (first == 0 || i + 1 < first) first = i + 1;
                break;
            }
            seen = static_cast<int>(r);
        }
    }
    return first;
}

}  // namespace

int readStrataFile(const std::string& path, StrataTable& table, MessageSink& messages) {
    table = StrataTable();
    UninitializedVector<char> bytes;
    if (!readWholeFile(path, bytes)) {
        messages.showError(cannotOpenMessage(STRATA_FILE_SUBJECT, path));
        return 1;
    }
    bytes.resize(textModeLength(bytes));
    table.text = std::move(bytes);  // the codes and labels point into these bytes from here on

    StrataBuilder builder(table);
    const char* line = table.text.data();
    const char* const end = line + table.text.size();
    const char* refused = nullptr;
    int n = 0;
    while (line < end) {
        const auto* lineEnd =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        const char* stop = lineEnd ? lineEnd : end;
        if (n == INT_MAX - 1) {
            messages.showError(cannotOpenMessage(STRATA_FILE_SUBJECT, path));
            return 1;
        }
        ++n;
        refused = builder.addLine(std::string_view(line, static_cast<std::size_t>(stop - line)));
        if (refused) break;
        line = lineEnd ? lineEnd + 1 : end;
    }
    // Only lines before a refused one were added, so a repeat found among
    // them comes first.
    if (const int repeat = firstRepeatedStratum(table); repeat != 0) {
        const StrataLine& second = table.lines[static_cast<std::size_t>(repeat - 1)];
        const std::string message =
            "Error!! : 層別ファイル\n層 " +
            std::string(table.strata[static_cast<std::size_t>(second.stratum)]) +
            " が同じ地域に2度あります";
        messages.showError(lineMessage(message.c_str(), repeat));
        return 1;
    }
    if (refused) {
        messages.showError(lineMessage(refused, n));
        return 1;
    }
    return 0;
}

}  // namespace tolven

#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/model/uninitialized_vector.h"
#include "core/standardisation/strata_file.h"
#include "core/text/user_messages.h"

namespace tolven {

// The reference rates of a rate file, per person, by stratum label. The
// labels are views into `text`, the file's bytes, so a table is moved, never
// copied.
struct RateTable {
    UninitializedVector<char> text;
    std::unordered_map<std::string_view, double> ratePerPerson;

    RateTable() = default;
    RateTable(RateTable&&) = default;
    RateTable& operator=(RateTable&&) = default;
    RateTable(const RateTable&) = delete;
    RateTable& operator=(const RateTable&) = delete;
};

// Reads the rate file at `path`: one line per stratum, "stratum rate",
// separated by white space, anything after the second field ignored. The
// rate is per `ratePer` persons (1, 1000 or 100000); it is stored divided by
// ratePer. The lines are read as the input file's are (Ctrl-Z, CR LF, NUL,
// line numbers). Returns 0, or 1 after showing the message of the first bad
// line through `messages`:
//   the file cannot be opened: "ERROR!! : 基準率ファイル\n%s を開けません";
//   fewer than two fields: "ERROR!! : 基準率ファイル\nデータが足りません : %d行目";
//   rate: digits and "." only, the value of its longest decimal prefix, 0 or
//     more: "Error!! : 基準率ファイル\n基準率が0以上の実数ではありません : %d行目";
//   a label given before: "Error!! : 基準率ファイル\n層 <label> が2度あります : %d行目".
int readRateFile(const std::string& path, double ratePer, RateTable& rates, MessageSink& messages);

// The rate per person of every stratum of `strata`, in its order. Returns 0,
// or 1 after showing, for the first stratum without a rate,
// "Error!! : 基準率ファイル\n層 <label> の基準率がありません".
int ratesOfStrata(const RateTable& rates, const std::vector<std::string_view>& strata,
                  std::vector<double>& stratumRates, MessageSink& messages);

}  // namespace tolven

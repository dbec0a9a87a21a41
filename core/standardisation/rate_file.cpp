#include "core/standardisation/rate_file.h"

#include <climits>
#include <cstring>

#include "core/input/text_file.h"
#include "core/text/file_messages.h"

namespace tolven {
namespace {

const char* const MISSING_DATA = "ERROR!! : 基準率ファイル\nデータが足りません";
const char* const BAD_RATE = "Error!! : 基準率ファイル\n基準率が0以上の実数ではありません";

}  // namespace

int readRateFile(const std::string& path, double ratePer, RateTable& rates, MessageSink& messages) {
    rates = RateTable();
    UninitializedVector<char> bytes;
    if (!readWholeFile(path, bytes)) {
        messages.showError(cannotOpenMessage(RATE_FILE_SUBJECT, path));
        return 1;
    }
    bytes.resize(textModeLength(bytes));
    rates.text = std::move(bytes);  // the labels point into these bytes from here on

    const char* line = rates.text.data();
    const char* const end = line + rates.text.size();
    int n = 0;
    while (line < end && n < INT_MAX - 1) {
        const auto* lineEnd =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        std::string_view text(line, static_cast<std::size_t>((lineEnd ? lineEnd : end) - line));
        line = lineEnd ? lineEnd + 1 : end;
        ++n;
        text = text.substr(0, text.find('\0'));
        std::string_view fields[2];
        if (splitFields(text, fields) < 2) {
            messages.showError(lineMessage(MISSING_DATA, n));
            return 1;
        }
        double rate = 0.0;
        if (!allDigitsOrPoints(fields[1]) || !toDecimal(fields[1], rate)) {
            messages.showError(lineMessage(BAD_RATE, n));
            return 1;
        }
        if (!rates.ratePerPerson.try_emplace(fields[0], rate / ratePer).second) {
            const std::string message =
                "Error!! : 基準率ファイル\n層 " + std::string(fields[0]) + " が2度あります";
            messages.showError(lineMessage(message.c_str(), n));
            return 1;
        }
    }
    if (line < end) {  // more lines than a line number can count
        messages.showError(cannotOpenMessage(RATE_FILE_SUBJECT, path));
        return 1;
    }
    return 0;
}

int ratesOfStrata(const RateTable& rates, const std::vector<std::string_view>& strata,
                  std::vector<double>& stratumRates, MessageSink& messages) {
    stratumRates.assign(strata.size(), 0.0);
    for (std::size_t s = 0; s < strata.size(); ++s) {
        const auto found = rates.ratePerPerson.find(strata[s]);
        if (found == rates.ratePerPerson.end()) {
            messages.showError("Error!! : 基準率ファイル\n層 " + std::string(strata[s]) +
                               " の基準率がありません");
            return 1;
        }
        stratumRates[s] = found->second;
    }
    return 0;
}

}  // namespace tolven

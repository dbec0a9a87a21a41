#include "core/standardisation/expected_input.h"

#include <cmath>
#include <vector>

#include "core/standardisation/rate_file.h"
#include "core/text/number_text.h"

namespace tolven {

int computeExpectedInput(const StandardisationRequest& request, ExpectedInput& input,
                         MessageSink& messages) {
    input = ExpectedInput();
    if (readStrataFile(request.strataPath, input.strata, messages) != 0) return 1;
    std::vector<double> stratumRates;
    if (request.reference == ReferenceRates::rateFile) {
        RateTable rates;
        if (readRateFile(request.rateFilePath, request.ratePer, rates, messages) != 0) return 1;
        if (ratesOfStrata(rates, input.strata.strata, stratumRates, messages) != 0) return 1;
    }
    if (computeExpectedCounts(input.strata, request.reference, stratumRates, input.counts,
                              messages) != 0) {
        return 1;
    }
    input.text = expectedInputText(input.counts);
    input.summary = standardisationSummary(input.counts, request.reference);
    return 0;
}

std::string expectedInputText(const ExpectedCounts& counts) {
    std::string text;
    text.reserve(counts.regions.size() * 32);
    for (const ExpectedRegion& region : counts.regions) {
        appendInteger(text, region.unit);
        text += '\t';
        text += region.code;
        text += '\t';
        appendInteger(text, region.observed);
        text += '\t';
        text += shortestFixedText(region.expected);
        text += '\n';
    }
    return text;
}

std::string standardisationSummary(const ExpectedCounts& counts, ReferenceRates reference) {
    std::string text = "グループ数 : ";
    appendInteger(text, counts.units);
    text += "\n地域数 : " + std::to_string(counts.regions.size());
    text += "\n層の数 : " + std::to_string(counts.strata);
    text += "\n観測数の合計 : ";
    appendFixed(text, counts.totalObserved, 0);
    text += "\n期待数の合計 : ";
    appendFixed(text, counts.totalExpected);
    text += '\n';
    if (reference == ReferenceRates::unit) {
        if (counts.balanced) {
            text += "確認 : 各グループで観測数の合計と期待数の合計が一致します\n";
        } else {
            text += "確認 : グループ番号 " + std::to_string(counts.unbalancedUnit) +
                    " で観測数の合計と期待数の合計が一致しません\n";
        }
    } else if (reference == ReferenceRates::all) {
        text += counts.balanced ? "確認 : 全体で観測数の合計と期待数の合計が一致します\n"
                                : "確認 : 全体で観測数の合計と期待数の合計が一致しません\n";
    }
    return text;
}

}  // namespace tolven

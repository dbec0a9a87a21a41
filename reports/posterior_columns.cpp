#include "reports/posterior_columns.h"

#include "core/text/extended_setting_text.h"
#include "core/text/number_text.h"
#include "reports/moment_prior_label.h"

namespace tolven {
namespace {

void appendPriorHeader(std::string& out, char separator, const std::string& prior,
                       const std::string& threshold) {
    out += separator;
    out += "EB-Lower(" + prior + ")(%)";
    out += separator;
    out += "EB-Upper(" + prior + ")(%)";
    out += separator;
    out += "P(>" + threshold + "%)(" + prior + ")";
}

void appendPriorColumns(std::string& out, char separator, const PosteriorSummary* summary) {
    if (summary == nullptr) {
        for (int column = 0; column < 3; ++column) {
            out += separator;
            out += "***";
        }
        return;
    }
    out += separator;
    appendFixed(out, summary->lower * 100.0);
    out += separator;
    appendFixed(out, summary->upper * 100.0);
    out += separator;
    appendFixed(out, summary->exceedance);
}

}  // namespace

void appendPosteriorHeader(std::string& out, char separator, bool excludeZero,
                           double thresholdPercent) {
    const std::string threshold = shortestFixedText(thresholdPercent);
    appendPriorHeader(out, separator, momentPriorLabel(excludeZero), threshold);
    appendPriorHeader(out, separator, "MLE", threshold);
}

void appendPosteriorColumns(std::string& out, char separator, const PosteriorSummary* me,
                            const PosteriorSummary* mle) {
    appendPriorColumns(out, separator, me);
    appendPriorColumns(out, separator, mle);
}

std::string posteriorLogLine(double levelPercent, double thresholdPercent) {
    return " Posterior: " + shortestFixedText(levelPercent) +
           "% central credible interval (EB-Lower, EB-Upper) and probability P(ratio > " +
           shortestFixedText(thresholdPercent) + "%) for every region under both priors\n";
}

}  // namespace tolven

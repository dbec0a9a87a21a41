#include "reports/local_eb_columns.h"

#include "core/text/extended_setting_text.h"
#include "core/text/number_text.h"

namespace tolven {

void appendLocalEbHeader(std::string& out, char separator, const LocalEbColumns& columns) {
    out += separator;
    out += "EB-Ratio(Local)(%)";
    if (!columns.posterior) return;
    out += separator;
    out += "EB-Lower(Local)(%)";
    out += separator;
    out += "EB-Upper(Local)(%)";
    out += separator;
    out += "P(>" + shortestFixedText(columns.thresholdPercent) + "%)(Local)";
}

void appendLocalEbColumns(std::string& out, char separator, const LocalEbColumns& columns, int row,
                          int observed, double expected) {
    const int shownColumns = columns.posterior ? 4 : 1;
    const auto appendMissing = [&](int count) {
        for (int column = 0; column < count; ++column) {
            out += separator;
            out += "***";
        }
    };
    if ((*columns.shownOfRow)[row] == 0) {
        appendMissing(shownColumns);
        return;
    }
    const LocalEbEstimate& local = (*columns.estimateOfRow)[row];
    out += separator;
    appendFixed(out, local.estimate * 100.0);
    if (!columns.posterior) return;
    PosteriorSummary summary;
    if (!localEbPosterior(local, observed, expected, columns.levelPercent / 100.0,
                          columns.thresholdPercent / 100.0, summary)) {
        appendMissing(3);
        return;
    }
    out += separator;
    appendFixed(out, summary.lower * 100.0);
    out += separator;
    appendFixed(out, summary.upper * 100.0);
    out += separator;
    appendFixed(out, summary.exceedance);
}

}  // namespace tolven

#include "reports/result_table.h"

#include <algorithm>

#include "core/model/not_available.h"
#include "core/numerics/posterior.h"
#include "core/text/number_text.h"
#include "reports/moment_prior_label.h"
#include "reports/posterior_columns.h"

namespace tolven {

void writeResultHeader(std::string& out, const ResultTableFormat& format) {
    // The text header leaves the fifth field empty.
    out += format.csv ? "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio("
                      : "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(";
    out += momentPriorLabel(format.excludeZero);
    out += format.csv ? ")(%),EB-Ratio(MLE)(%)" : ")(%)\tEB-Ratio(MLE)(%)";
    if (format.posterior) {
        appendPosteriorHeader(out, format.csv ? ',' : '\t', format.excludeZero,
                              format.posterior->thresholdPercent);
    }
    if (format.localEb) appendLocalEbHeader(out, format.csv ? ',' : '\t', *format.localEb);
    out += '\n';
}

namespace {

// The six posterior columns of one row.
void appendPosteriorOfRow(std::string& out, char separator, const InputTable& table, int row,
                          const PosteriorColumns& columns) {
    const RegionPosteriors shown =
        regionPosteriors((*columns.priors)[(*columns.unitOfRow)[row]], table.observed[row],
                         table.expected[row], table.ebRatioME[row], table.ebRatioMLE[row],
                         columns.levelPercent / 100.0, columns.thresholdPercent / 100.0);
    appendPosteriorColumns(out, separator, shown.hasMoment ? &shown.moment : nullptr,
                           shown.hasLikelihood ? &shown.likelihood : nullptr);
}

}  // namespace

void writeResultRows(std::string& out, const InputTable& table, int first, int last,
                     const ResultTableFormat& format) {
    const char separator = format.csv ? ',' : '\t';
    for (int row = std::max(first, 1); row <= last; ++row) {
        appendInteger(out, table.unit[row]);
        out += separator;
        out += table.code[row];
        out += separator;
        appendInteger(out, table.observed[row]);
        out += separator;
        appendFixed(out, table.expected[row]);
        out += separator;
        appendFixed(out, table.ratio[row] * 100.0);
        out += separator;
        // A missing moment-based ratio (a one-region unit) hides the other
        // one too, whatever it holds.
        if (table.ebRatioME[row] == NOT_AVAILABLE) {
            out += "***";
            out += separator;
            out += "***";
        } else {
            appendFixed(out, table.ebRatioME[row] * 100.0);
            out += separator;
            if (table.ebRatioMLE[row] == NOT_AVAILABLE) {
                out += "***";
            } else {
                appendFixed(out, table.ebRatioMLE[row] * 100.0);
            }
        }
        if (format.posterior) appendPosteriorOfRow(out, separator, table, row, *format.posterior);
        if (format.localEb) {
            appendLocalEbColumns(out, separator, *format.localEb, row, table.observed[row],
                                 table.expected[row]);
        }
        out += '\n';
    }
}

void writeResultTable(std::string& out, const InputTable& table, const ResultTableFormat& format) {
    writeResultHeader(out, format);
    writeResultRows(out, table, 1, table.rowCount, format);
}

}  // namespace tolven

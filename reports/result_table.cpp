#include "reports/result_table.h"

#include <algorithm>

#include "core/not_available.h"
#include "core/number_text.h"
#include "core/posterior.h"
#include "core/shared_data.h"
#include "reports/posterior_columns.h"

namespace tolven {

void appendResultHeader(std::string& out, const ResultTableFormat& format) {
    if (format.csv) {
        out += format.excludeZero
                   ? "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME-0)(%),EB-Ratio(MLE)(%)"
                   : "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME+0)(%),EB-Ratio(MLE)(%)";
    } else {
        out += format.excludeZero
                   ? "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME-0)(%)\tEB-Ratio(MLE)(%)"
                   : "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME+0)(%)\tEB-Ratio(MLE)(%)";
    }
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
    const RegionPosteriors shown = regionPosteriors(
        (*columns.priors)[(*columns.unitOfRow)[row]], table.observed[row], table.expected[row],
        table.ebRatioME[row], table.ebRatioMLE[row], columns.levelPercent / 100.0,
        columns.thresholdPercent / 100.0);
    appendPosteriorColumns(out, separator, shown.hasMoment ? &shown.moment : nullptr,
                           shown.hasLikelihood ? &shown.likelihood : nullptr);
}

}  // namespace

void appendResultRows(std::string& out, const InputTable& table, int first, int last,
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

void writeResultTable(std::FILE* output, const InputTable& table, const ResultTableFormat& format) {
    std::string text;
    appendResultHeader(text, format);
    // A bounded piece at a time, so that a large table is never held whole.
    constexpr int ROWS_PER_WRITE = 4096;
    for (int first = 1; first <= table.rowCount; first += ROWS_PER_WRITE) {
        appendResultRows(text, table, first, std::min(table.rowCount, first + ROWS_PER_WRITE - 1),
                         format);
        std::fwrite(text.data(), 1, text.size(), output);
        text.clear();
    }
    std::fwrite(text.data(), 1, text.size(), output);
}

void writeResultTable(std::FILE* output, const InputTable& table) {
    writeResultTable(output, table, {csvOutput != 0, runSettings.excludeZero != 0});
}

}  // namespace tolven

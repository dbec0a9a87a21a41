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
    out += '\n';
}

namespace {

// The six posterior columns of one row.
void appendPosteriorOfRow(std::string& out, char separator, const InputTable& table, int row,
                          const PosteriorColumns& columns) {
    const UnitPriors& priors = (*columns.priors)[(*columns.unitOfRow)[row]];
    const double level = columns.levelPercent / 100.0;
    const double threshold = columns.thresholdPercent / 100.0;
    const bool hasMoment = table.ebRatioME[row] != NOT_AVAILABLE;
    PosteriorSummary moment;
    PosteriorSummary likelihood;
    const bool useMoment = hasMoment && priorUsable(priors.meAlpha, priors.meBeta);
    const bool useLikelihood = hasMoment && table.ebRatioMLE[row] != NOT_AVAILABLE &&
                               priorUsable(priors.mleAlpha, priors.mleBeta);
    if (useMoment) {
        moment = summarizePosterior(priors.meAlpha, priors.meBeta, table.observed[row],
                                    table.expected[row], level, threshold);
    }
    if (useLikelihood) {
        likelihood = summarizePosterior(priors.mleAlpha, priors.mleBeta, table.observed[row],
                                        table.expected[row], level, threshold);
    }
    appendPosteriorColumns(out, separator, useMoment ? &moment : nullptr,
                           useLikelihood ? &likelihood : nullptr);
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

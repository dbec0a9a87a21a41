#include "reports/result_table.h"

#include <string>

#include "core/limits.h"
#include "core/shared_data.h"
#include "reports/number_text.h"

namespace tolven {

void writeResultTable(std::FILE* output, const InputTable& table) {
    const bool csv = csvOutput != 0;
    const bool excludeZero = runSettings.excludeZero != 0;
    const char* header;
    if (csv) {
        header = excludeZero
                     ? "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME-0)(%),EB-Ratio(MLE)(%)\n"
                     : "Unit,Code,Data1,Data2,Ratio(%),EB-Ratio(ME+0)(%),EB-Ratio(MLE)(%)\n";
    } else {
        header =
            excludeZero
                ? "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME-0)(%)\tEB-Ratio(MLE)(%)\n"
                : "Unit\tCode\tData1\tData2\t\tRatio(%)\tEB-Ratio(ME+0)(%)\tEB-Ratio(MLE)(%)\n";
    }
    std::fputs(header, output);

    const char separator = csv ? ',' : '\t';
    std::string line;
    for (int row = 1; row <= table.rowCount; ++row) {
        line.clear();
        appendInteger(line, table.unit[row]);
        line += separator;
        line += table.code[row];
        line += separator;
        appendInteger(line, table.observed[row]);
        line += separator;
        appendFixed(line, table.expected[row]);
        line += separator;
        appendFixed(line, table.ratio[row] * 100.0);
        line += separator;
        // A missing moment-based ratio (a one-region unit) hides the other
        // one too, whatever it holds.
        if (table.ebRatioME[row] == NOT_AVAILABLE) {
            line += "***";
            line += separator;
            line += "***";
        } else {
            appendFixed(line, table.ebRatioME[row] * 100.0);
            line += separator;
            if (table.ebRatioMLE[row] == NOT_AVAILABLE) {
                line += "***";
            } else {
                appendFixed(line, table.ebRatioMLE[row] * 100.0);
            }
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), output);
    }
}

}  // namespace tolven

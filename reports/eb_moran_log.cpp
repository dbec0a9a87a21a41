#include "reports/eb_moran_log.h"

#include "core/text/number_text.h"

namespace tolven {

std::string ebMoranLogLine(const EbMoranResult& result, std::string_view source, int permutations) {
    std::string line = " EB Moran's I : ";
    if (result.available) {
        appendFixed(line, result.statistic);
        line += "  p-value : ";
        appendFixed(line, result.pValue);
    } else {
        line += "***  p-value : ***";
    }
    line += "  (";
    line += source;
    line += ", ";
    appendInteger(line, permutations);
    line += " permutations)\n";
    return line;
}

}  // namespace tolven

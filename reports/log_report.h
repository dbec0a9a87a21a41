#pragma once

#include <string>

#include "core/model/extended_settings.h"
#include "core/model/region_table.h"
#include "core/model/run_settings.h"
#include "core/model/unit_results.h"

namespace tolven {

// The two forms of a unit's block in the log.
enum class LogForm {
    perUnit,    // headed "For unit N", ends with an empty line; one-region units get "***"
    wholeFile,  // no heading, values always printed, ends with a single line end
};

// Whether a unit is estimated from a single region in per-unit form: one ratio
// has no spread to fit a prior to, so none of the unit's moment-based figures
// is shown (its log block prints "***", its row's ebRatioME is NOT_AVAILABLE).
// In whole-file form a single region is not treated specially.
inline bool isOneRegionUnit(LogForm form, int regionCount) {
    return form == LogForm::perUnit && regionCount == 1;
}

// The writers append text to `out`; the caller writes it to the log and checks
// the write.

// The log's title block: the program line, a copyright line and an empty
// line.
void writeLogHeader(std::string& out);

// The lines that name the options beyond the five settings which change what
// the outputs hold (posterior output, the safeguarded fit), followed by an
// empty line; nothing when every such option is off.
void writeLogOptions(std::string& out, const ExtendedSettings& extended);

// The block of the unit just estimated, from table.regionCount, `results` and
// `settings` (excludeZero picks "include"/"exclude", epsilon is printed as
// EPS). In perUnit form `unitNumber` names the unit; for a one-region unit
// (isOneRegionUnit) the block prints "***" for every estimate but still prints
// EPS and the iteration count. The MLE lines print "***" when mleAlpha is
// exactly NOT_AVAILABLE (mleBeta is not looked at). Non-finite values print as
// "nan", "inf", "-inf".
void writeLogSection(std::string& out, LogForm form, int unitNumber, const RegionTable& table,
                     const UnitResults& results, const RunSettings& settings);

}  // namespace tolven

#pragma once

#include <cstdio>
#include <string>

#include "core/extended_settings.h"
#include "core/region_table.h"
#include "core/run_settings.h"
#include "core/unit_results.h"

namespace tolven {

// The two forms of a unit's block in the log.
enum class LogForm {
    perUnit,    // headed "For unit N", ends with an empty line; one-region units get "***"
    wholeFile,  // no heading, values always printed, ends with a single line end
};

// The log's title block: the program line, a copyright line and an empty
// line.
void appendLogHeader(std::string& out);

// The lines that name the options beyond the five settings which change what
// the outputs hold (posterior output, the safeguarded fit), followed by an
// empty line; nothing when every such option is off.
void appendLogOptions(std::string& out, const ExtendedSettings& extended);

// The block of the unit just estimated, from table.regionCount, `results` and
// `settings` (excludeZero picks "include"/"exclude", epsilon is printed as
// EPS). In perUnit form `unitNumber` names the unit; with a single region the
// block prints "***" for every estimate but still prints EPS and the iteration
// count. The MLE lines print "***" when mleAlpha is exactly NOT_AVAILABLE
// (mleBeta is not looked at). Non-finite values print as "nan", "inf", "-inf".
void appendLogSection(std::string& out, LogForm form, int unitNumber, const RegionTable& table,
                      const UnitResults& results, const RunSettings& settings);

// The same written to the open `log`. Neither writer opens, flushes or closes
// `log`, nor reports a write error: the caller checks the stream (ferror,
// fclose) once it is done.
void writeLogHeader(std::FILE* log);
void writeLogSection(std::FILE* log, LogForm form, int unitNumber, const RegionTable& table,
                     const UnitResults& results, const RunSettings& settings);

// The block from the process-wide regionTable, unitResults and runSettings:
// call it right after the unit's estimation, before the next unit is loaded.
void writeLogSection(std::FILE* log, LogForm form, int unitNumber = 0);

}  // namespace tolven

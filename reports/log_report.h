#pragma once

#include <cstdio>

namespace tolven {

// The two forms of a unit's block in the log.
enum class LogForm {
    perUnit,    // headed "For unit N", ends with an empty line; one-region units get "***"
    wholeFile,  // no heading, values always printed, ends with a single line end
};

// Writes the log's title block: the program line, a copyright line and an
// empty line. Neither writer opens, flushes or closes `log`, nor reports a
// write error: the caller checks the stream (ferror, fclose) once it is done.
void writeLogHeader(std::FILE* log);

// Writes the block of the unit just estimated, from regionTable.regionCount,
// unitResults and runSettings (excludeZero picks "include"/"exclude", epsilon
// is printed as EPS). In perUnit form `unitNumber` names the unit; with a
// single region the block prints "***" for every estimate but still prints EPS
// and the iteration count. The MLE lines print "***" when mleAlpha is exactly
// NOT_AVAILABLE (mleBeta is not looked at). Non-finite values print as "nan",
// "inf", "-inf". Call it right after the unit's estimation, before the next
// unit is loaded.
void writeLogSection(std::FILE* log, LogForm form, int unitNumber = 0);

}  // namespace tolven

#pragma once

#include <string>

#include "core/extended_settings.h"
#include "core/region_table.h"
#include "core/run_settings.h"
#include "core/unit_results.h"

namespace tolven {

// The process-wide estimation data. One thread uses it; nothing is locked.
extern RegionTable regionTable;
extern UnitResults unitResults;
extern RunSettings runSettings;
// The options beyond the five settings; like them they last for the
// program's run.
extern ExtendedSettings extendedSettings;

// Paths are byte strings in the system's multibyte encoding, passed unchanged
// to the file system.
extern std::string inputPath;
extern std::string outputPath;
extern std::string logPath;
extern int csvOutput;  // 1: the result table is comma-separated, 0: tab-separated

// Puts all of the above back to its state at process start (all zero, paths
// empty). Tests call it first.
void resetSharedData();

}  // namespace tolven

#include "core/shared_data.h"

namespace tolven {

RegionTable regionTable;
UnitResults unitResults;
RunSettings runSettings;
ExtendedSettings extendedSettings;
std::string inputPath;
std::string outputPath;
std::string logPath;
int csvOutput = 0;

void resetSharedData() {
    regionTable = RegionTable();
    unitResults = UnitResults();
    runSettings = RunSettings();
    extendedSettings = ExtendedSettings();
    inputPath.clear();
    outputPath.clear();
    logPath.clear();
    csvOutput = 0;
}

}  // namespace tolven

#pragma once

namespace tolven {

// One whole estimation: reads inputPath, estimates every unit, writes the log
// at logPath and the result table at outputPath. Returns 0 on success, or 1
// after a failure message has been shown.
int runEstimation();

}  // namespace tolven

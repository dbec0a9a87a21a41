#pragma once

#include <iosfwd>
#include <string>

#include "core/run_settings.h"

namespace tolven {

// What one invocation of tolven-batch asks for.
struct BatchRequest {
    std::string inputPath;
    std::string outputPath;
    std::string logPath;
    int csvOutput = 0;
    RunSettings settings;  // the defaults, then what the options changed
};

enum class ParseResult {
    run,         // `request` is complete: run it
    done,        // help or version printed: exit with 0
    usageError,  // bad arguments or setting values, reported on `err` or as a message: exit with 2
};

// The default output and log names for an input path, as the main window
// proposes them: the path cut before its last "." (wherever it stands, in a
// folder name too; the whole path when there is none), then "out.txt" or
// "out.csv", and "out.log".
std::string defaultOutputPath(const std::string& input, bool csv);
std::string defaultLogPath(const std::string& input);

// Parses `tolven-batch [options] INPUT` into `request`. Help and version go to
// `out`, parse errors to `err`. The setting texts are checked like the
// settings dialog checks them (epsilon, iterations, alpha, beta in this order);
// the first refused one is reported with the dialog's message through
// showErrorMessage.
ParseResult parseBatchArguments(int argc, const char* const* argv, BatchRequest& request,
                                std::ostream& out, std::ostream& err);

// Puts the request into the process-wide paths and settings and runs one
// estimation. Returns the exit status: 0 on success, 1 when the run failed
// (its message has been shown).
int runBatch(const BatchRequest& request);

}  // namespace tolven

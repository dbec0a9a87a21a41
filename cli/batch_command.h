#pragma once

#include <iosfwd>
#include <string>

#include "core/extended_settings.h"
#include "core/run_settings.h"
#include "core/user_messages.h"
#include "run/spatial_options.h"

namespace tolven {

// What one invocation of tolven-batch asks for.
struct BatchRequest {
    std::string inputPath;
    std::string outputPath;
    std::string logPath;
    int csvOutput = 0;
    RunSettings settings;  // the defaults, then what the options changed
    int threads = 1;       // units estimated side by side
    ExtendedSettings extended;  // the options beyond the five settings
    bool quiet = false;    // no progress on the terminal
    SpatialOptions spatial;  // the neighbour list and the spatial estimates
};

enum class ParseResult {
    run,         // `request` is complete: run it
    done,        // help or version printed: exit with 0
    usageError,  // bad arguments or setting values, reported on `err` or as a message: exit with 2
};

// Parses `tolven-batch [options] INPUT` into `request`. Help and version go to
// `out`, parse errors to `err`. The setting texts are checked like the
// settings dialog checks them (epsilon, iterations, alpha, beta in this order);
// the first refused one is reported on `err` with the dialog's message. The
// default output and log names are those the main dialog proposes.
ParseResult parseBatchArguments(int argc, const char* const* argv, BatchRequest& request,
                                std::ostream& out, std::ostream& err);

// Runs one estimation of the request, its messages going to `messages`. The
// run stops early once stopRequested() is set (see stop_signals.h). Progress
// goes to standard error when that is a terminal, unless request.quiet.
// Returns the exit status: 0 on success, 1 when the run failed (its message
// has been shown), 128 + the signal's number (130 for SIGINT, 143 for
// SIGTERM) when a signal stopped it.
int runBatch(const BatchRequest& request, MessageSink& messages);

}  // namespace tolven

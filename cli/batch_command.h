#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/geo_package_output.h"
#include "cli/map_output.h"
#include "core/standardisation/expected_input.h"
#include "core/text/user_messages.h"
#include "run/estimation_run.h"
#include "run/spatial_options.h"

namespace tolven {

// The most threads --threads may ask for.
inline constexpr int MAX_THREAD_COUNT = 1024;

// What one invocation of tolven-batch asks for.
struct BatchRequest {
    // The paths, settings (the defaults, then what the options changed) and
    // thread count; its cancel flag and progress are set by runBatch.
    RunRequest run;
    bool quiet = false;  // no progress on the terminal

    // Expected counts from age strata (--strata): when given, the input table
    // is computed from the strata file instead of read from run.inputPath, and
    // also written to writeInputPath when that is not empty.
    std::optional<StandardisationRequest> standardisation;
    std::string writeInputPath;

    // --geo-output (off when geo.path is empty) and the boundaries, which
    // --neighbours queen|rook use too (none when geo.boundaries.path is empty).
    GeoOutputRequest geo;
    // --maps (off when maps.folder is empty); drawn from the same boundaries.
    MapsRequest maps;
};

enum class ParseResult {
    run,         // `request` is complete: run it
    done,        // help or version printed: exit with 0
    usageError,  // bad arguments or setting values, reported on `err` or as a message: exit with 2
};

// Parses `tolven-batch [options] INPUT` (or `tolven-batch --strata FILE
// [options]`) into `request`. Help and version go to
// `out`, parse errors to `err`. The setting texts are checked like the
// settings dialog checks them (epsilon, iterations, alpha, beta in this order);
// the first refused one is reported on `err` with the dialog's message. The
// default output and log names are those the main dialog proposes, for INPUT,
// or with --strata for --write-input when given, else the strata file.
ParseResult parseBatchArguments(int argc, const char* const* argv, BatchRequest& request,
                                std::ostream& out, std::ostream& err);

// Runs one estimation of the request, its messages going to `messages`. With
// --strata the input table is computed first (a refusal exits with 1, nothing
// written) and its summary printed on standard output. The
// run stops early once stopRequested() is set (see stop_signals.h). Progress
// goes to standard error when that is a terminal, unless request.quiet.
// With maps asked for, they are drawn off-screen (no display needed).
// With a GeoPackage asked for, the boundary summary goes to standard error
// once the boundaries are joined.
// Returns the exit status: 0 on success, 1 when the run failed (its message
// has been shown), 128 + the signal's number (130 for SIGINT, 143 for
// SIGTERM) when a signal stopped it. A failure that comes of the stop itself
// (an open of a named pipe cut short) counts as the stop, without a message.
int runBatch(const BatchRequest& request, MessageSink& messages);

}  // namespace tolven

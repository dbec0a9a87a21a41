#pragma once

#include <atomic>
#include <string>

#include "core/model/engine_options.h"
#include "core/model/extended_settings.h"
#include "core/model/run_settings.h"
#include "core/text/user_messages.h"
#include "run/computed_input.h"
#include "run/extra_output.h"
#include "run/outcome_files.h"
#include "run/run_outcome.h"
#include "run/run_progress.h"
#include "run/spatial_options.h"

namespace tolven {

// Everything one estimation run reads.
struct RunRequest {
    std::string inputPath;
    std::string outputPath;
    std::string logPath;
    int csvOutput = 0;  // 1: the result table is comma-separated, 0: tab-separated
    RunSettings settings;
    int threads = 0;            // threads that estimate units side by side; 0 or below: every core
    ExtendedSettings extended;  // the options beyond the five settings; all off by default
    // Set from another thread or a signal handler, it stops the run soon:
    // between units, between fit steps, between pieces of the table.
    const std::atomic<bool>* cancel = nullptr;
    RunProgress* progress = nullptr;  // hears how far the run has got, if given
    // When given, a successful run leaves in it what the plots need (see
    // collectOutcome); otherwise it is left alone.
    RunOutcome* outcome = nullptr;

    // An input table computed in memory (expected counts from strata): when
    // given, the run reads its text instead of the file inputPath, refuses
    // outputs that would replace its source files, and writes it to its
    // writePath (if any) as a third output, put in place before the log.
    const ComputedInput* computedInput = nullptr;
    // One more output (the GeoPackage), if given: prepared after the input is
    // read, written after the table, put in place after the table.
    ExtraOutput* extraOutput = nullptr;
    // Files drawn from the outcome (the maps), if given: prepared after the
    // extra output, opened and checked like it, written after it from the
    // outcome (with the local estimates when the run makes them) and put in
    // place last.
    OutcomeFiles* outcomeFiles = nullptr;
    // The neighbour list and the spatial estimates; none by default.
    SpatialOptions spatial;
};

// What runEstimation returns.
inline constexpr int RUN_SUCCEEDED = 0;
inline constexpr int RUN_FAILED = 1;     // its message has been shown
inline constexpr int RUN_CANCELLED = 2;  // stopped on request; no message

// The number of threads the machine runs at once; 1 when it cannot tell.
int defaultThreadCount();

// One whole estimation:
//  1. reads inputPath; on a bad or unreadable input it returns 1 after the
//     reader's message, with no output file created or touched;
//  2. opens logPath and outputPath for writing (see OutputFile): a regular
//     file, or one that does not exist yet, is written as a temporary file
//     beside it that replaces it only at the end; a device or pipe is written
//     in place. A path that cannot be opened ("ERROR!! : ログファイル\n%s
//     を開けません", "ERROR!! : 出力ファイル\n%s を開けません") leaves every
//     existing file as it was. An output that is the input file, or the other
//     output, is refused before anything is written;
//  3. writes the log header, then estimates every unit in ascending unit
//     number, the regions of a unit in file order, writing each unit's log
//     block in that order. When line 1's unit is -1 the whole file is one
//     unit (whole-file log form). The only region of a one-region unit gets
//     ebRatioME = NOT_AVAILABLE;
//  4. writes the result table (rows in file order), then finishes both
//     files and only when both are complete puts them in place, the log
//     first. A write error on either (a full disk) is reported ("ERROR!! :
//     ログファイル\n%s に書き込めません", likewise 出力ファイル), neither old
//     file is replaced, and the run returns RUN_FAILED. A cancelled run
//     replaces nothing either.
// With a computed input, "入力ファイル" in the messages is its writePath.
//  With request.extraOutput, it is prepared right after the input is read (a
//  refusal fails the run with nothing written), opened and checked like the
//  outputs (it may not be the input, either output or one of its sources),
//  written after the table, finished with the others and put in place after
//  the table; a failure of any leaves every old file as it was, short of a
//  failed rename after the first.
// Returns 0 on success. Every message goes to `messages`. Units are estimated
// on request.threads threads; the files written are byte for byte the same
// for every number of threads.
int runEstimation(const RunRequest& request, MessageSink& messages);

}  // namespace tolven

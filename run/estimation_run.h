#pragma once

#include <atomic>
#include <string>

#include "core/engine_options.h"
#include "core/extended_settings.h"
#include "core/run_settings.h"
#include "core/user_messages.h"
#include "run/run_progress.h"

namespace tolven {

// Everything one estimation run reads.
struct RunRequest {
    std::string inputPath;
    std::string outputPath;
    std::string logPath;
    int csvOutput = 0;  // 1: the result table is comma-separated, 0: tab-separated
    RunSettings settings;
    int threads = 0;    // threads that estimate units side by side; 0 or below: every core
    ExtendedSettings extended;  // the options beyond the five settings; all off by default
    // Set from another thread or a signal handler, it stops the run soon:
    // between units, between fit steps, between pieces of the table.
    const std::atomic<bool>* cancel = nullptr;
    RunProgress* progress = nullptr;  // hears how far the run has got, if given
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
//  2. opens logPath and outputPath for writing. Both are opened before either
//     is emptied, so a path that cannot be written ("ERROR!! : ログファイル\n%s
//     を開けません", "ERROR!! : 出力ファイル\n%s を開けません") leaves every
//     existing file as it was; a file this run created just for that check is
//     removed again. An output that is the input file, or the other output,
//     is refused before anything is emptied. The real paths are written in
//     place (never replaced), so devices and symbolic links work;
//  3. writes the log header, then estimates every unit in ascending unit
//     number, the regions of a unit in file order, writing each unit's log
//     block in that order. When line 1's unit is -1 the whole file is one
//     unit (whole-file log form). The only region of a one-region unit gets
//     ebRatioME = NOT_AVAILABLE;
//  4. writes the result table (rows in file order), closes the log, then the
//     result file. A write error on either (a full disk) is reported
//     ("ERROR!! : ログファイル\n%s に書き込めません", likewise 出力ファイル)
//     and the run returns 1.
// Returns 0 on success. Every message goes to `messages`. Units are estimated
// on request.threads threads; the files written are byte for byte the same
// for every number of threads.
int runEstimation(const RunRequest& request, MessageSink& messages);

// The same from the process-wide paths, csvOutput and runSettings, on every
// core, with the installed message sink.
int runEstimation();

}  // namespace tolven

#include "run/estimation_run.h"

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "core/file_messages.h"
#include "core/input_file.h"
#include "core/shared_data.h"
#include "reports/log_report.h"
#include "reports/result_table.h"
#include "run/outcome_collection.h"
#include "run/output_file.h"
#include "run/spatial_run.h"
#include "run/unit_estimation.h"
#include "run/unit_groups.h"

namespace tolven {
namespace {

// Refuses outputs that would overwrite the input or each other, before
// anything is written: writing two files into one garbles both, and writing
// over the input loses the user's data. Devices such as /dev/null may well be
// shared. Returns the message, or an empty text when all is well.
std::string clashMessage(const std::string& inputPath, const OutputFile& log,
                         const OutputFile& output) {
    struct stat input {};
    const bool haveInput = ::stat(inputPath.c_str(), &input) == 0;
    if (haveInput && log.sameRegularFile(input)) {
        return fileMessage(LOG_FILE_SUBJECT, log.path(), " は入力ファイルと同じファイルです");
    }
    if (haveInput && output.sameRegularFile(input)) {
        return fileMessage(OUTPUT_FILE_SUBJECT, output.path(), " は入力ファイルと同じファイルです");
    }
    if (output.sameRegularFile(log)) {
        return fileMessage(OUTPUT_FILE_SUBJECT, output.path(), " はログファイルと同じファイルです");
    }
    return {};
}

}  // namespace

int defaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 1024u));
}

int runEstimation(const RunRequest& request, MessageSink& messages) {
    const int threads = request.threads > 0 ? request.threads : defaultThreadCount();
    // The pool allows as many threads as the machine has cores unless told
    // otherwise; a request for more (a check that the outputs do not depend
    // on the thread count, say) gets them.
    const tbb::global_control allowed(tbb::global_control::max_allowed_parallelism,
                                      static_cast<std::size_t>(threads));
    tbb::task_arena arena(threads);
    const ChunkRunner runChunks = [&arena](std::size_t count,
                                           const std::function<void(std::size_t)>& body) {
        arena.execute([&] { tbb::parallel_for(std::size_t{0}, count, body); });
    };

    if (request.progress) request.progress->reading();
    InputTable table;
    int wholeFileMode = 0;
    if (readInputFile(request.inputPath, table, wholeFileMode, messages, runChunks) != 0) {
        return RUN_FAILED;
    }
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    SpatialRun spatial(request.spatial);
    if (spatial.active() && !spatial.load(table, messages)) return RUN_FAILED;

    // Both outputs are opened before anything is written; a file that is
    // replaced is written as a temporary beside it, so that until both are
    // complete the old files stay as they were (the destructors remove the
    // temporaries on every way out before the commits).
    OutputFile log(request.logPath);
    OutputFile output(request.outputPath);
    if (log.open() != 0) {
        messages.showError(cannotOpenMessage(LOG_FILE_SUBJECT, log.path()));
        return RUN_FAILED;
    }
    if (output.open() != 0) {
        messages.showError(cannotOpenMessage(OUTPUT_FILE_SUBJECT, output.path()));
        return RUN_FAILED;
    }
    if (const std::string clash = clashMessage(request.inputPath, log, output); !clash.empty()) {
        messages.showError(clash);
        return RUN_FAILED;
    }
    if (spatial.active() && !spatial.openOutput(request.inputPath, log, output, messages)) {
        return RUN_FAILED;
    }
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    log.startWriting();
    output.startWriting();

    const ExtendedSettings& extended = request.extended;
    std::string header;
    appendLogHeader(header);
    appendLogOptions(header, extended);
    std::fwrite(header.data(), 1, header.size(), log.stream());

    const EngineOptions options{extended.fitMode, request.cancel};
    PriorsByRow priors;
    PriorsByRow* const keep =
        extended.posteriorOutput || request.outcome != nullptr ? &priors : nullptr;
    const bool wholeFile = wholeFileMode == 1;
    UnitGroups groups;
    bool finished = false;
    arena.execute([&] {
        groups = wholeFile ? wholeFileGroup(table) : groupRowsByUnit(table);
        if (!estimateUnits(table, groups, wholeFile ? LogForm::wholeFile : LogForm::perUnit,
                           request.settings, options, request.progress, log.stream(), keep,
                           spatial.active() ? &spatial : nullptr)) {
            return;
        }
        if (request.progress) request.progress->writing();
        const PosteriorColumns columns{extended.intervalLevel, extended.threshold,
                                       &priors.unitOfRow, &priors.priors};
        ResultTableFormat format{request.csvOutput != 0, request.settings.excludeZero != 0};
        if (extended.posteriorOutput) format.posterior = &columns;
        if (spatial.active()) {
            format.localEb = spatial.columns(extended.posteriorOutput, extended.intervalLevel,
                                             extended.threshold);
        }
        finished = writeResultTableInParallel(output.stream(), table, format, request.cancel);
    });
    if (!finished) return RUN_CANCELLED;
    if (spatial.active() && !spatial.writeList(table, groups, messages)) return RUN_FAILED;

    // Each lost file gets its own message: the user needs to know both.
    // Neither replaces its old file unless both are complete.
    const bool logWritten = log.finish();
    const bool outputWritten = output.finish();
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    if (!logWritten) messages.showError(cannotWriteMessage(LOG_FILE_SUBJECT, log.path()));
    if (!outputWritten) messages.showError(cannotWriteMessage(OUTPUT_FILE_SUBJECT, output.path()));
    if (!logWritten || !outputWritten) return RUN_FAILED;
    if (!spatial.finish(messages)) return RUN_FAILED;
    // The log first, then the table: two renames, not one atomic step.
    if (log.commit() != 0) {
        messages.showError(cannotWriteMessage(LOG_FILE_SUBJECT, log.path()));
        return RUN_FAILED;
    }
    if (output.commit() != 0) {
        messages.showError(cannotWriteMessage(OUTPUT_FILE_SUBJECT, output.path()));
        return RUN_FAILED;
    }
    if (!spatial.commit(messages)) return RUN_FAILED;
    if (request.outcome) {
        arena.execute([&] {
            collectOutcome(table, groups, wholeFile, priors, request.settings.excludeZero != 0,
                           extended, *request.outcome);
        });
    }
    return RUN_SUCCEEDED;
}

int runEstimation() {
    RunRequest request;
    request.inputPath = inputPath;
    request.outputPath = outputPath;
    request.logPath = logPath;
    request.csvOutput = csvOutput;
    request.settings = runSettings;
    request.extended = extendedSettings;
    return runEstimation(request, installedMessageSink());
}

}  // namespace tolven

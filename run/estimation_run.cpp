#include "run/estimation_run.h"

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/input/input_file.h"
#include "core/text/file_messages.h"
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

// The same for the extra output: not the input, an output or its own sources.
std::string extraClashMessage(const std::string& inputPath, const OutputFile& log,
                              const OutputFile& output, const OutputFile& extra,
                              const std::string& subject, std::vector<std::string> readPaths) {
    const auto clash = [&](const char* reason) {
        return fileMessage(subject.c_str(), extra.path(), reason);
    };
    readPaths.insert(readPaths.begin(), inputPath);
    for (const std::string& path : readPaths) {
        struct stat source {};
        if (::stat(path.c_str(), &source) == 0 && extra.sameRegularFile(source)) {
            return clash(path == inputPath ? " は入力ファイルと同じファイルです"
                                           : " は読み込むファイルと同じファイルです");
        }
    }
    if (extra.sameRegularFile(log)) return clash(" はログファイルと同じファイルです");
    if (extra.sameRegularFile(output)) return clash(" は出力ファイルと同じファイルです");
    return {};
}

// The outputs opened after the table and the log (the extra output, the
// neighbour list, the drawn files) against what the checks above leave out:
// the files a computed input came from, the written input, and the list
// against the other two. Returns the message, or an empty text.
std::string laterOutputClash(const ComputedInput* computed, const OutputFile* written,
                             const ExtraOutput* module, const OutputFile* extra,
                             const OutputFile* list, const OutcomeFiles* drawer,
                             const std::vector<std::unique_ptr<OutputFile>>& drawn) {
    const std::string extraSubject = module != nullptr ? module->subject() : std::string();
    const std::string drawnSubject = drawer != nullptr ? drawer->subject() : std::string();
    std::vector<NamedOutput> others;
    if (extra) others.push_back({extraSubject.c_str(), extra});
    for (const auto& file : drawn) others.push_back({drawnSubject.c_str(), file.get()});
    std::vector<NamedOutput> later = others;
    if (list) later.push_back({NEIGHBOUR_FILE_SUBJECT, list});
    if (computed) {
        std::string clash = computedInputClash(*computed, written, later);
        if (!clash.empty()) return clash;
    }
    if (list) {
        for (const NamedOutput& other : others) {
            if (list->sameRegularFile(*other.file)) {
                return fileMessage(NEIGHBOUR_FILE_SUBJECT, list->path(),
                                   " は出力ファイルと同じファイルです");
            }
        }
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
    const ComputedInput* const computed = request.computedInput;
    const int read =
        computed ? readInputText(computed->text, computed->writePath, table, wholeFileMode,
                                 messages, runChunks)
                 : readInputFile(request.inputPath, table, wholeFileMode, messages, runChunks);
    if (read != 0) return RUN_FAILED;
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    ExtraOutput* const module = request.extraOutput;
    if (module != nullptr && !module->prepare(table, wholeFileMode == 1, messages)) {
        return RUN_FAILED;
    }
    OutcomeFiles* const drawer = request.outcomeFiles;
    if (drawer != nullptr && !drawer->prepare(table, wholeFileMode == 1, messages)) {
        return RUN_FAILED;
    }
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    SpatialRun spatial(request.spatial);
    if (spatial.active() && !spatial.load(table, messages)) return RUN_FAILED;

    // Both outputs are opened before anything is written; a file that is
    // replaced is written as a temporary beside it, so that until both are
    // complete the old files stay as they were (the destructors remove the
    // temporaries on every way out before the commits).
    std::optional<OutputFile> written;  // the computed input, when it is to be kept
    if (computed && !computed->writePath.empty()) {
        written.emplace(computed->writePath);
        if (written->open() != 0) {
            messages.showError(cannotOpenMessage(INPUT_FILE_SUBJECT, written->path()));
            return RUN_FAILED;
        }
    }
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
    std::string clash;
    if (computed) {
        clash = computedInputClash(*computed, written ? &*written : nullptr,
                                   {{LOG_FILE_SUBJECT, &log}, {OUTPUT_FILE_SUBJECT, &output}});
    }
    if (clash.empty()) {
        clash = clashMessage(computed ? std::string() : request.inputPath, log, output);
    }
    if (!clash.empty()) {
        messages.showError(clash);
        return RUN_FAILED;
    }
    std::optional<OutputFile> extra;
    if (module != nullptr) {
        extra.emplace(module->path());
        if (extra->open() != 0) {
            messages.showError(cannotOpenMessage(module->subject().c_str(), extra->path()));
            return RUN_FAILED;
        }
        const std::string clash = extraClashMessage(request.inputPath, log, output, *extra,
                                                    module->subject(), module->sourcePaths());
        if (!clash.empty()) {
            messages.showError(clash);
            return RUN_FAILED;
        }
    }
    // The drawn files may be none of the other outputs nor the files read.
    std::vector<std::unique_ptr<OutputFile>> drawn;
    if (drawer != nullptr) {
        std::vector<std::string> readPaths = drawer->sourcePaths();
        for (const std::string& path : drawer->paths()) {
            drawn.push_back(std::make_unique<OutputFile>(path));
            if (drawn.back()->open() != 0) {
                messages.showError(cannotOpenMessage(drawer->subject().c_str(), path));
                return RUN_FAILED;
            }
            std::string clash = extraClashMessage(request.inputPath, log, output, *drawn.back(),
                                                  drawer->subject(), readPaths);
            if (clash.empty() && extra && drawn.back()->sameRegularFile(*extra)) {
                clash = fileMessage(drawer->subject().c_str(), path,
                                    " は出力ファイルと同じファイルです");
            }
            if (!clash.empty()) {
                messages.showError(clash);
                return RUN_FAILED;
            }
        }
    }
    if (spatial.active() && !spatial.openOutput(request.inputPath, log, output, messages)) {
        return RUN_FAILED;
    }
    if (const std::string clash =
            laterOutputClash(computed, written ? &*written : nullptr, module,
                             extra ? &*extra : nullptr, spatial.listOutput(), drawer, drawn);
        !clash.empty()) {
        messages.showError(clash);
        return RUN_FAILED;
    }
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    if (written) std::fwrite(computed->text.data(), 1, computed->text.size(), written->stream());

    const ExtendedSettings& extended = request.extended;
    std::string header;
    writeLogHeader(header);
    writeLogOptions(header, extended);
    std::fwrite(header.data(), 1, header.size(), log.stream());

    const EngineOptions options{extended.fitMode, request.cancel};
    PriorsByRow priors;
    PriorsByRow* const keep =
        extended.posteriorOutput || request.outcome != nullptr || drawer != nullptr ? &priors
                                                                                    : nullptr;
    const bool wholeFile = wholeFileMode == 1;
    UnitGroups groups;
    bool finished = false;
    const LocalEbColumns* localColumns = nullptr;  // the local estimates, when made
    const PosteriorColumns posteriorColumns{extended.intervalLevel, extended.threshold,
                                            &priors.unitOfRow, &priors.priors};
    const PosteriorColumns* const posterior =
        extended.posteriorOutput ? &posteriorColumns : nullptr;
    arena.execute([&] {
        groups = wholeFile ? wholeFileGroup(table) : groupRowsByUnit(table);
        if (!estimateUnits(table, groups, wholeFile ? LogForm::wholeFile : LogForm::perUnit,
                           request.settings, options, request.progress, log.stream(), keep,
                           spatial.active() ? &spatial : nullptr)) {
            return;
        }
        if (request.progress) request.progress->writing();
        ResultTableFormat format{request.csvOutput != 0, request.settings.excludeZero != 0};
        format.posterior = posterior;
        if (spatial.active()) {
            format.localEb = spatial.columns(extended.posteriorOutput, extended.intervalLevel,
                                             extended.threshold);
        }
        localColumns = format.localEb;
        finished = writeResultTableInParallel(output.stream(), table, format, request.cancel,
                                              request.progress);
    });
    if (!finished) return RUN_CANCELLED;
    if (extra) {
        bool extraDone = false;
        arena.execute([&] {
            extraDone = module->write(extra->stream(), table, wholeFile, posterior, localColumns,
                                      request.cancel, messages);
        });
        if (isCancelled(request.cancel)) return RUN_CANCELLED;
        if (!extraDone) return RUN_FAILED;
    }
    if (drawer != nullptr) {
        RunOutcome outcome;
        arena.execute([&] {
            collectOutcome(table, groups, wholeFile, priors, request.settings.excludeZero != 0,
                           extended, outcome, localColumns);
        });
        for (std::size_t k = 0; k < drawn.size(); ++k) {
            if (isCancelled(request.cancel)) return RUN_CANCELLED;
            if (!drawer->write(drawn[k]->stream(), outcome, k, messages)) return RUN_FAILED;
        }
    }
    if (spatial.active() && !spatial.writeList(table, groups, messages)) return RUN_FAILED;

    // Each lost file gets its own message: the user needs to know both.
    // Neither replaces its old file unless both are complete.
    const bool inputWritten = !written || written->finish();
    const bool logWritten = log.finish();
    const bool outputWritten = output.finish();
    const bool extraWritten = !extra || extra->finish();
    if (isCancelled(request.cancel)) return RUN_CANCELLED;
    if (!inputWritten) messages.showError(cannotWriteMessage(INPUT_FILE_SUBJECT, written->path()));
    if (!logWritten) messages.showError(cannotWriteMessage(LOG_FILE_SUBJECT, log.path()));
    if (!outputWritten) messages.showError(cannotWriteMessage(OUTPUT_FILE_SUBJECT, output.path()));
    if (!extraWritten) {
        messages.showError(cannotWriteMessage(module->subject().c_str(), extra->path()));
    }
    bool drawnWritten = true;
    for (const auto& file : drawn) {
        if (file->finish()) continue;
        if (drawnWritten)
            messages.showError(cannotWriteMessage(drawer->subject().c_str(), file->path()));
        drawnWritten = false;
    }
    if (!inputWritten || !logWritten || !outputWritten || !extraWritten || !drawnWritten) {
        return RUN_FAILED;
    }
    if (!spatial.finish(messages)) return RUN_FAILED;
    // The input first (results are never put in place without the input they
    // came from), then the log, the table and the extra output, with no stop
    // and no other run between.
    std::vector<OutputFile*> commits;
    if (written) commits.push_back(&*written);
    commits.push_back(&log);
    commits.push_back(&output);
    if (extra) commits.push_back(&*extra);
    if (OutputFile* list = spatial.listOutput()) commits.push_back(list);
    for (const auto& file : drawn) commits.push_back(file.get());
    const OutputFile* failed = nullptr;
    if (commitTogether(commits, failed) != 0) {
        std::string subject = INPUT_FILE_SUBJECT;
        if (failed == &log) subject = LOG_FILE_SUBJECT;
        if (failed == &output) subject = OUTPUT_FILE_SUBJECT;
        if (extra && failed == &*extra) subject = module->subject();
        if (failed == spatial.listOutput()) subject = NEIGHBOUR_FILE_SUBJECT;
        for (const auto& file : drawn) {
            if (failed == file.get()) subject = drawer->subject();
        }
        messages.showError(cannotWriteMessage(subject.c_str(), failed->path()));
        return RUN_FAILED;
    }
    if (request.outcome) {
        arena.execute([&] {
            collectOutcome(table, groups, wholeFile, priors, request.settings.excludeZero != 0,
                           extended, *request.outcome, localColumns);
        });
    }
    return RUN_SUCCEEDED;
}

}  // namespace tolven

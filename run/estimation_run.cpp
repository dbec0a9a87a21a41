#include "run/estimation_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include "core/file_messages.h"
#include "core/input_file.h"
#include "core/shared_data.h"
#include "reports/log_report.h"
#include "reports/result_table.h"
#include "run/unit_estimation.h"
#include "run/unit_groups.h"

namespace tolven {
namespace {

// One output file, open for writing.
struct OutputFile {
    std::string path;
    std::FILE* stream = nullptr;
    bool created = false;  // this run created it: it may be removed after a failed start
    bool failed = false;   // a write error that the stream itself does not record
};

// Opens the file for writing without emptying it, creating it when missing.
// Nothing is lost if the other output then turns out unwritable.
bool openKeepingContent(OutputFile& file) {
    // A path with a NUL inside would open some other file than the one named.
    if (file.path.find('\0') != std::string::npos) return false;
    const char* path = file.path.c_str();
    int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file.created = true;
        } else if (errno == EEXIST) {
            // A dangling symbolic link (or a file that appeared meanwhile):
            // open through it, but never count the result as ours to remove.
            fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        }
    }
    if (fd < 0) return false;
    file.stream = ::fdopen(fd, "w");
    if (!file.stream) {
        ::close(fd);
        if (file.created) ::unlink(path);
        file.created = false;
        return false;
    }
    return true;
}

// Closes a file that will not be written after all, removing it if this run
// created it.
void abandon(OutputFile& file) {
    std::fclose(file.stream);
    file.stream = nullptr;
    if (file.created) ::unlink(file.path.c_str());
}

// Empties a regular file, as opening it for writing would have. Devices and
// pipes have nothing to empty.
void startEmpty(OutputFile& file) {
    const int fd = ::fileno(file.stream);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        file.failed = true;
    } else if (S_ISREG(status.st_mode) && ::ftruncate(fd, 0) != 0) {
        file.failed = true;
    }
}

// Closes the file; true when everything written reached it.
bool closeChecked(OutputFile& file) {
    const bool streamOk = std::ferror(file.stream) == 0;
    const bool closed = std::fclose(file.stream) == 0;
    file.stream = nullptr;
    return streamOk && closed && !file.failed;
}

// True when the open output and the file at `other` (or the other open
// output) are one and the same regular file. Writing two files into one
// garbles both, and writing over the input loses the user's data. Devices
// such as /dev/null may well be shared.
bool sameRegularFile(const OutputFile& file, const struct stat& other) {
    struct stat status {};
    return ::fstat(::fileno(file.stream), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_dev == other.st_dev && status.st_ino == other.st_ino;
}

// Refuses outputs that would overwrite the input or each other, before
// either is emptied. Returns the message, or an empty text when all is well.
std::string clashMessage(const std::string& inputPath, const OutputFile& log,
                         const OutputFile& output) {
    struct stat input {};
    const bool haveInput = ::stat(inputPath.c_str(), &input) == 0;
    if (haveInput && sameRegularFile(log, input)) {
        return fileMessage(LOG_FILE_SUBJECT, log.path, " は入力ファイルと同じファイルです");
    }
    if (haveInput && sameRegularFile(output, input)) {
        return fileMessage(OUTPUT_FILE_SUBJECT, output.path, " は入力ファイルと同じファイルです");
    }
    struct stat logStatus {};
    if (::fstat(::fileno(log.stream), &logStatus) == 0 && sameRegularFile(output, logStatus)) {
        return fileMessage(OUTPUT_FILE_SUBJECT, output.path, " はログファイルと同じファイルです");
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

    OutputFile log{request.logPath};
    OutputFile output{request.outputPath};
    if (!openKeepingContent(log)) {
        messages.showError(cannotOpenMessage(LOG_FILE_SUBJECT, log.path));
        return RUN_FAILED;
    }
    if (!openKeepingContent(output)) {
        abandon(log);
        messages.showError(cannotOpenMessage(OUTPUT_FILE_SUBJECT, output.path));
        return RUN_FAILED;
    }
    if (const std::string clash = clashMessage(request.inputPath, log, output); !clash.empty()) {
        abandon(output);
        abandon(log);
        messages.showError(clash);
        return RUN_FAILED;
    }
    startEmpty(log);
    startEmpty(output);

    const ExtendedSettings& extended = request.extended;
    std::string header;
    appendLogHeader(header);
    appendLogOptions(header, extended);
    std::fwrite(header.data(), 1, header.size(), log.stream);

    const EngineOptions options{extended.fitMode, request.cancel};
    PriorsByRow priors;
    PriorsByRow* const keep = extended.posteriorOutput ? &priors : nullptr;
    bool finished = false;
    arena.execute([&] {
        const bool estimated =
            wholeFileMode == 1
                ? estimateWholeFile(table, request.settings, options, request.progress,
                                    log.stream, keep)
                : estimateUnits(table, groupRowsByUnit(table), request.settings, options,
                                request.progress, log.stream, keep);
        if (!estimated) return;
        if (request.progress) request.progress->writing();
        const PosteriorColumns columns{extended.intervalLevel, extended.threshold,
                                       &priors.unitOfRow, &priors.priors};
        ResultTableFormat format{request.csvOutput != 0, request.settings.excludeZero != 0};
        if (keep) format.posterior = &columns;
        finished = writeResultTableInParallel(output.stream, table, format, request.cancel);
    });
    if (!finished) {
        abandon(output);
        abandon(log);
        return RUN_CANCELLED;
    }

    // Each lost file gets its own message: the user needs to know both.
    const bool logWritten = closeChecked(log);
    const bool outputWritten = closeChecked(output);
    if (!logWritten) messages.showError(cannotWriteMessage(LOG_FILE_SUBJECT, log.path));
    if (!outputWritten) messages.showError(cannotWriteMessage(OUTPUT_FILE_SUBJECT, output.path));
    return logWritten && outputWritten ? RUN_SUCCEEDED : RUN_FAILED;
}

int runEstimation() {
    RunRequest request;
    request.inputPath = inputPath;
    request.outputPath = outputPath;
    request.logPath = logPath;
    request.csvOutput = csvOutput;
    request.settings = runSettings;
    return runEstimation(request, installedMessageSink());
}

}  // namespace tolven

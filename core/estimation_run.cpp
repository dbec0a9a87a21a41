#include "core/estimation_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "core/estimate_unit.h"
#include "core/input_file.h"
#include "core/limits.h"
#include "core/shared_data.h"
#include "core/user_messages.h"
#include "reports/log_report.h"
#include "reports/result_table.h"

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

// The path is shown as C would print it: up to its first NUL, if any.
std::string fileMessage(const char* subject, const std::string& path, const char* reason) {
    return std::string("ERROR!! : ") + subject + "\n" + path.c_str() + reason;
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
std::string clashMessage(const OutputFile& log, const OutputFile& output) {
    struct stat input {};
    const bool haveInput = ::stat(inputPath.c_str(), &input) == 0;
    if (haveInput && sameRegularFile(log, input)) {
        return fileMessage("ログファイル", logPath, " は入力ファイルと同じファイルです");
    }
    if (haveInput && sameRegularFile(output, input)) {
        return fileMessage("出力ファイル", outputPath, " は入力ファイルと同じファイルです");
    }
    struct stat logStatus {};
    if (::fstat(::fileno(log.stream), &logStatus) == 0 && sameRegularFile(output, logStatus)) {
        return fileMessage("出力ファイル", outputPath, " はログファイルと同じファイルです");
    }
    return {};
}

void copyResultsBack(InputTable& table, int slot, int row) {
    table.ratio[row] = regionTable.ratio[slot];
    table.ebRatioME[row] = regionTable.ebRatioME[slot];
    table.ebRatioMLE[row] = regionTable.ebRatioMLE[slot];
}

void loadRegion(const InputTable& table, int slot, int row) {
    regionTable.observed[slot] = table.observed[row];
    regionTable.expected[slot] = table.expected[row];
}

// Every line is one unit; a single line is not treated specially.
void estimateWholeFile(InputTable& table, std::FILE* log) {
    const int count = table.rowCount;
    regionTable.ensureSlots(count);
    regionTable.regionCount = count;
    for (int row = 1; row <= count; ++row) loadRegion(table, row, row);
    estimateUnit();
    writeLogSection(log, LogForm::wholeFile);
    for (int row = 1; row <= count; ++row) copyResultsBack(table, row, row);
}

void estimateEachUnit(InputTable& table, std::FILE* log) {
    // Row numbers ordered by unit; the stable sort keeps file order within a
    // unit, which is the order of its regions.
    std::vector<int> rows(static_cast<std::size_t>(table.rowCount));
    std::iota(rows.begin(), rows.end(), 1);
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return table.unit[a] < table.unit[b]; });

    for (std::size_t first = 0; first < rows.size();) {
        const int unit = table.unit[rows[first]];
        std::size_t end = first;
        while (end < rows.size() && table.unit[rows[end]] == unit) ++end;
        const int count = static_cast<int>(end - first);

        regionTable.ensureSlots(count);
        regionTable.regionCount = count;
        for (int slot = 1; slot <= count; ++slot) loadRegion(table, slot, rows[first + slot - 1]);
        estimateUnit();
        writeLogSection(log, LogForm::perUnit, unit);
        for (int slot = 1; slot <= count; ++slot) {
            copyResultsBack(table, slot, rows[first + slot - 1]);
        }
        // One ratio gives no moment-based prior worth showing.
        if (count == 1) table.ebRatioME[rows[first]] = NOT_AVAILABLE;
        first = end;
    }
}

}  // namespace

int runEstimation() {
    InputTable table;
    int wholeFileMode = 0;
    if (readInputFile(table, wholeFileMode) != 0) return 1;

    OutputFile log{logPath};
    OutputFile output{outputPath};
    if (!openKeepingContent(log)) {
        showErrorMessage(fileMessage("ログファイル", logPath, " を開けません"));
        return 1;
    }
    if (!openKeepingContent(output)) {
        abandon(log);
        showErrorMessage(fileMessage("出力ファイル", outputPath, " を開けません"));
        return 1;
    }
    if (const std::string clash = clashMessage(log, output); !clash.empty()) {
        abandon(output);
        abandon(log);
        showErrorMessage(clash);
        return 1;
    }
    startEmpty(log);
    startEmpty(output);

    writeLogHeader(log.stream);
    if (wholeFileMode == 1) {
        estimateWholeFile(table, log.stream);
    } else {
        estimateEachUnit(table, log.stream);
    }
    writeResultTable(output.stream, table);

    // Each lost file gets its own message: the user needs to know both.
    const bool logWritten = closeChecked(log);
    const bool outputWritten = closeChecked(output);
    if (!logWritten) showErrorMessage(fileMessage("ログファイル", logPath, " に書き込めません"));
    if (!outputWritten) {
        showErrorMessage(fileMessage("出力ファイル", outputPath, " に書き込めません"));
    }
    return logWritten && outputWritten ? 0 : 1;
}

}  // namespace tolven

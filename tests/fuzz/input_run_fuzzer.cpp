// The input reader, then the whole estimation run, on any bytes. The first
// byte chooses the options (bit 0: CSV table, bit 1: zeros excluded, bit 2:
// fixed start values instead of "auto"); the rest is the input file. Outputs
// go to a private folder on /dev/shm, where writing and syncing cost nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/input/input_file.h"
#include "core/input/input_table.h"
#include "core/text/user_messages.h"
#include "run/estimation_run.h"

namespace {

// The fit sums over 0..Data1 for every region in every step, legitimately up
// to 2^31 terms; above this the harness skips the run, so that a timeout can
// only mean a real hang.
constexpr int LARGEST_COUNT = 100000;

class DiscardedMessages final : public tolven::MessageSink {
public:
    void showError(const std::string&) override {}
};

struct Folder {
    std::string path;
    Folder() {
        char name[] = "/dev/shm/tolven-fuzz-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        path = name;
    }
    ~Folder() {
        for (const char* file : {"/input.txt", "/out.txt", "/out.log"}) {
            ::unlink((path + file).c_str());
        }
        ::rmdir(path.c_str());
    }
};

void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    DiscardedMessages messages;

    const unsigned options = size > 0 ? data[0] : 0u;
    tolven::RunRequest request;
    tolven::setDefaultSettings(request.settings);
    request.csvOutput = options & 1u;
    request.settings.excludeZero = (options >> 1) & 1u;
    if (options & 4u) {
        request.settings.initialAlpha = 1.5;
        request.settings.initialBeta = 0.5;
    }
    request.inputPath = folder.path + "/input.txt";
    request.outputPath = folder.path + "/out.txt";
    request.logPath = folder.path + "/out.log";
    writeInput(request.inputPath, data + (size > 0), size - (size > 0));

    tolven::InputTable table;
    int wholeFileMode = 0;
    if (tolven::readInputFile(request.inputPath, table, wholeFileMode, messages) != 0) return 0;
    for (int row = 1; row <= table.rowCount; ++row) {
        if (table.observed[row] > LARGEST_COUNT) return 0;
    }
    tolven::runEstimation(request, messages);
    return 0;
}

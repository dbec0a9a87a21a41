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

#include "run/estimation_run.h"
#include "core/input_file.h"
#include "core/input_table.h"
#include "core/shared_data.h"
#include "core/user_messages.h"

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
    static DiscardedMessages messages;
    tolven::setMessageSink(&messages);

    const unsigned options = size > 0 ? data[0] : 0u;
    tolven::resetSharedData();
    tolven::setDefaultSettings(tolven::runSettings);
    tolven::csvOutput = options & 1u;
    tolven::runSettings.excludeZero = (options >> 1) & 1u;
    if (options & 4u) {
        tolven::runSettings.initialAlpha = 1.5;
        tolven::runSettings.initialBeta = 0.5;
    }
    tolven::inputPath = folder.path + "/input.txt";
    tolven::outputPath = folder.path + "/out.txt";
    tolven::logPath = folder.path + "/out.log";
    writeInput(tolven::inputPath, data + (size > 0), size - (size > 0));

    tolven::InputTable table;
    int wholeFileMode = 0;
    if (tolven::readInputFile(table, wholeFileMode) != 0) return 0;
    for (int row = 1; row <= table.rowCount; ++row) {
        if (table.observed[row] > LARGEST_COUNT) return 0;
    }
    tolven::runEstimation();
    return 0;
}

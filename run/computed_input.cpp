#include "run/computed_input.h"

#include <sys/stat.h>

#include <cstdio>

#include "core/text/file_messages.h"

namespace tolven {
namespace {

std::string sameFileMessage(const char* subject, const OutputFile& output, const char* other) {
    return fileMessage(subject, output.path(),
                       (std::string(" は") + other + "と同じファイルです").c_str());
}

}  // namespace

std::vector<SourceFile> standardisationSources(const StandardisationRequest& request) {
    std::vector<SourceFile> sources{{STRATA_FILE_SUBJECT, request.strataPath}};
    if (request.reference == ReferenceRates::rateFile) {
        sources.push_back({RATE_FILE_SUBJECT, request.rateFilePath});
    }
    return sources;
}

std::string computedInputClash(const ComputedInput& input, const OutputFile* written,
                               const std::vector<NamedOutput>& others) {
    std::vector<NamedOutput> outputs;
    if (written) outputs.push_back({INPUT_FILE_SUBJECT, written});
    outputs.insert(outputs.end(), others.begin(), others.end());
    for (const SourceFile& source : input.sources) {
        struct stat sourceStat {};
        if (::stat(source.path.c_str(), &sourceStat) != 0) continue;
        for (const NamedOutput& output : outputs) {
            if (output.file->sameRegularFile(sourceStat)) {
                return sameFileMessage(output.subject, *output.file, source.subject);
            }
        }
    }
    if (written) {
        for (const NamedOutput& output : others) {
            if (output.file->sameRegularFile(*written)) {
                return sameFileMessage(output.subject, *output.file, INPUT_FILE_SUBJECT);
            }
        }
    }
    return {};
}

int writeComputedInput(const ComputedInput& input, MessageSink& messages) {
    OutputFile file(input.writePath);
    if (file.open() != 0) {
        messages.showError(cannotOpenMessage(INPUT_FILE_SUBJECT, file.path()));
        return 1;
    }
    if (const std::string clash = computedInputClash(input, &file, {}); !clash.empty()) {
        messages.showError(clash);
        return 1;
    }
    std::fwrite(input.text.data(), 1, input.text.size(), file.stream());
    if (!file.finish() || file.commit() != 0) {
        messages.showError(cannotWriteMessage(INPUT_FILE_SUBJECT, file.path()));
        return 1;
    }
    return 0;
}

}  // namespace tolven

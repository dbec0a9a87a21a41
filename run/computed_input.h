#pragma once

#include <string>
#include <vector>

#include "core/standardisation/expected_input.h"
#include "core/text/user_messages.h"
#include "run/output_file.h"

namespace tolven {

// A file that an input table was computed from. No output may replace it.
struct SourceFile {
    const char* subject = nullptr;  // its name in messages, e.g. STRATA_FILE_SUBJECT
    std::string path;
};

// An input table that the program computed (expected counts from strata)
// rather than read from a file.
struct ComputedInput {
    std::string text;                 // the table, in the input file's format
    std::vector<SourceFile> sources;  // the files it was computed from
    std::string writePath;            // where the table is written too; empty: nowhere
};

// The files that expected counts are computed from: the strata file, and the
// rate file when the reference is one.
std::vector<SourceFile> standardisationSources(const StandardisationRequest& request);

// Refuses outputs that would replace a source file or the written input,
// before anything is written. `written` is the output of the table itself
// (the "入力ファイル" of the run), or nullptr; `others` are the run's other
// outputs with their subjects, checked after it. Returns the message, or an
// empty text when all is well:
//   "ERROR!! : <output's subject>\n<path> は<source's subject>と同じファイルです",
//   "ERROR!! : <output's subject>\n<path> は入力ファイルと同じファイルです".
struct NamedOutput {
    const char* subject;
    const OutputFile* file;
};
std::string computedInputClash(const ComputedInput& input, const OutputFile* written,
                               const std::vector<NamedOutput>& others);

// Writes input.text to input.writePath on its own (no run), replaced as a
// run's outputs are (see OutputFile): the old file stays as it was unless the
// whole table was written. Returns 0, or 1 after showing through `messages`
// the refusal of a source file ("ERROR!! : 入力ファイル\n%s は層別ファイルと同じ
// ファイルです"), or that the file cannot be opened ("ERROR!! : 入力ファイル\n%s
// を開けません") or written ("ERROR!! : 入力ファイル\n%s に書き込めません").
int writeComputedInput(const ComputedInput& input, MessageSink& messages);

}  // namespace tolven

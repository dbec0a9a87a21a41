#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "core/input/input_table.h"
#include "core/text/user_messages.h"
#include "run/run_outcome.h"

namespace tolven {

// Output files a run draws from its outcome, one per unit (the maps), made by
// a module above the run. The run opens each through an OutputFile with the
// other outputs, writes them once the table and the extra output are
// written, and puts them in place last, in the same commit: a failure
// anywhere leaves every old file as it was.
class OutcomeFiles {
public:
    virtual ~OutcomeFiles() = default;

    // What messages call the files ("ERROR!! : SUBJECT\n...").
    virtual std::string subject() const = 0;

    // Files the module reads; the run refuses to write over any of them.
    virtual std::vector<std::string> sourcePaths() const = 0;

    // Called once the input is read, before any output is opened. Returns
    // false after showing its message; the run then fails with nothing written.
    virtual bool prepare(const InputTable& table, bool wholeFile, MessageSink& messages) = 0;

    // After prepare(): the path of the file of each unit, in ascending unit
    // number (the order of RunOutcome::units).
    virtual std::vector<std::string> paths() const = 0;

    // Writes the whole file of outcome.units[unit] to `output`. Returns false
    // after showing a message; write errors of `output` are the run's to find.
    virtual bool write(std::FILE* output, const RunOutcome& outcome, std::size_t unit,
                       MessageSink& messages) = 0;
};

}  // namespace tolven

#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "core/input/input_table.h"
#include "core/text/user_messages.h"
#include "reports/local_eb_columns.h"
#include "reports/result_table.h"

namespace tolven {

// One more output file of a run beside the log and the result table, made by
// a module above the run (the GeoPackage). The run writes it through an
// OutputFile like the other two and puts it in place after them, so that a
// failure anywhere leaves every old file as it was.
class ExtraOutput {
public:
    virtual ~ExtraOutput() = default;

    // Where the output goes, and what messages call it ("ERROR!! : SUBJECT ...").
    virtual std::string path() const = 0;
    virtual std::string subject() const = 0;
    // Files the output reads; the run refuses to write over any of them.
    virtual std::vector<std::string> sourcePaths() const = 0;

    // Called once the input is read, before any output is opened: reads and
    // checks what the output needs. Returns false after showing its message
    // through `messages`; the run then fails with nothing written.
    virtual bool prepare(const InputTable& table, bool wholeFile, MessageSink& messages) = 0;

    // Called after the result table is written: writes the whole output to
    // `output`. `posterior` is null without the posterior output, `localEb`
    // without the local empirical Bayes estimates. Returns
    // false after showing a message; write errors of `output` itself are the
    // run's to find. Stops early, returning true, once `cancel` is set.
    virtual bool write(std::FILE* output, const InputTable& table, bool wholeFile,
                       const PosteriorColumns* posterior, const LocalEbColumns* localEb,
                       const std::atomic<bool>* cancel, MessageSink& messages) = 0;
};

}  // namespace tolven

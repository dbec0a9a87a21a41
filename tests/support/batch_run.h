#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/batch_command.h"

namespace tolven::test {

// Parses `arguments` (without the program's name) as tolven-batch does and
// runs the request: the run's exit status, or 2 when the parse refuses them.
inline int runBatchWith(const std::vector<std::string>& arguments, MessageSink& messages) {
    std::vector<const char*> argv{"tolven-batch"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    BatchRequest request;
    std::ostringstream out, err;
    if (parseBatchArguments(static_cast<int>(argv.size()), argv.data(), request, out, err) !=
        ParseResult::run) {
        return 2;
    }
    return runBatch(request, messages);
}

}  // namespace tolven::test

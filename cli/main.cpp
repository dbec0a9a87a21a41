// tolven-batch: one estimation run from the command line, without any window.
// Failure messages go to standard error, with the texts the dialogs show.

#include <iostream>

#include "cli/batch_command.h"
#include "cli/stop_signals.h"

int main(int argc, char** argv) {
    tolven::BatchRequest request;
    switch (tolven::parseBatchArguments(argc, argv, request, std::cout, std::cerr)) {
        case tolven::ParseResult::done:
            return 0;
        case tolven::ParseResult::usageError:
            return 2;
        case tolven::ParseResult::run:
            break;
    }
    tolven::installStopSignals();
    tolven::StandardErrorSink messages;
    return tolven::runBatch(request, messages);
}

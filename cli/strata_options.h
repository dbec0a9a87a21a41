#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "core/standardisation/expected_input.h"
#include "core/text/user_messages.h"
#include "run/computed_input.h"

namespace tolven {

// The options that compute the input table from age strata (expected counts
// by indirect standardisation) instead of reading INPUT, as given.
struct StrataOptions {
    std::optional<std::string> strata;
    std::optional<std::string> reference;  // unit, all or a rate file
    std::optional<std::string> ratePer;
    std::optional<std::string> writeInput;
};

// Adds --strata, --reference, --rate-per and --write-input to `app`.
void addStrataOptions(CLI::App& app, StrataOptions& options);

// Checks the options once parsed. --reference, --rate-per and --write-input
// need --strata; --rate-per takes 1, 1000 or 100000 and needs a rate file;
// `inputGiven` (a positional INPUT) may not stand beside --strata. Fills
// `request` when --strata was given. False after the reason was written to
// `err` (a usage error).
bool checkStrataOptions(const StrataOptions& options, bool inputGiven,
                        std::optional<StandardisationRequest>& request, std::ostream& err);

// Computes the input table of `request`, to be written to `writePath` when
// that is not empty, and prints its summary to `summary`. Returns 0, or 1
// after the refusal's message was shown through `messages`; writes no file.
int prepareComputedInput(const StandardisationRequest& request, const std::string& writePath,
                         ComputedInput& input, MessageSink& messages, std::FILE* summary);

}  // namespace tolven

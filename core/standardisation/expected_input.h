#pragma once

#include <string>

#include "core/standardisation/expected_counts.h"
#include "core/standardisation/strata_file.h"
#include "core/text/user_messages.h"

namespace tolven {

// What the expected counts are computed from.
struct StandardisationRequest {
    std::string strataPath;
    ReferenceRates reference = ReferenceRates::unit;
    std::string rateFilePath;  // read only for ReferenceRates::rateFile
    double ratePer = 1.0;      // the rate file's rates are per this many persons
};

// An input table computed from strata.
struct ExpectedInput {
    StrataTable strata;  // holds the bytes that the codes point into
    ExpectedCounts counts;
    std::string text;     // the table, as expectedInputText writes it
    std::string summary;  // as standardisationSummary writes it
};

// The rate bases a rate file may be given in: per person, per 1,000, per 100,000.
inline constexpr double RATE_BASES[] = {1.0, 1000.0, 100000.0};

// Reads the strata file (and the rate file), computes the expected counts and
// writes the table and the summary. Returns 0, or 1 after the message of the
// first refusal has been shown through `messages`: the strata file's, then the
// rate file's, then the first stratum without a rate, then the first region
// whose E is 0 (see strata_file.h, rate_file.h, expected_counts.h). Writes no
// file.
int computeExpectedInput(const StandardisationRequest& request, ExpectedInput& input,
                         MessageSink& messages);

// The input table in the input file's format, one line per region in order:
//   unit \t code \t O \t E \n
// E in plain fixed notation with the fewest digits that read back as the same
// double, so the run reads exactly the E computed.
std::string expectedInputText(const ExpectedCounts& counts);

// Lines for the user: the numbers of units, regions and strata, the totals
// of O and of E, and, under internal standardisation, whether they balance
// in every unit (unit) or over the file (all). Each line ends with "\n".
std::string standardisationSummary(const ExpectedCounts& counts, ReferenceRates reference);

}  // namespace tolven

#include "cli/strata_options.h"

namespace tolven {

void addStrataOptions(CLI::App& app, StrataOptions& options) {
    app.add_option("--strata", options.strata,
                   "Compute the input from a strata file (lines of: unit code stratum observed "
                   "population) instead of reading INPUT: each region's expected count is the "
                   "sum of population x reference rate over its strata");
    app.add_option("--reference", options.reference,
                   "The reference rates: unit (default: each stratum's pooled rate in the "
                   "region's unit), all (pooled over the whole file) or a rate file (lines of: "
                   "stratum rate)");
    app.add_option("--rate-per", options.ratePer,
                   "The rate file's rates are per 1 (default), 1000 or 100000 persons");
    app.add_option("--write-input", options.writeInput,
                   "Write the computed input table to this file too, replaced with the result "
                   "table and the log (default names then derive from it)");
}

bool checkStrataOptions(const StrataOptions& options, bool inputGiven,
                        std::optional<StandardisationRequest>& request, std::ostream& err) {
    request.reset();
    if (!options.strata) {
        for (const auto& [given, name] :
             {std::pair{options.reference.has_value(), "--reference"},
              std::pair{options.ratePer.has_value(), "--rate-per"},
              std::pair{options.writeInput.has_value(), "--write-input"}}) {
            if (given) {
                err << name << " needs --strata\n";
                return false;
            }
        }
        return true;
    }
    if (inputGiven) {
        err << "INPUT and --strata exclude each other: the input is computed from the strata "
               "file\n";
        return false;
    }
    StandardisationRequest parsed;
    parsed.strataPath = *options.strata;
    const std::string reference = options.reference.value_or("unit");
    if (reference == "unit") {
        parsed.reference = ReferenceRates::unit;
    } else if (reference == "all") {
        parsed.reference = ReferenceRates::all;
    } else {
        parsed.reference = ReferenceRates::rateFile;
        parsed.rateFilePath = reference;
    }
    if (options.ratePer) {
        if (parsed.reference != ReferenceRates::rateFile) {
            err << "--rate-per needs a rate file as --reference\n";
            return false;
        }
        const std::string& per = *options.ratePer;
        if (per == "1") {
            parsed.ratePer = 1.0;
        } else if (per == "1000") {
            parsed.ratePer = 1000.0;
        } else if (per == "100000") {
            parsed.ratePer = 100000.0;
        } else {
            err << "--rate-per: " << per << " is none of 1, 1000 and 100000\n";
            return false;
        }
    }
    request = parsed;
    return true;
}

int prepareComputedInput(const StandardisationRequest& request, const std::string& writePath,
                         ComputedInput& input, MessageSink& messages, std::FILE* summary) {
    ExpectedInput expected;
    if (computeExpectedInput(request, expected, messages) != 0) return 1;
    input.text = std::move(expected.text);
    input.sources = standardisationSources(request);
    input.writePath = writePath;
    std::fputs(expected.summary.c_str(), summary);
    std::fflush(summary);
    return 0;
}

}  // namespace tolven

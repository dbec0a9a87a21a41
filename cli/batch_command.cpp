#include "cli/batch_command.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>

#include "core/estimation_run.h"
#include "core/setting_text.h"
#include "core/shared_data.h"
#include "core/user_messages.h"

namespace tolven {
namespace {

std::string basePath(const std::string& input) {
    const auto dot = input.rfind('.');
    return dot == std::string::npos ? input : input.substr(0, dot);
}

// An initial value: "auto" (exactly) lets the fit start from the moment
// estimate, otherwise a number above 0.
bool parseInitialValue(const std::string& text, double& value) {
    if (isAutoText(text)) {
        value = -1.0;
        return true;
    }
    return parseRealSetting(text, value);
}

}  // namespace

std::string defaultOutputPath(const std::string& input, bool csv) {
    return basePath(input) + (csv ? "out.csv" : "out.txt");
}

std::string defaultLogPath(const std::string& input) { return basePath(input) + "out.log"; }

ParseResult parseBatchArguments(int argc, const char* const* argv, BatchRequest& request,
                                std::ostream& out, std::ostream& err) {
    CLI::App app(
        "Empirical Bayes estimation of observed/expected ratios under a Poisson-Gamma model.\n"
        "Reads INPUT (lines of: unit code observed expected) and writes the result table\n"
        "and the log.",
        "tolven-batch");
    app.set_version_flag("--version", std::string("tolven-batch ") + TOLVEN_VERSION);

    std::string input;
    std::optional<std::string> output, log, epsilon, maxIterations, initialAlpha, initialBeta;
    bool csv = false;
    bool excludeZero = false;
    app.add_option("INPUT", input, "The input data file")->required();
    app.add_option("-o,--output", output,
                   "The result table (default: INPUT cut before its last \".\", then out.txt or "
                   "out.csv)");
    app.add_option("-l,--log", log,
                   "The log (default: INPUT cut before its last \".\", then out.log)");
    app.add_flag("--csv", csv, "Write the result table as comma-separated values");
    app.add_flag("--exclude-zero", excludeZero, "Leave zero ratios out of the moment estimates");
    app.add_option("--epsilon", epsilon,
                   "Convergence bound of the fit, above 0 (default 0.000010)");
    app.add_option("--max-iterations", maxIterations,
                   "Most Newton-Raphson steps of the fit, 1 or more (default 20)");
    app.add_option("--initial-alpha", initialAlpha,
                   "Starting alpha of the fit, above 0, or auto (default auto)");
    app.add_option("--initial-beta", initialBeta,
                   "Starting beta of the fit, above 0, or auto (default auto)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? ParseResult::done : ParseResult::usageError;
    }

    BatchRequest parsed;
    setDefaultSettings(parsed.settings);
    parsed.settings.excludeZero = excludeZero ? 1 : 0;
    if (epsilon && !parseRealSetting(*epsilon, parsed.settings.epsilon)) {
        showErrorMessage(EPSILON_MESSAGE);
        return ParseResult::usageError;
    }
    if (maxIterations && !parseCountSetting(*maxIterations, parsed.settings.maxIterations)) {
        showErrorMessage(MAX_ITERATIONS_MESSAGE);
        return ParseResult::usageError;
    }
    if (initialAlpha && !parseInitialValue(*initialAlpha, parsed.settings.initialAlpha)) {
        showErrorMessage(INITIAL_ALPHA_MESSAGE);
        return ParseResult::usageError;
    }
    if (initialBeta && !parseInitialValue(*initialBeta, parsed.settings.initialBeta)) {
        showErrorMessage(INITIAL_BETA_MESSAGE);
        return ParseResult::usageError;
    }

    parsed.inputPath = input;
    parsed.csvOutput = csv ? 1 : 0;
    parsed.outputPath = output ? *output : defaultOutputPath(input, csv);
    parsed.logPath = log ? *log : defaultLogPath(input);
    request = parsed;
    return ParseResult::run;
}

int runBatch(const BatchRequest& request) {
    inputPath = request.inputPath;
    outputPath = request.outputPath;
    logPath = request.logPath;
    csvOutput = request.csvOutput;
    runSettings = request.settings;
    return runEstimation() == 0 ? 0 : 1;
}

}  // namespace tolven

#include "cli/batch_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <optional>
#include <ostream>

#include "cli/neighbour_options.h"
#include "cli/stop_signals.h"
#include "cli/strata_options.h"
#include "cli/terminal_progress.h"
#include "core/text/characters.h"
#include "core/text/extended_setting_text.h"
#include "core/text/setting_text.h"
#include "run/default_names.h"
#include "run/estimation_run.h"
#include "tolven/version.h"

namespace tolven {
namespace {

// The thread count: a whole number of 1 or more.
bool parseThreads(const std::string& text, int& value) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit)) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    // A number too large for an int is still a whole number: too many threads.
    if (result.ec == std::errc::result_out_of_range) value = MAX_THREAD_COUNT + 1;
    return (result.ec == std::errc() || result.ec == std::errc::result_out_of_range) && value >= 1;
}

// The values --map-value names, as the names are written.
bool parseMapValue(const std::string& text, BatchMapValue& value) {
    static const std::pair<const char*, BatchMapValue> names[] = {
        {"ratio", BatchMapValue::ratio},   {"eb-me", BatchMapValue::ebMe},
        {"eb-mle", BatchMapValue::ebMle},  {"p-me", BatchMapValue::pMe},
        {"p-mle", BatchMapValue::pMle},    {"eb-local", BatchMapValue::ebLocal},
        {"p-local", BatchMapValue::pLocal}};
    for (const auto& [name, named] : names) {
        if (text == name) {
            value = named;
            return true;
        }
    }
    return false;
}

bool parseMapFormat(const std::string& text, BatchMapFormat& format) {
    if (text == "png")
        format = BatchMapFormat::png;
    else if (text == "svg")
        format = BatchMapFormat::svg;
    else if (text == "pdf")
        format = BatchMapFormat::pdf;
    else
        return false;
    return true;
}

// The run's messages, less those that a stop request caused: once a stop is
// asked for, a failing open or read is the stop cutting it short.
class MessagesUntilStop final : public MessageSink {
public:
    explicit MessagesUntilStop(MessageSink& shown) : shown_(shown) {}
    void showError(const std::string& text) override {
        if (!stopRequested()) shown_.showError(text);
    }

private:
    MessageSink& shown_;
};

}  // namespace

ParseResult parseBatchArguments(int argc, const char* const* argv, BatchRequest& request,
                                std::ostream& out, std::ostream& err) {
    CLI::App app(
        "Empirical Bayes estimation of observed/expected ratios under a Poisson-Gamma model.\n"
        "Reads INPUT (lines of: unit code observed expected) and writes the result table\n"
        "and the log.",
        "tolven-batch");
    app.set_version_flag("--version", std::string("tolven-batch ") + TOLVEN_VERSION);

    std::string input;
    std::optional<std::string> output, log, epsilon, maxIterations, initialAlpha, initialBeta,
        threads, level, threshold, fit;
    bool csv = false;
    bool excludeZero = false;
    bool posterior = false;
    bool quiet = false;
    CLI::Option* inputOption = app.add_option("INPUT", input, "The input data file");
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
    app.add_flag("--posterior", posterior,
                 "Add each region's credible interval and exceedance probability under both "
                 "priors to the result table");
    app.add_option("--level", level,
                   "Level of the credible intervals in percent, above 0 and below 100 (default "
                   "95); implies --posterior");
    app.add_option("--threshold", threshold,
                   "Threshold of the exceedance probabilities in percent, above 0 (default 100); "
                   "implies --posterior");
    app.add_option("--fit", fit,
                   "newton: the Newton-Raphson fit alone (default); safeguarded: where it does "
                   "not converge, a globally convergent fit of the same likelihood takes over");
    app.add_flag("--quiet", quiet, "Show no progress on the terminal (errors are still shown)");
    NeighbourOptions neighbourOptions;
    addNeighbourOptions(app, neighbourOptions);
    app.add_option("--threads", threads,
                   "Units estimated side by side, 1 to 1024 (default: every core; 1 runs the "
                   "units one after another)");

    // Expected counts from age strata, in place of INPUT.
    StrataOptions strata;
    addStrataOptions(app, strata);

    // Boundaries and the GeoPackage.
    std::optional<std::string> boundaries, layer, joinField, labelField, geoOutput;
    app.add_option("--boundaries", boundaries,
                   "The regions' boundaries: a polygon layer GDAL reads (Shapefile, GeoPackage, "
                   "GeoJSON, ...)");
    app.add_option("--layer", layer,
                   "The layer of --boundaries (default: the only layer, or the first polygon "
                   "layer)");
    app.add_option("--join-field", joinField,
                   "The field of --boundaries whose value is the region code of the input");
    app.add_option("--label-field", labelField,
                   "A field of --boundaries with the regions' names, copied to the GeoPackage");
    app.add_option("--geo-output", geoOutput,
                   "Write the results with the boundaries as a GeoPackage (layer smr); needs "
                   "--boundaries and --join-field");

    // The maps.
    std::optional<std::string> maps, mapFormat, mapValue;
    app.add_option("--maps", maps,
                   "Draw each unit's map into this folder as unit_<n>.<ext> (unit_all in "
                   "whole-file mode), as the application draws it; needs --boundaries and "
                   "--join-field");
    app.add_option("--map-format", mapFormat, "png, svg or pdf (default png)");
    app.add_option("--map-value", mapValue,
                   "The value the maps show: ratio, eb-me, eb-mle (default), p-me, p-mle (these "
                   "two imply --posterior), eb-local or p-local (these two need --local-eb)");

    try {
        app.parse(argc, argv);
        if (inputOption->count() == 0 && !strata.strata) throw CLI::RequiredError("INPUT");
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? ParseResult::done : ParseResult::usageError;
    }

    BatchRequest batch;
    RunRequest& parsed = batch.run;
    setDefaultSettings(parsed.settings);
    parsed.threads = defaultThreadCount();
    if (threads && !parseThreads(*threads, parsed.threads)) {
        err << "--threads: " << *threads << " is not a whole number of 1 or more\n";
        return ParseResult::usageError;
    }
    if (parsed.threads > MAX_THREAD_COUNT) {
        err << "--threads: " << *threads << " is more than " << MAX_THREAD_COUNT
            << ", the most threads a run starts\n";
        return ParseResult::usageError;
    }
    parsed.settings.excludeZero = excludeZero ? 1 : 0;
    // The settings are checked in the settings dialog's order, with its texts.
    const auto given = [](const std::optional<std::string>& text) {
        return text ? std::optional<std::string_view>(*text) : std::nullopt;
    };
    if (const auto refused = applySettingTexts(
            {given(epsilon), given(maxIterations), given(initialAlpha), given(initialBeta)},
            parsed.settings)) {
        err << settingMessage(*refused) << '\n';
        return ParseResult::usageError;
    }

    MapsRequest& mapsRequest = batch.maps;
    if (!maps && (mapFormat || mapValue)) {
        err << "--map-format and --map-value are used only with --maps\n";
        return ParseResult::usageError;
    }
    if (maps) {
#ifndef TOLVEN_BATCH_MAPS
        err << "--maps: this tolven-batch was built without the application (Qt) and cannot "
               "draw maps\n";
        return ParseResult::usageError;
#endif
        if (maps->empty()) {
            err << "--maps: the folder is empty\n";
            return ParseResult::usageError;
        }
        mapsRequest.folder = *maps;
        if (mapFormat && !parseMapFormat(*mapFormat, mapsRequest.format)) {
            err << "--map-format: " << *mapFormat << " is not png, svg or pdf\n";
            return ParseResult::usageError;
        }
        if (mapValue && !parseMapValue(*mapValue, mapsRequest.value)) {
            err << "--map-value: " << *mapValue
                << " is not ratio, eb-me, eb-mle, p-me, p-mle, eb-local or p-local\n";
            return ParseResult::usageError;
        }
    }
    const bool probabilityMap = maps && (mapsRequest.value == BatchMapValue::pMe ||
                                         mapsRequest.value == BatchMapValue::pMle);

    ExtendedSettings& extended = parsed.extended;
    extended.posteriorOutput = posterior || level || threshold || probabilityMap;
    if (const auto refused =
            applyExtendedSettingTexts({given(level), given(threshold)}, extended)) {
        err << extendedSettingMessage(*refused) << '\n';
        return ParseResult::usageError;
    }
    if (fit && !parseFitModeName(*fit, extended.fitMode)) {
        err << "--fit: " << *fit << " is neither newton nor safeguarded\n";
        return ParseResult::usageError;
    }
    if (geoOutput || maps || neighbourOptions.contiguity()) {
        if (!boundaries || !joinField) {
            err << (geoOutput ? "--geo-output"
                    : maps    ? "--maps"
                              : "--neighbours " + *neighbourOptions.neighbours)
                << " needs --boundaries and --join-field\n";
            return ParseResult::usageError;
        }
        batch.geo.path = geoOutput.value_or("");
        batch.geo.boundaries = {*boundaries, layer.value_or(""), *joinField,
                                labelField.value_or("")};
    } else if (boundaries || layer || joinField || labelField) {
        err << "--boundaries, --layer, --join-field and --label-field are used only with "
               "--geo-output, --maps or --neighbours queen|rook\n";
        return ParseResult::usageError;
    }
    if (!checkNeighbourOptions(neighbourOptions, parsed.spatial, err)) {
        return ParseResult::usageError;
    }
    if (maps && !parsed.spatial.localEb &&
        (mapsRequest.value == BatchMapValue::ebLocal ||
         mapsRequest.value == BatchMapValue::pLocal)) {
        err << "--map-value " << *mapValue << " needs --local-eb\n";
        return ParseResult::usageError;
    }
    batch.quiet = quiet;
    parsed.inputPath = input;
    parsed.csvOutput = csv ? 1 : 0;

    if (!checkStrataOptions(strata, inputOption->count() != 0, batch.standardisation, err)) {
        return ParseResult::usageError;
    }
    std::string named = input;  // the path the default names derive from
    if (batch.standardisation) {
        batch.writeInputPath = strata.writeInput.value_or("");
        named = strata.writeInput ? *strata.writeInput : *strata.strata;
        parsed.inputPath = *strata.strata;
    }
    parsed.outputPath = output ? *output : defaultOutputName(defaultNameBase(named), csv);
    parsed.logPath = log ? *log : defaultLogName(defaultNameBase(named));
    request = batch;
    return ParseResult::run;
}

int runBatch(const BatchRequest& request, MessageSink& messages) {
    RunRequest run = request.run;
    run.cancel = &stopRequested();
    ComputedInput computed;
    if (request.standardisation) {
        if (prepareComputedInput(*request.standardisation, request.writeInputPath, computed,
                                 messages, stdout) != 0) {
            return 1;
        }
        run.computedInput = &computed;
    }
    // One reading of the boundaries for the GeoPackage and the neighbours.
    std::optional<RunBoundaries> boundaries;
    if (!request.geo.boundaries.path.empty()) boundaries.emplace(request.geo.boundaries);
    std::optional<GeoPackageOutput> geoOutput;
    if (!request.geo.path.empty()) {
        geoOutput.emplace(request.geo, *boundaries);
        run.extraOutput = &*geoOutput;
    }
#ifdef TOLVEN_BATCH_MAPS
    std::optional<MapOutput> maps;
    if (!request.maps.folder.empty()) {
        const std::string& input = request.standardisation && !request.writeInputPath.empty()
                                       ? request.writeInputPath
                                       : run.inputPath;
        maps.emplace(request.maps, *boundaries, input.substr(input.find_last_of('/') + 1));
        run.outcomeFiles = &*maps;
    }
#endif
    if (boundaries) run.spatial.boundaries = &*boundaries;
    if (!request.quiet) run.spatial.notes = stderr;
    std::optional<TerminalProgress> progress;
    if (!request.quiet && ::isatty(STDERR_FILENO) == 1) {
        progress.emplace(stderr);
        run.progress = &*progress;
    }
    MessagesUntilStop shown(messages);
    const int result = runEstimation(run, shown);
    if (progress) progress->finish();
    if (geoOutput && !geoOutput->summary().empty()) {
        std::fputs(geoOutput->summary().c_str(), stderr);
    }
    if (result == RUN_CANCELLED || (result == RUN_FAILED && stopRequested())) {
        return 128 + (stopSignal() != 0 ? stopSignal() : SIGINT);
    }
    return result == RUN_SUCCEEDED ? 0 : 1;
}

}  // namespace tolven

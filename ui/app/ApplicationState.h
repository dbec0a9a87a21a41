#pragma once

#include <string>

#include "core/model/extended_settings.h"
#include "core/model/run_settings.h"
#include "run/estimation_run.h"

// What the application keeps from command to command: the stored values.
// The main dialog owns the one instance and hands it, or the part each needs,
// to its dialogs and to the run. The paths are what the last command stored
// (a run, 内容確認・修正, a chooser, a format switch), which may differ from
// what the edits show; the settings last until the program ends.
struct ApplicationState {
    // Byte strings in the system's multibyte encoding, passed unchanged to
    // the file system.
    std::string inputPath;
    std::string outputPath;
    std::string logPath;
    int csvOutput = 0;  // 1: the result table is comma-separated, 0: tab-separated
    tolven::RunSettings runSettings;
    // The options beyond the five settings.
    tolven::ExtendedSettings extendedSettings;
};

// The request for a run of the stored values on every core.
inline tolven::RunRequest runRequestFor(const ApplicationState& state) {
    tolven::RunRequest request;
    request.inputPath = state.inputPath;
    request.outputPath = state.outputPath;
    request.logPath = state.logPath;
    request.csvOutput = state.csvOutput;
    request.settings = state.runSettings;
    request.extended = state.extendedSettings;
    return request;
}

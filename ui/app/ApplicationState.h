#pragma once

#include <string>

#include "core/model/extended_settings.h"
#include "core/model/run_settings.h"
#include "geo/boundary_layer.h"
#include "run/estimation_run.h"

// The boundaries drawn in the map and the neighbours of the spatial
// estimates, as 拡張設定 sets them. Paths are byte strings like the others.
struct SpatialSettings {
    tolven::BoundarySource boundaries;  // path empty: no map
    enum class Neighbours { None, Queen, Rook, GalFile };
    Neighbours neighbours = Neighbours::None;
    std::string galPath;  // with GalFile
    bool localEb = false;
    bool moran = false;
    int permutations = 999;  // of the Moran's I p-value, 1 to 99,999
};

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
    SpatialSettings spatialSettings;
};

// The request for a run of the stored values on every core. The neighbour
// settings reach the run only with a neighbour source; for queen and rook
// the caller hands the run the boundaries (request.spatial.boundaries).
inline tolven::RunRequest runRequestFor(const ApplicationState& state) {
    tolven::RunRequest request;
    request.inputPath = state.inputPath;
    request.outputPath = state.outputPath;
    request.logPath = state.logPath;
    request.csvOutput = state.csvOutput;
    request.settings = state.runSettings;
    request.extended = state.extendedSettings;
    const SpatialSettings& spatial = state.spatialSettings;
    if (spatial.neighbours != SpatialSettings::Neighbours::None &&
        (spatial.localEb || spatial.moran)) {
        using Source = tolven::NeighbourSource;
        switch (spatial.neighbours) {
            case SpatialSettings::Neighbours::Queen:
                request.spatial.source = Source::queen;
                break;
            case SpatialSettings::Neighbours::Rook:
                request.spatial.source = Source::rook;
                break;
            default:
                request.spatial.source = Source::galFile;
                request.spatial.neighboursPath = spatial.galPath;
        }
        request.spatial.localEb = spatial.localEb;
        request.spatial.moran = spatial.moran;
        request.spatial.permutations = spatial.permutations;
    }
    return request;
}

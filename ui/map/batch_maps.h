#pragma once

#include <memory>
#include <string>

#include "geo/boundary_layer.h"
#include "run/run_outcome.h"

namespace tolven {

// The maps of the batch command, behind an interface without Qt types: the
// command links this only when the application is built.

enum class BatchMapFormat { png, svg, pdf };
enum class BatchMapValue { ratio, ebMe, ebMle, pMe, pMle, ebLocal, pLocal };

// "png", "svg", "pdf".
const char* batchMapExtension(BatchMapFormat format);

// Draws units' maps of one layer exactly as the application's map tab saves
// them (fixed classes, the unit's whole extent, the input's file name at the
// bottom). The first renderer made in a process without a Qt application
// makes one for the rest of the process, on the "offscreen" platform unless
// QT_QPA_PLATFORM names another: no display is needed. Make it on the main
// thread; render() may then be called from any one thread at a time.
class BatchMapRenderer {
public:
    // Takes a copy of `layer`'s features and outlines.
    BatchMapRenderer(const BoundaryLayer& layer, BatchMapFormat format, BatchMapValue value,
                     std::string footer);
    ~BatchMapRenderer();
    BatchMapRenderer(const BatchMapRenderer&) = delete;
    BatchMapRenderer& operator=(const BatchMapRenderer&) = delete;

    // The bytes of the file of outcome.units[unit]; empty when the map could
    // not be drawn (the outlines could not be projected).
    std::string render(const RunOutcome& outcome, std::size_t unit) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tolven

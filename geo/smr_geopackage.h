#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "core/input/input_table.h"
#include "geo/boundary_join.h"
#include "geo/boundary_layer.h"
#include "reports/local_eb_columns.h"
#include "reports/result_table.h"

namespace tolven {

// What goes into the GeoPackage: the estimated table with its boundaries.
struct SmrLayerContent {
    const InputTable* table = nullptr;
    bool wholeFile = false;  // every row's unit is written as -1
    // The posterior columns' priors, level and threshold; null without the
    // posterior output.
    const PosteriorColumns* posterior = nullptr;
    const BoundaryLayer* boundaries = nullptr;
    const BoundaryJoin* join = nullptr;
    // The local empirical Bayes estimates and whether their posterior
    // columns are shown; null without them.
    const LocalEbColumns* localEb = nullptr;
};

// The name of the GeoPackage's layer and the field its style grades.
inline constexpr const char* SMR_LAYER_NAME = "smr";
inline constexpr const char* SMR_STYLE_FIELD = "eb_mle";

// Writes a new GeoPackage to `output` (any stream; the caller makes it
// atomic), built first in GDAL's memory files. It holds:
// - the layer "smr", of type MultiPolygon in the boundary layer's coordinate
//   system, with one feature per row of the table in file order: the row's
//   boundary, or a NULL geometry where its code has none (rows sharing a code
//   share its geometry). Fields: unit (integer; -1 in whole-file mode), code
//   (text, the input's code as UTF-8), label (text, only when the boundaries
//   have a label field; NULL without a boundary or label), observed
//   (integer), expected, ratio, eb_me, eb_mle, and with the posterior output
//   eb_lower_me, eb_upper_me, p_me, eb_lower_mle, eb_upper_mle, p_mle, then
//   with the local estimates eb_local, and with their posterior columns
//   eb_lower_local, eb_upper_local, p_local. The
//   numbers are the doubles the result table prints (ratios in percent); a
//   value the table prints as "***", and a NaN or infinite one, is NULL.
// - the table "layer_styles" where QGIS finds a layer's default style,
//   holding a graduated style of eb_mle in the map's classes and colours.
// Returns an empty text, or the message when GDAL failed; a stopped write
// (`cancel` set) returns an empty text too, and the caller sees the flag.
// Write errors of `output` itself are the caller's to check.
std::string writeSmrGeoPackage(std::FILE* output, const SmrLayerContent& content,
                               const std::atomic<bool>* cancel);

}  // namespace tolven

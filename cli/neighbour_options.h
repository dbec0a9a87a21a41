#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "run/spatial_options.h"

namespace tolven {

// The options of the neighbour list and of what is made from it, as given.
struct NeighbourOptions {
    std::optional<std::string> neighbours;  // queen, rook or a GAL file
    std::optional<std::string> snap;
    bool localEb = false;
    bool moran = false;
    std::optional<std::string> permutations;
    std::optional<std::string> writeNeighbours;

    // True for --neighbours queen or rook, which take the boundaries.
    bool contiguity() const {
        return neighbours && (*neighbours == "queen" || *neighbours == "rook");
    }
};

// Adds --neighbours, --snap, --local-eb, --moran, --permutations and
// --write-neighbours to `app`.
void addNeighbourOptions(CLI::App& app, NeighbourOptions& options);

// Checks the options once parsed and fills `spatial` (all but the
// boundaries, which the run's caller provides). --local-eb, --moran and
// --write-neighbours need --neighbours; --snap needs queen or rook and takes a
// finite distance of 0 or more; --permutations needs --moran and takes a
// whole number from 1 to 99999. False after the reason was written to `err`
// (a usage error).
bool checkNeighbourOptions(const NeighbourOptions& options, SpatialOptions& spatial,
                           std::ostream& err);

}  // namespace tolven

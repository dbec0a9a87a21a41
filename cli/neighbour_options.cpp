#include "cli/neighbour_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/text/characters.h"

namespace tolven {
namespace {

// The snap distance: a finite number of 0 or more, written as a C program
// would (digits, a point, an exponent); nothing else on the line.
bool parseSnap(const std::string& text, double& value) {
    const char* const end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, std::chars_format::general);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value) &&
           value >= 0.0;
}

}  // namespace

void addNeighbourOptions(CLI::App& app, NeighbourOptions& options) {
    app.add_option("--neighbours", options.neighbours,
                   "The regions' neighbours: queen or rook (contiguity of --boundaries, matched "
                   "by --join-field), or a GAL file whose region ids are the input's codes (one "
                   "list for every unit)");
    app.add_option("--snap", options.snap,
                   "With --neighbours queen or rook: boundary points closer than this, in the "
                   "layer's units, count as one (default 1.5e-8)");
    app.add_flag("--local-eb", options.localEb,
                 "Add each region's local empirical Bayes ratio, shrunk toward its neighbours, "
                 "to the result table (with --posterior also its interval and exceedance)");
    app.add_flag("--moran", options.moran,
                 "Write each unit's empirical Bayes Moran's I and its permutation p-value to "
                 "the log");
    app.add_option("--permutations", options.permutations,
                   "Permutations of the Moran's I p-value, 1 to 99999 (default 999)");
    app.add_option("--write-neighbours", options.writeNeighbours,
                   "Write the neighbour list used to this GAL file");
}

bool checkNeighbourOptions(const NeighbourOptions& options, SpatialOptions& spatial,
                           std::ostream& err) {
    const auto refuse = [&err](const std::string& message) {
        err << message << '\n';
        return false;
    };
    const char* const needed = " needs --neighbours queen|rook|FILE.gal";
    if (!options.neighbours) {
        if (options.localEb) return refuse(std::string("--local-eb") + needed);
        if (options.moran) return refuse(std::string("--moran") + needed);
        if (options.writeNeighbours) return refuse(std::string("--write-neighbours") + needed);
    }
    if (options.snap) {
        if (!options.contiguity()) return refuse("--snap needs --neighbours queen or rook");
        if (!parseSnap(*options.snap, spatial.snapDistance)) {
            return refuse("--snap: " + *options.snap + " is not a distance of 0 or more");
        }
    }
    if (options.permutations) {
        if (!options.moran) return refuse("--permutations needs --moran");
        const std::string& text = *options.permutations;
        int count = 0;
        const bool whole =
            !text.empty() && std::all_of(text.begin(), text.end(), isDigit) &&
            std::from_chars(text.data(), text.data() + text.size(), count).ec == std::errc();
        if (!whole || count < 1 || count > 99999) {
            return refuse("--permutations: " + text + " is not a whole number from 1 to 99999");
        }
        spatial.permutations = count;
    }
    if (options.neighbours) {
        if (*options.neighbours == "queen") {
            spatial.source = NeighbourSource::queen;
        } else if (*options.neighbours == "rook") {
            spatial.source = NeighbourSource::rook;
        } else {
            spatial.source = NeighbourSource::galFile;
            spatial.neighboursPath = *options.neighbours;
        }
    }
    spatial.localEb = options.localEb;
    spatial.moran = options.moran;
    if (options.writeNeighbours) spatial.writeNeighboursPath = *options.writeNeighbours;
    return true;
}

}  // namespace tolven

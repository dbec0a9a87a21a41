#pragma once

#include <string>
#include <string_view>

#include "core/spatial/contiguity.h"

namespace tolven {

// Regions with boundaries as contiguity needs them: their boundary points
// and how an input's region code finds its region. geo/ implements it over
// the user's boundary layer with GDAL, which neither core/ nor the run links,
// so that the run can take queen and rook neighbours from a layer it cannot
// read itself.
class BoundaryRegions {
public:
    virtual ~BoundaryRegions() = default;

    // Makes the regions ready, reading them the first time. False, with the
    // message in `error`, when they cannot be had (the same message on every
    // later call).
    virtual bool load(std::string& error) = 0;

    // After a successful load: every region's boundary points.
    virtual RegionPoints points() const = 0;
    // After a successful load: the region of an input's code (its bytes as
    // read), or -1 when no region has that code.
    virtual int regionOf(std::string_view code) const = 0;
    // The file the regions come from, for messages.
    virtual std::string filePath() const = 0;
    // After a successful load: the names a GAL header gives the list, the
    // layer and the field that holds the codes.
    virtual std::string layerName() const = 0;
    virtual std::string idFieldName() const = 0;
};

}  // namespace tolven

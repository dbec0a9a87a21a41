#pragma once

#include <string>
#include <vector>

namespace tolven {

// The layers of a boundary file and the fields of each, for the choosers of
// the boundary settings. Names are UTF-8 as GDAL gives them.
struct BoundaryFileLayers {
    struct Layer {
        std::string name;
        std::vector<std::string> fields;
    };
    std::vector<Layer> layers;
};

// Lists the layers and fields of the vector file `path`; false (leaving
// `result` empty) when GDAL cannot open it as vector data.
bool listBoundaryFile(const std::string& path, BoundaryFileLayers& result);

}  // namespace tolven

#pragma once

#include <string>

namespace tolven {

// A QGIS layer style (QML) that draws a polygon layer graduated by the
// numeric field `field` in the map's ratio classes and colours
// (map_classes.h). QGIS compares a value with a class's bounds inclusively;
// each inner bound is therefore written as the largest double below it, so
// that a value exactly on a bound falls into the class above, as in the
// map's legend ("50–<80" holds 50). NULL values are not drawn.
std::string graduatedRatioStyle(const std::string& field);

}  // namespace tolven

#pragma once

#include <array>

namespace tolven {

// One class of the map's default legend for ratios in percent: the values v
// with lower <= v < upper (lower -infinity for the first class, upper
// +infinity for the last), drawn in `colour` (#rrggbb) and named `label`.
struct RatioClass {
    double lower;
    double upper;
    const char* label;
    const char* colour;
};

inline constexpr double RATIO_CLASS_UNBOUNDED = 1.0e300;

// The map's classes for ratios, a diverging palette centred on "as many as
// expected" (90 to below 110 percent).
inline constexpr std::array<RatioClass, 7> RATIO_CLASSES{{
    {-RATIO_CLASS_UNBOUNDED, 50.0, "<50", "#2166ac"},
    {50.0, 80.0, "50\u2013<80", "#67a9cf"},
    {80.0, 90.0, "80\u2013<90", "#d1e5f0"},
    {90.0, 110.0, "90\u2013<110", "#f7f7f7"},
    {110.0, 120.0, "110\u2013<120", "#fddbc7"},
    {120.0, 150.0, "120\u2013<150", "#ef8a62"},
    {150.0, RATIO_CLASS_UNBOUNDED, "\u2265150", "#b2182b"},
}};

}  // namespace tolven

#pragma once

#include <string>

namespace tolven {

// Appends `value` as printf's "%lf" prints it in the C locale: fixed-point,
// six digits after the point, a leading "-" when negative (so -0.0 and tiny
// negative values print "-0.000000"), no exponent, no grouping, rounded
// exactly. Not-a-number prints "nan" and the infinities "inf" and "-inf",
// whatever the sign bit of a NaN. Independent of the process locale.
void appendFixed(std::string& out, double value);

// Appends `value` as "%d" prints it.
void appendInteger(std::string& out, int value);

}  // namespace tolven

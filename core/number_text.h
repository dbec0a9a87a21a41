#pragma once

#include <string>

namespace tolven {

// Appends `value` as printf's "%.Nf" prints it in the C locale, N being
// `decimals` (6 by default, as "%lf" prints): fixed-point, a leading "-" when
// negative (so -0.0 and tiny negative values print "-0.000000"), no exponent,
// no grouping, rounded exactly. Not-a-number prints "nan" and the infinities
// "inf" and "-inf", whatever the sign bit of a NaN. Independent of the
// process locale.
void appendFixed(std::string& out, double value, int decimals = 6);

// The same as a string of its own.
std::string fixedText(double value, int decimals = 6);

// Appends `value` as "%d" prints it.
void appendInteger(std::string& out, int value);

}  // namespace tolven

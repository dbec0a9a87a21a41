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

// The value in plain fixed notation, never with an exponent, with the fewest
// digits that read back as the same double: 100 gives "100", 112.5 gives
// "112.5", 0.1 gives "0.1", 1e-7 gives "0.0000001", -2 gives "-2". Not a number
// gives "nan", the infinities "inf" and "-inf".
std::string shortestFixedText(double value);

// Appends `value` as "%d" prints it.
void appendInteger(std::string& out, int value);

}  // namespace tolven

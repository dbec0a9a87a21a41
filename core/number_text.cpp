#include "core/number_text.h"

#include <charconv>
#include <cmath>

namespace tolven {

void appendFixed(std::string& out, double value, int decimals) {
    // Printed by hand so that no platform's "-nan" or "1.#INF" reaches a report.
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    // The largest double has 309 integer digits; add sign, point and decimals.
    char buffer[360];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    out.append(buffer, result.ptr);
}

std::string fixedText(double value, int decimals) {
    std::string text;
    appendFixed(text, value, decimals);
    return text;
}

void appendInteger(std::string& out, int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace tolven

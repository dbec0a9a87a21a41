#include "core/text/number_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tolven {
namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t POWERS_OF_TEN[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};
constexpr int FAST_DECIMALS = 9;

constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The exact value |value| * 10^decimals rounded to the nearest integer, ties
// to even, as printf rounds; false when the result might not fit 63 bits.
// A double is m * 2^e with an integer m below 2^53; m * 10^decimals fits 128
// bits, so the product and the rounding are exact.
bool scaledAndRounded(double value, int decimals, std::uint64_t& result) {
    const double magnitude = std::fabs(value);
    if (!(magnitude < 9.0e18 / static_cast<double>(POWERS_OF_TEN[decimals]))) return false;
    // The fields of the double: magnitude = mantissa / 2^shift.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int shift = biased == 0 ? 1074 : 1075 - biased;
    const Wide product = static_cast<Wide>(mantissa) * POWERS_OF_TEN[decimals];
    if (shift <= 0) {
        result = static_cast<std::uint64_t>(product << -shift);
        return true;
    }
    if (shift >= 127) {
        // product < 2^83, far below half of 2^shift: rounds to 0.
        result = 0;
        return true;
    }
    const Wide quotient = product >> shift;
    const Wide remainder = product - (quotient << shift);
    const Wide half = static_cast<Wide>(1) << (shift - 1);
    std::uint64_t rounded = static_cast<std::uint64_t>(quotient);
    if (remainder > half || (remainder == half && (rounded & 1) != 0)) ++rounded;
    result = rounded;
    return true;
}

}  // namespace

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
    std::uint64_t scaled = 0;
    if (decimals >= 0 && decimals <= FAST_DECIMALS && scaledAndRounded(value, decimals, scaled)) {
        // The common case, without the general conversion: integer digits,
        // then exactly `decimals` fraction digits.
        char buffer[48];
        char* end = buffer;
        if (std::signbit(value)) *end++ = '-';
        const std::uint64_t unit = POWERS_OF_TEN[decimals];
        end = std::to_chars(end, buffer + sizeof buffer, scaled / unit).ptr;
        if (decimals > 0) {
            *end++ = '.';
            // The fraction digits, two at a time from the right.
            auto rest = static_cast<std::uint32_t>(scaled % unit);
            int i = decimals;
            for (; i >= 2; i -= 2) {
                std::memcpy(end + i - 2, DIGIT_PAIRS + 2 * (rest % 100), 2);
                rest /= 100;
            }
            if (i == 1) end[0] = static_cast<char>('0' + rest);
            end += decimals;
        }
        out.append(buffer, end);
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

std::string shortestFixedText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // Fixed notation without a precision is the shortest form that reads back
    // as the same double. The largest double has 309 integer digits, the
    // smallest subnormal needs 1074 decimals after the point.
    char buffer[1100];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

void appendInteger(std::string& out, int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace tolven

#include "core/spatial/region_code.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tolven {
namespace {

// Checks the UTF-8 encoding form: no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    const auto byteAt = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    while (i < text.size()) {
        const std::uint8_t lead = byteAt(i);
        std::size_t length = 0;
        std::uint8_t low = 0x80;
        std::uint8_t high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        if (byteAt(i + 1) < low || byteAt(i + 1) > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (byteAt(i + k) < 0x80 || byteAt(i + k) > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

// CP932 to UTF-8 through glibc's iconv; false when the bytes are not CP932.
bool convertCp932(std::string_view code, std::string& utf8) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    // A CP932 character of at most 2 bytes becomes at most 3 bytes of UTF-8.
    utf8.assign(code.size() * 3 / 2 + 4, '\0');
    std::string input(code);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = utf8.data();
    std::size_t outLeft = utf8.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    const bool converted = result != static_cast<std::size_t>(-1) && inLeft == 0 &&
                           iconv(converter, nullptr, nullptr, &out, &outLeft) == 0;
    iconv_close(converter);
    if (!converted) return false;
    utf8.resize(utf8.size() - outLeft);
    return true;
}

}  // namespace

std::string regionCodeAsUtf8(std::string_view code) {
    if (isValidUtf8(code)) return std::string(code);
    std::string utf8;
    if (convertCp932(code, utf8)) return utf8;
    return std::string(code);
}

bool isIntegerCode(std::string_view code) {
    return !code.empty() &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view integerCodeKey(std::string_view code) {
    const std::size_t first = code.find_first_not_of('0');
    return first == std::string_view::npos ? code.substr(code.size() - 1) : code.substr(first);
}

}  // namespace tolven

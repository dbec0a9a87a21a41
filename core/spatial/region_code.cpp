#include "core/spatial/region_code.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tolven {
namespace {

constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";

// The bytes read as CP932 through glibc's iconv, a byte that does not start
// a CP932 character (or ends the text inside one) becoming U+FFFD.
std::string convertCp932(std::string_view code) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    std::string utf8;
    if (converter == reinterpret_cast<iconv_t>(-1)) {  // no CP932 here: keep what is ASCII
        for (const char c : code) {
            if (static_cast<unsigned char>(c) < 0x80) {
                utf8 += c;
            } else {
                utf8 += REPLACEMENT_CHARACTER;
            }
        }
        return utf8;
    }
    std::string input(code);
    char* in = input.data();
    std::size_t inLeft = input.size();
    // A CP932 character of at most 2 bytes becomes at most 3 bytes of UTF-8.
    std::string buffer(input.size() * 3 + 4, '\0');
    while (inLeft > 0) {
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        utf8.append(buffer.data(), buffer.size() - outLeft);
        if (result == static_cast<std::size_t>(-1)) {
            utf8 += REPLACEMENT_CHARACTER;
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return utf8;
}

}  // namespace

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

std::string regionCodeAsUtf8(std::string_view code) {
    if (isValidUtf8(code)) return std::string(code);
    return convertCp932(code);
}

bool isIntegerCode(std::string_view code) {
    return !code.empty() &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string regionCodeKey(std::string_view utf8Code, bool integerCodes) {
    if (!integerCodes || !isIntegerCode(utf8Code)) return std::string(utf8Code);
    const std::size_t first = std::min(utf8Code.find_first_not_of('0'), utf8Code.size() - 1);
    return std::string(utf8Code.substr(first));
}

}  // namespace tolven

#include "geo/code_text.h"

#include <cpl_conv.h>
#include <cpl_string.h>

#include <algorithm>

namespace tolven {

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned lowest = 0;  // the smallest code point of that length: no overlong forms
        unsigned point = 0;
        if ((byte & 0xE0) == 0xC0) {
            length = 2, lowest = 0x80, point = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3, lowest = 0x800, point = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4, lowest = 0x10000, point = byte & 0x07;
        } else {
            return false;
        }
        if (n - i < static_cast<std::size_t>(length)) return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        if (point < lowest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string codeAsUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    const std::string input(bytes);
    char* recoded = CPLRecode(input.c_str(), "CP932", CPL_ENC_UTF8);
    std::string result = recoded == nullptr ? input : std::string(recoded);
    CPLFree(recoded);
    return result;
}

std::string joinKey(std::string_view utf8Code, bool integerField) {
    const bool digits =
        !utf8Code.empty() &&
        std::all_of(utf8Code.begin(), utf8Code.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!integerField || !digits) return std::string(utf8Code);
    const std::size_t first = std::min(utf8Code.find_first_not_of('0'), utf8Code.size() - 1);
    return std::string(utf8Code.substr(first));
}

}  // namespace tolven

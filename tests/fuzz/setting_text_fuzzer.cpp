// The settings text parser on any bytes: a refusal must leave the value alone,
// an accepted value must be one the fit can use, and the text forms the dialog
// shows must read back as themselves.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/text/setting_text.h"

namespace {

constexpr double UNTOUCHED = 12345.678;

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// A text the dialog showed for a value reads back to a value shown the same
// way, when it is accepted at all (a tiny value shows as zero and is refused).
template <typename Format>
void requireStableText(double value, Format format) {
    const std::string shown = format(value);
    double again = UNTOUCHED;
    if (tolven::parseRealSetting(shown, again)) require(format(again) == shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    double real = UNTOUCHED;
    if (tolven::parseRealSetting(text, real)) {
        require(std::isfinite(real) && real > 0.0);
        requireStableText(real, tolven::formatEpsilon);
        requireStableText(real, tolven::formatInitialValue);
    } else {
        require(real == UNTOUCHED);
    }

    int count = -7;
    if (tolven::parseCountSetting(text, count)) {
        require(count >= 1);
        int again = -7;
        require(tolven::parseCountSetting(tolven::formatMaxIterations(count), again));
        require(again == count);
    } else {
        require(count == -7);
    }

    require(tolven::isAutoText(text) == (text == "auto"));

    // The format functions on any double, NaN, infinities and the largest
    // values included.
    if (size >= sizeof(double)) {
        double any = 0.0;
        std::memcpy(&any, data, sizeof any);
        require(!tolven::formatEpsilon(any).empty());
        require(!tolven::formatInitialValue(any).empty());
    }
    return 0;
}

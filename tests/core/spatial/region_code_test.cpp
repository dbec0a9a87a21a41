#include "core/spatial/region_code.h"

#include <gtest/gtest.h>

#include <string>

namespace tolven {
namespace {

TEST(RegionCodeTest, ValidUtf8IsKeptAndCp932IsRecoded) {
    const struct {
        const char* name;
        std::string bytes;
        bool valid;
        std::string utf8;
    } cases[] = {
        {"ascii", "A01", true, "A01"},
        {"utf8 kanji", "\xE6\x9C\xAD\xE5\xB9\x8C\xE5\xB8\x82", true, "札幌市"},
        // 札幌市 in CP932.
        {"cp932 kanji", "\x8E\x44\x96\x79\x8E\x73", false, "札幌市"},
        // 髙 exists in CP932 (an NEC extension) but not in plain Shift-JIS.
        {"cp932 extension", "\xFB\xFC\x90\x58\x92\xAC", false, "髙森町"},
        {"half-width katakana", "\xB1\xB2", false, "ｱｲ"},
        {"overlong slash", "\xC0\xAF", false, ""},
        {"surrogate", "\xED\xA0\x80", false, ""},
        {"cut short", "\xE6\x9C", false, ""},
        // Neither UTF-8 nor CP932: each stray byte is replaced, the rest kept.
        {"neither",
         "A\x80"
         "1",
         false,
         "A\xEF\xBF\xBD"
         "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
        if (!c.utf8.empty()) {
            EXPECT_EQ(regionCodeAsUtf8(c.bytes), c.utf8);
        }
        EXPECT_TRUE(isValidUtf8(regionCodeAsUtf8(c.bytes)));
    }
}

TEST(RegionCodeTest, IntegerCodesDropLeadingZerosOfDigitCodesOnly) {
    const struct {
        const char* code;
        bool integerField;
        const char* key;
    } cases[] = {
        {"01100", true, "1100"},   {"1100", true, "1100"},   {"000", true, "0"},   {"0", true, "0"},
        {"01100", false, "01100"}, {"-0110", true, "-0110"}, {"0A1", true, "0A1"}, {"", true, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(regionCodeKey(c.code, c.integerField), c.key) << c.code << " " << c.integerField;
    }
}

}  // namespace
}  // namespace tolven

#include "run/default_names.h"

#include <gtest/gtest.h>

namespace tolven::test {
namespace {

struct NameCase {
    const char* input;
    bool csv;
    const char* output;
    const char* log;
};

TEST(DefaultNames, OutputAndLogFollowTheInputCutBeforeItsLastDot) {
    const NameCase cases[] = {
        {"D:\\data\\area.txt", false, "D:\\data\\areaout.txt", "D:\\data\\areaout.log"},
        {"D:\\data\\area.txt", true, "D:\\data\\areaout.csv", "D:\\data\\areaout.log"},
        {"D:\\data\\area.2005.dat", false, "D:\\data\\area.2005out.txt",
         "D:\\data\\area.2005out.log"},
        // The last "." may stand in a folder name.
        {"D:\\ver1.2\\counts", false, "D:\\ver1out.txt", "D:\\ver1out.log"},
        {"/home/u/data/area.txt", false, "/home/u/data/areaout.txt", "/home/u/data/areaout.log"},
        {"/home/u/ver1.2/counts", true, "/home/u/ver1out.csv", "/home/u/ver1out.log"},
        {"/home/u/.hidden/counts", false, "/home/u/out.txt", "/home/u/out.log"},
        // No "." anywhere: the whole path is the base.
        {"/data/counts", false, "/data/countsout.txt", "/data/countsout.log"},
        {"/データ/地域 1.txt", false, "/データ/地域 1out.txt", "/データ/地域 1out.log"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.input);
        const std::string base = defaultNameBase(c.input);
        EXPECT_EQ(defaultOutputName(base, c.csv), c.output);
        EXPECT_EQ(defaultLogName(base), c.log);
    }
}

struct SwitchCase {
    const char* path;
    const char* toCsv;
    const char* toTxt;
};

TEST(DefaultNames, ExtensionSwitchReplacesEveryCaseSensitiveOccurrence) {
    const SwitchCase cases[] = {
        {"D:\\data\\areaout.txt", "D:\\data\\areaout.csv", "D:\\data\\areaout.txt"},
        {"D:\\r.txt.d\\aout.txt", "D:\\r.csv.d\\aout.csv", "D:\\r.txt.d\\aout.txt"},
        {"/r.txt.d/aout.txt", "/r.csv.d/aout.csv", "/r.txt.d/aout.txt"},
        {"D:\\data\\res.TXT", "D:\\data\\res.TXT", "D:\\data\\res.TXT"},
        {"/data/res.Csv", "/data/res.Csv", "/data/res.Csv"},
        {"", "", ""},
        // Non-overlapping, left to right: ".txt.txt" has two occurrences.
        {"a.txt.txt", "a.csv.csv", "a.txt.txt"},
        {"/data/txt/out", "/data/txt/out", "/data/txt/out"},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string csv = switchExtension(c.path, ".txt", ".csv");
        EXPECT_EQ(csv, c.toCsv);
        EXPECT_EQ(switchExtension(csv, ".csv", ".txt"), c.toTxt);
    }
    EXPECT_EQ(switchExtension("abc", "", ".csv"), "abc");
}

}  // namespace
}  // namespace tolven::test

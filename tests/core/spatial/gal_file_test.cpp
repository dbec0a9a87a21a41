#include "core/spatial/gal_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace tolven {
namespace {

std::vector<std::vector<int>> rowsOf(const NeighbourList& list) {
    std::vector<std::vector<int>> rows;
    for (std::size_t i = 0; i < list.regionCount(); ++i) {
        const auto row = list.neighboursOf(i);
        rows.emplace_back(row.begin(), row.end());
    }
    return rows;
}

GalNeighbours readOrFail(const std::string& text) {
    GalNeighbours gal;
    std::string error;
    EXPECT_TRUE(readGal(text, gal, error)) << error;
    return gal;
}

TEST(GalFileTest, WrittenListReadsBackTheSame) {
    // A 2 x 3 grid by rook contiguity, with an island.
    const std::vector<std::string> codes = {"a1", "a2", "a3", "b1", "b2", "b3", "island"};
    const std::vector<std::pair<int, int>> pairs = {{0, 1}, {1, 2}, {3, 4}, {4, 5},
                                                    {0, 3}, {1, 4}, {2, 5}};
    const NeighbourList list(codes.size(), pairs);
    std::string text;
    std::string error;
    ASSERT_TRUE(writeGal(codes, list, "my grid", "code", text, error)) << error;
    EXPECT_EQ(text.substr(0, text.find('\n')), "0 7 my_grid code");
    EXPECT_NE(text.find("a2 3\na1 a3 b2\n"), std::string::npos);
    EXPECT_NE(text.find("island 0\n\n"), std::string::npos);

    const GalNeighbours gal = readOrFail(text);
    EXPECT_EQ(gal.codes, codes);
    EXPECT_EQ(rowsOf(gal.list), rowsOf(list));
    EXPECT_TRUE(gal.notes.empty());
}

TEST(GalFileTest, CodesThatCannotBeReadBackAreNotWritten) {
    for (const std::string bad : {"", "two words", "tab\there"}) {
        const std::vector<std::string> codes = {"a", bad};
        std::string text;
        std::string error;
        EXPECT_FALSE(writeGal(codes, NeighbourList(2, {}), "l", "f", text, error)) << bad;
    }
}

TEST(GalFileTest, IntegerCodesMatchWithoutLeadingZerosAcrossLineEndsAndIslands) {
    GalNeighbours gal;
    std::string error;
    ASSERT_TRUE(readGal(test::readFile(test::dataFile("spatial/leading_zeros_crlf_island.gal")),
                        gal, error))
        << error;
    EXPECT_TRUE(gal.integerCodes);
    EXPECT_EQ(rowsOf(gal.list), (std::vector<std::vector<int>>{{1, 2}, {0}, {0}, {}}));
    EXPECT_EQ(galRegionOf(gal, "1100"), 0);
    EXPECT_EQ(galRegionOf(gal, "0001101"), 1);
    EXPECT_EQ(galRegionOf(gal, "01103"), 3);
    EXPECT_EQ(galRegionOf(gal, "1100a"), -1);
    EXPECT_EQ(galRegionOf(gal, "9"), -1);
}

TEST(GalFileTest, Cp932CodesMatchTheirUtf8Form) {
    const GalNeighbours gal = readOrFail(test::readFile(test::dataFile("spatial/cp932_codes.gal")));
    EXPECT_EQ(gal.codes, (std::vector<std::string>{"札幌", "函館"}));
    EXPECT_EQ(galRegionOf(gal, "函館"), 1);
    EXPECT_EQ(galRegionOf(gal, "\x94\x9F\x8A\xD9"), 1);  // 函館 in CP932
    // Text codes compare exactly: no leading-zero rule when a code is not an integer.
    const GalNeighbours mixed = readOrFail("2\n01 1\nx\nx 1\n01\n");
    EXPECT_FALSE(mixed.integerCodes);
    EXPECT_EQ(galRegionOf(mixed, "01"), 0);
    EXPECT_EQ(galRegionOf(mixed, "1"), -1);
}

TEST(GalFileTest, OneSidedAndSelfNamedNeighboursAreRepairedWithANote) {
    const GalNeighbours gal = readOrFail("3\n1 2\n2 3\n2 1\n1\n3 1\n3\n");
    EXPECT_EQ(rowsOf(gal.list), (std::vector<std::vector<int>>{{1, 2}, {0}, {0}}));
    EXPECT_EQ(gal.notes,
              (std::vector<std::string>{
                  "1 neighbour pairs were named by one side only and were made symmetric",
                  "1 regions named as their own neighbour were dropped from their lists"}));
}

TEST(GalFileTest, BadFilesAreRefusedWithTheLineNumber) {
    struct Case {
        const char* name;
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"empty file", "", "line 1: the header (N, or 0 N layer idfield) is missing"},
        {"header not a count", "x\n", "line 1: the header is not N or 0 N layer idfield"},
        {"header of three tokens", "0 2 layer\n", "line 1: the header is not"},
        {"header of no regions", "0\n", "line 1: the header is not"},
        {"header form needs 0 first", "1 2 layer id\n", "line 1: the header is not"},
        {"region line of one token", "1\na\n", "line 2: expected a region code and its number"},
        {"negative count", "2\na -1\n", "line 2: expected a region code"},
        {"count not a number", "2\na one\nb\n", "line 2: expected a region code"},
        {"too few neighbours", "2\na 2\nb\nb 1\na\n", "line 3: 1 neighbours where the region"},
        {"too many neighbours", "2\na 1\nb b\nb 1\na\n", "line 3: 2 neighbours where"},
        {"neighbour line missing", "1\na 1", "line 3: the line of 1 neighbours is missing"},
        {"file ends early", "3\na 1\nb\nb 1\na\n", "line 6: the file ends after 2 of the"},
        {"unknown neighbour", "2\na 1\nc\nb 0\n", "line 3: neighbour c of region a is not one"},
        {"region twice", "2\na 0\na 0\n", "line 3: region a is listed twice"},
        {"integer region twice", "2\n010 0\n10 0\n", "line 3: region 10 is listed twice"},
        {"trailing lines", "1\na 0\n\nb 0\n", "line 4: more lines than the header's 1 regions"},
    };
    for (const Case& c : cases) {
        GalNeighbours gal;
        std::string error;
        EXPECT_FALSE(readGal(c.text, gal, error)) << c.name;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": " << error;
    }
}

TEST(GalFileTest, UnitListsHoldOnlyTheUnitsRegions) {
    // A path 1 - 2 - 3 - 4; the unit holds 4, 2, 3 and 2 again.
    const GalNeighbours gal = readOrFail("4\n1 1\n2\n2 2\n1 3\n3 2\n2 4\n4 1\n3\n");
    const std::vector<std::string_view> codes = {"4", "2", "03", "2"};
    NeighbourList list;
    std::string missing;
    ASSERT_TRUE(unitNeighbours(gal, codes, list, missing));
    EXPECT_EQ(rowsOf(list), (std::vector<std::vector<int>>{{2}, {2}, {0, 1, 3}, {2}}));

    const std::vector<std::string_view> withUnknown = {"1", "5"};
    EXPECT_FALSE(unitNeighbours(gal, withUnknown, list, missing));
    EXPECT_EQ(missing, "5");
}

TEST(GalFileTest, SummaryCountsNeighboursAndNamesIslands) {
    const std::vector<std::pair<int, int>> pairs = {{0, 1}, {0, 2}, {0, 3}};
    const NeighbourSummary summary = summarizeNeighbours(NeighbourList(5, pairs));
    EXPECT_EQ(summary.regions, 5u);
    EXPECT_DOUBLE_EQ(summary.meanNeighbours, 6.0 / 5.0);
    EXPECT_EQ(summary.minNeighbours, 0u);
    EXPECT_EQ(summary.maxNeighbours, 3u);
    EXPECT_EQ(summary.islands, std::vector<int>{4});
}

}  // namespace
}  // namespace tolven

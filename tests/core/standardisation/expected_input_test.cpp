#include "core/standardisation/expected_input.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;

// Three regions, two strata; the lines are shuffled across regions, CR LF
// ends them and a Ctrl-Z ends the file before a line that would be refused.
const std::string THREE_REGIONS = "standardisation/three_regions_crlf_ctrl_z.txt";

struct Computed {
    int result = -1;
    std::vector<std::string> messages;
    ExpectedInput input;
};

Computed compute(const StandardisationRequest& request) {
    test::RecordedMessages recorded;
    Computed computed;
    computed.result = computeExpectedInput(request, computed.input, recorded);
    computed.messages = recorded.shown;
    return computed;
}

StandardisationRequest fromStrata(const std::string& path,
                                  ReferenceRates reference = ReferenceRates::unit) {
    StandardisationRequest request;
    request.strataPath = path;
    request.reference = reference;
    return request;
}

// E derived by hand from the fixture:
//   region A (unit 1): s1 O 2 P 100, s2 O 1 P 50
//   region B (unit 1): s1 O 0 P 100, s2 O 3 P 150
//   region C (unit 2): s1 O 4 P 200, s2 O 0 P 0
TEST(ExpectedInputTest, ExpectedCountsOfEachReference) {
    StandardisationRequest rateFile = fromStrata(dataFile(THREE_REGIONS), ReferenceRates::rateFile);
    rateFile.rateFilePath = dataFile("standardisation/rates_per_1000.txt");
    rateFile.ratePer = 1000.0;
    const struct {
        const char* name;
        StandardisationRequest request;
        double a, b, c;
    } cases[] = {
        // unit 1: s1 2/200, s2 4/200; unit 2: s1 4/200, s2 has no population.
        {"unit", fromStrata(dataFile(THREE_REGIONS)), 100 * 0.01 + 50 * 0.02,
         100 * 0.01 + 150 * 0.02, 200 * 0.02},
        // every region: s1 6/400, s2 4/200.
        {"all", fromStrata(dataFile(THREE_REGIONS), ReferenceRates::all), 100 * 0.015 + 50 * 0.02,
         100 * 0.015 + 150 * 0.02, 200 * 0.015},
        // s1 10 and s2 30 per 1000.
        {"rate file", rateFile, 100 * 0.01 + 50 * 0.03, 100 * 0.01 + 150 * 0.03, 200 * 0.01},
    };
    for (const auto& c : cases) {
        const Computed computed = compute(c.request);
        ASSERT_EQ(computed.result, 0) << c.name;
        const ExpectedCounts& counts = computed.input.counts;
        ASSERT_EQ(counts.regions.size(), 3u) << c.name;
        const double expected[] = {c.a, c.b, c.c};
        const char* const codes[] = {"A", "B", "C"};
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(counts.regions[r].code, codes[r]) << c.name;
            EXPECT_DOUBLE_EQ(counts.regions[r].expected, expected[r]) << c.name << " " << r;
        }
        EXPECT_EQ(counts.regions[0].observed, 3);
        EXPECT_EQ(counts.regions[1].observed, 3);
        EXPECT_EQ(counts.regions[2].observed, 4);
        EXPECT_EQ(counts.units, 2);
        EXPECT_EQ(counts.strata, 2u);
        EXPECT_EQ(counts.totalObserved, 10.0);
        EXPECT_TRUE(counts.balanced) << c.name;
    }
}

TEST(ExpectedInputTest, InternalStandardisationBalancesObservedAndExpected) {
    // The example: 15 regions in 3 units, 36 strata each.
    for (const ReferenceRates reference : {ReferenceRates::unit, ReferenceRates::all}) {
        const Computed computed =
            compute(fromStrata(std::string(TOLVEN_EXAMPLES) + "/strata.txt", reference));
        ASSERT_EQ(computed.result, 0);
        const ExpectedCounts& counts = computed.input.counts;
        EXPECT_EQ(counts.regions.size(), 15u);
        EXPECT_EQ(counts.strata, 36u);
        EXPECT_NEAR(counts.totalExpected, counts.totalObserved, 1e-9 * counts.totalObserved);
        EXPECT_TRUE(counts.balanced);
        double unitObserved = 0.0, unitExpected = 0.0;
        for (const ExpectedRegion& region : counts.regions) {
            if (region.unit != 2) continue;
            unitObserved += region.observed;
            unitExpected += region.expected;
        }
        if (reference == ReferenceRates::unit) {
            EXPECT_NEAR(unitExpected, unitObserved, 1e-9 * unitObserved);
        }
    }
    // Cases in a stratum without population have no reference rate: the
    // check says which unit does not balance.
    test::TempDir dir;
    test::writeFile(dir.file("s.txt"), "1 A s1 2 10\n2 B s1 2 10\n2 B s2 1 0\n");
    const Computed unbalanced = compute(fromStrata(dir.file("s.txt")));
    ASSERT_EQ(unbalanced.result, 0);
    EXPECT_FALSE(unbalanced.input.counts.balanced);
    EXPECT_EQ(unbalanced.input.counts.unbalancedUnit, 2);
    EXPECT_NE(
        unbalanced.input.summary.find("グループ番号 2 で観測数の合計と期待数の合計が一致しません"),
        std::string::npos);
}

TEST(ExpectedInputTest, TableAndSummaryText) {
    const Computed computed = compute(fromStrata(dataFile(THREE_REGIONS), ReferenceRates::all));
    ASSERT_EQ(computed.result, 0);
    EXPECT_EQ(computed.input.text, "1\tA\t3\t2.5\n1\tB\t3\t4.5\n2\tC\t4\t3\n");
    EXPECT_EQ(
        computed.input.summary,
        "グループ数 : 2\n地域数 : 3\n層の数 : 2\n観測数の合計 : 10\n期待数の合計 : 10.000000\n"
        "確認 : 全体で観測数の合計と期待数の合計が一致します\n");

    // E is written in the fewest digits that read back as the same double.
    ExpectedCounts counts;
    counts.regions = {{7, "X", 0, 0.1 + 0.2}, {7, "Y", 1, 1e-7}, {8, "Z", 2, 1234567.0}};
    EXPECT_EQ(expectedInputText(counts),
              "7\tX\t0\t0.30000000000000004\n7\tY\t1\t0.0000001\n8\tZ\t2\t1234567\n");
}

TEST(ExpectedInputTest, RefusalsNameTheLineAndWhatIsWrong) {
    const std::string strata = "Error!! : 層別ファイル\n";
    const std::string rates = "Error!! : 基準率ファイル\n";
    const struct {
        const char* name;
        std::string strataText;
        std::string rateText;  // empty: internal standardisation
        std::string message;
    } cases[] = {
        {"fewer than five fields", "1 A s1 2 10\n1 A s2 2\n", "",
         "ERROR!! : 層別ファイル\nデータが足りません : 2行目"},
        {"empty line", "1 A s1 2 10\n\n", "", "ERROR!! : 層別ファイル\nデータが足りません : 2行目"},
        {"unit 0", "0 A s1 2 10\n", "", strata + "グループ番号が自然数ではありません : 1行目"},
        {"no whole-file mark", "-1 A s1 2 10\n", "",
         strata + "グループ番号が自然数ではありません : 1行目"},
        {"observed with a point", "1 A s1 2.0 10\n", "",
         strata + "観測数が0以上の整数ではありません : 1行目"},
        {"negative observed", "1 A s1 -2 10\n", "",
         strata + "観測数が0以上の整数ではありません : 1行目"},
        {"negative population", "1 A s1 2 10\n1 A s2 2 -5\n", "",
         strata + "人口が0以上の実数ではありません : 2行目"},
        {"population with an exponent", "1 A s1 2 1e3\n", "",
         strata + "人口が0以上の実数ではありません : 1行目"},
        {"population out of range", "1 A s1 2 1" + std::string(400, '0') + "\n", "",
         strata + "人口が0以上の実数ではありません : 1行目"},
        {"observed sum beyond int",
         "1 A s1 " + std::to_string(INT_MAX) + " 10\n1 B s1 1 10\n1 A s2 1 10\n", "",
         strata + "地域の観測数の合計が大きすぎます : 3行目"},
        {"stratum twice in a region, lines apart",
         "1 A s1 2 10\n1 B s1 2 10\n1 A s2 2 10\n1 A s1 1 10\n", "",
         strata + "層 s1 が同じ地域に2度あります : 4行目"},
        {"the same code in another unit is another region",
         "1 A s1 2 10\n2 A s1 2 10\n1 A s1 0 1\n", "",
         strata + "層 s1 が同じ地域に2度あります : 3行目"},
        {"a repeat before a bad line comes first", "1 A s1 2 10\n1 A s1 2 10\n1 A s2 x 10\n", "",
         strata + "層 s1 が同じ地域に2度あります : 2行目"},
        {"a bad line before a repeat comes first", "1 A s1 2 10\n1 A s2 x 10\n1 A s1 2 10\n", "",
         strata + "観測数が0以上の整数ではありません : 2行目"},
        {"no expected count", "1 A s1 2 10\n1 B s2 0 10\n", "",
         strata + "期待数が0になります : グループ番号 1 地域 B"},
        {"missing rate, the first named", "1 A s1 2 10\n1 A s3 2 10\n1 A s4 1 1\n", "s1 1\ns2 1\n",
         rates + "層 s3 の基準率がありません"},
        {"rate file line without a rate", "1 A s1 2 10\n", "s1 1\ns2\n",
         "ERROR!! : 基準率ファイル\nデータが足りません : 2行目"},
        {"negative rate", "1 A s1 2 10\n", "s1 -1\n",
         rates + "基準率が0以上の実数ではありません : 1行目"},
        {"rate given twice", "1 A s1 2 10\n", "s1 1\ns1 2\n",
         rates + "層 s1 が2度あります : 2行目"},
        {"zero rates", "1 A s1 2 10\n", "s1 0\n",
         strata + "期待数が0になります : グループ番号 1 地域 A"},
        {"expected count beyond a double", "1 A s1 2 1" + std::string(300, '0') + "\n",
         "s1 1" + std::string(300, '0') + "\n",
         strata + "期待数が有限の値になりません : グループ番号 1 地域 A"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeFile(dir.file("strata.txt"), c.strataText);
        StandardisationRequest request = fromStrata(dir.file("strata.txt"));
        if (!c.rateText.empty()) {
            test::writeFile(dir.file("rates.txt"), c.rateText);
            request.reference = ReferenceRates::rateFile;
            request.rateFilePath = dir.file("rates.txt");
        }
        const Computed computed = compute(request);
        EXPECT_EQ(computed.result, 1) << c.name;
        EXPECT_EQ(computed.messages, std::vector<std::string>{c.message}) << c.name;
    }
    const Computed missing = compute(fromStrata("/no/such/strata.txt"));
    EXPECT_EQ(missing.messages,
              std::vector<std::string>{"ERROR!! : 層別ファイル\n/no/such/strata.txt を開けません"});
}

}  // namespace
}  // namespace tolven

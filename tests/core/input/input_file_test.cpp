#include "core/input/input_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace tolven {
namespace {

using namespace std::string_literals;

const std::string CANNOT_OPEN = "ERROR!! : 入力ファイル\n";
const std::string MISSING = "ERROR!! : 入力ファイル\nデータが足りません : ";
const std::string BAD_UNIT = "Error!! : 入力ファイル\nグループ番号が自然数ではありません : ";
const std::string BAD_DATA1 = "Error!! : 入力ファイル\nデータ１が0以上の整数ではありません : ";
const std::string BAD_DATA2 = "Error!! : 入力ファイル\nデータ２が正の実数ではありません : ";

struct Row {
    int unit;
    std::string code;
    int observed;
    double expected;
};

struct Outcome {
    int result = -1;
    int wholeFileMode = -1;
    std::vector<std::string> messages;
    InputTable table;
};

Outcome readPath(const std::string& path) {
    test::RecordedMessages recorded;
    Outcome outcome;
    outcome.result = readInputFile(path, outcome.table, outcome.wholeFileMode, recorded);
    outcome.messages = recorded.shown;
    return outcome;
}

Outcome readBytes(const std::string& bytes) {
    test::TempDir dir;
    const std::string path = dir.file("input.txt");
    test::writeFile(path, bytes);
    return readPath(path);
}

void expectRows(const Outcome& got, const std::vector<Row>& rows) {
    ASSERT_EQ(got.table.rowCount, static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        SCOPED_TRACE("row " + std::to_string(n));
        EXPECT_EQ(got.table.unit[n], rows[i].unit);
        EXPECT_EQ(got.table.code[n], rows[i].code);
        EXPECT_EQ(got.table.observed[n], rows[i].observed);
        EXPECT_EQ(got.table.expected[n], rows[i].expected);
    }
}

struct Case {
    Case(const char* name, std::string bytes, std::string message, std::vector<Row> rows = {},
         int wholeFileMode = 0, const char* fixture = nullptr)
        : name(name),
          bytes(std::move(bytes)),
          message(std::move(message)),
          rows(std::move(rows)),
          wholeFileMode(wholeFileMode),
          fixture(fixture) {}

    const char* name;
    std::string bytes;      // the file's content, unless `fixture` names one
    std::string message;    // empty: the file is accepted
    std::vector<Row> rows;  // on success, every row
    int wholeFileMode;
    const char* fixture;
};

const std::string Big400Digits(400, '9');
const std::string Tiny = "0." + std::string(400, '0') + "1";

TEST(ReadInputFile, AcceptsOrRefusesEachLineAsTheFormatRequires) {
    const std::vector<Case> cases = {
        {"empty file", "", "", {}},
        {"Ctrl-Z as the first byte",
         "\x1A"
         "1 A 1 1\n",
         "",
         {}},
        {"one line", "1 A 1 1\n", "", {{1, "A", 1, 1.0}}},
        {"no final line end",
         "",
         "",
         {{2, "A01", 3, 2.5}, {2, "A02", 0, 1.25}},
         0,
         "input/no_final_line_end.txt"},
        {"five columns, mixed tabs and spaces",
         "",
         "",
         {{3, "A01", 5, 2.5}, {3, "A02", 0, 0.5}},
         0,
         "input/five_columns_mixed_blanks.txt"},
        {"every white space byte separates", "\v1\f\rA\r\t2\v3.5\f\r\n", "", {{1, "A", 2, 3.5}}},
        {"CR-LF line ends", "1 A 1 1\r\n2 B 2 2\r\n", "", {{1, "A", 1, 1.0}, {2, "B", 2, 2.0}}},
        {"Ctrl-Z ends the file",
         "1 A 1 1\n\x1A"
         "garbage\n\n",
         "",
         {{1, "A", 1, 1.0}}},
        {"Ctrl-Z ends the last line",
         "1 A 1 1\x1A"
         "5\n",
         "",
         {{1, "A", 1, 1.0}}},
        {"Shift-JIS and invalid multibyte codes copied unchanged",
         "",
         "",
         {{1, "\x96\x6b\x8a\x43\x93\xb9", 12, 10.5},
          {1, "\x95\x5c\x90\xc2\x90\x58", 3, 4.25},
          {2, "\xff\x80\x82", 0, 7.0}},
         0,
         "input/shift_jis_codes_crlf_ctrl_z.txt"},
        {"leading zeros", "007 A 000 0012.50\n", "", {{7, "A", 0, 12.5}}},
        {"largest integers",
         "2147483647 A 2147483647 1\n",
         "",
         {{2147483647, "A", 2147483647, 1.0}}},
        {"Data2 forms",
         "1 A 1 .5\n1 B 1 5.\n1 C 1 1.5.2\n",
         "",
         {{1, "A", 1, 0.5}, {1, "B", 1, 5.0}, {1, "C", 1, 1.5}}},

        {"whole-file mode", "-1 A 1 1\n5 B 2 2\n", "", {{-1, "A", 1, 1.0}, {5, "B", 2, 2.0}}, 1},
        {"whole-file mark read by the standard conversion",
         "-01 A 1 1\n",
         "",
         {{-1, "A", 1, 1.0}},
         1},
        {"whole-file mark with a tail", "-1abc A 1 1\n", "", {{-1, "A", 1, 1.0}}, 1},
        {"-1 on line 2 of a whole file", "-1 A 1 1\n-1 B 1 1\n", BAD_UNIT + "2行目"},
        {"-1 on line 2 only", "1 A 1 1\n-1 B 1 1\n", BAD_UNIT + "2行目"},
        {"-2 on line 1", "-2 A 1 1\n", BAD_UNIT + "1行目"},
        {"a huge negative never wraps to -1", "-4294967297 A 1 1\n", BAD_UNIT + "1行目"},

        {"header line", "", BAD_UNIT + "1行目", {}, 0, "input/header_line.txt"},
        {"empty line in the middle", "1 A 1 1\n\n1 B 1 1\n", MISSING + "2行目"},
        {"second line end at the end",
         "",
         MISSING + "3行目",
         {},
         0,
         "input/second_line_end_at_end.txt"},
        {"white space only", "1 A 1 1\n \t\r\n", MISSING + "2行目"},
        {"three fields", "1 A 1\n", MISSING + "1行目"},
        {"missing data checked before the unit", "x A 1\n", MISSING + "1行目"},
        {"unit 0", "0 A 1 1\n", BAD_UNIT + "1行目"},
        {"unit 000", "1 A 1 1\n000 A 1 1\n", BAD_UNIT + "2行目"},
        {"unit +3", "+3 A 1 1\n", BAD_UNIT + "1行目"},
        {"unit 3.0", "3.0 A 1 1\n", BAD_UNIT + "1行目"},
        {"unit beyond 32 bits", "2147483648 A 1 1\n", BAD_UNIT + "1行目"},
        {"unit checked before Data1", "x A y z\n", BAD_UNIT + "1行目"},
        {"Data1 2.0", "1 A 2.0 1\n", BAD_DATA1 + "1行目"},
        {"Data1 -1", "1 A -1 1\n", BAD_DATA1 + "1行目"},
        {"Data1 beyond 32 bits", "1 A 2147483648 1\n", BAD_DATA1 + "1行目"},
        {"Data1 full-width digit", "1 A \x82\x50 1\n", BAD_DATA1 + "1行目"},
        {"Data1 checked before Data2", "1 A y z\n", BAD_DATA1 + "1行目"},
        {"Data2 1e3", "1 A 1 1e3\n", BAD_DATA2 + "1行目"},
        {"Data2 -2", "1 A 1 -2\n", BAD_DATA2 + "1行目"},
        {"Data2 +2", "1 A 1 +2\n", BAD_DATA2 + "1行目"},
        {"Data2 1,5", "1 A 1 1,5\n", BAD_DATA2 + "1行目"},
        {"Data2 0", "1 A 1 0\n", BAD_DATA2 + "1行目"},
        {"Data2 0.0", "1 A 1 0.0\n", BAD_DATA2 + "1行目"},
        {"Data2 a single point", "1 A 1 .\n", BAD_DATA2 + "1行目"},
        {"Data2 too large for a double", "1 A 1 " + Big400Digits + "\n", BAD_DATA2 + "1行目"},
        {"Data2 too small for a double", "1 A 1 " + Tiny + "\n", BAD_DATA2 + "1行目"},

        {"NUL after the fourth field ends the line",
         "1 A 1 1\0 junk\n2 B 2 2\n"s,
         "",
         {{1, "A", 1, 1.0}, {2, "B", 2, 2.0}}},
        {"NUL ends Data2 early",
         "1 A 1 2.5\0"
         "99\n"s,
         "",
         {{1, "A", 1, 2.5}}},
        {"NUL inside the code cuts the line", "1 A\0B 1 1\n"s, MISSING + "1行目"},
        {"NUL keeps the line numbers", "1 A 1 1\n\0\n"s, MISSING + "2行目"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome got = c.fixture ? readPath(test::dataFile(c.fixture)) : readBytes(c.bytes);
        if (c.message.empty()) {
            EXPECT_EQ(got.result, 0);
            EXPECT_TRUE(got.messages.empty());
            EXPECT_EQ(got.wholeFileMode, c.wholeFileMode);
            expectRows(got, c.rows);
        } else {
            EXPECT_EQ(got.result, 1);
            EXPECT_EQ(got.messages, std::vector<std::string>{c.message});
        }
    }
}

TEST(ReadInputFile, StoresTheCodeBeforeTheLaterChecksFail) {
    const Outcome got = readBytes("1 A 1 1\n2 B x 1\n");
    EXPECT_EQ(got.result, 1);
    EXPECT_EQ(got.table.code[2], "B");
    EXPECT_EQ(got.table.unit[2], 2);
}

TEST(ReadInputFile, GrowsPastFourThousandRowsAndLongCodes) {
    std::string bytes;
    for (int n = 1; n <= 5000; ++n)
        bytes += std::to_string(n % 7 + 1) + " C" + std::to_string(n) + " " + std::to_string(n) +
                 " 1.5\n";
    const std::string longCode(300, 'k');
    bytes += "9 " + longCode + " 0 2\n";
    const Outcome got = readBytes(bytes);
    ASSERT_EQ(got.result, 0);
    ASSERT_EQ(got.table.rowCount, 5001);
    EXPECT_EQ(got.table.code[4001], "C4001");
    EXPECT_EQ(got.table.observed[5000], 5000);
    EXPECT_EQ(got.table.code[5001], longCode);
}

TEST(ReadInputFile, ReadsALongLineWholeAndCountsItOnce) {
    const std::string fifth(10000, 'z');
    const Outcome got = readBytes("1 A 1 1 " + fifth + "\n2 B x 1\n");
    EXPECT_EQ(got.messages, std::vector<std::string>{BAD_DATA1 + "2行目"});
    EXPECT_EQ(got.table.code[1], "A");
}

TEST(ReadInputFile, RefusesWhatCannotBeOpenedOrRead) {
    test::TempDir dir;
    test::writeFile(dir.file("exists.txt"), "1 A 1 1\n");
    const std::string nulInside = dir.file("exists.txt") + "\0x"s;
    for (const std::string& path :
         {dir.file("missing.txt"), std::string(), dir.path().string(), nulInside}) {
        SCOPED_TRACE(path);
        const Outcome got = readPath(path);
        EXPECT_EQ(got.result, 1);
        EXPECT_EQ(got.messages,
                  std::vector<std::string>{CANNOT_OPEN + path.c_str() + " を開けません"});
    }
}

int openFileCount() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<int>(std::distance(begin(fds), end(fds)));
}

TEST(ReadInputFile, ClosesTheFileOnEveryWayOut) {
    const int before = openFileCount();
    readBytes("1 A 1 1\n");
    readBytes("1 A 1 x\n");
    readBytes("1 A\n");
    EXPECT_EQ(openFileCount(), before);
}

// Arbitrary bytes never crash the reader, and it always either accepts the
// file silently or refuses it with exactly one message.
TEST(ReadInputFile, SurvivesArbitraryBytes) {
    const std::string alphabet =
        "0123456789.-+ \t\n\r\x1A"
        "A\x82\xff"s +
        '\0';
    std::mt19937 random(20240601);
    for (int trial = 0; trial < 500; ++trial) {
        std::string bytes(random() % 300, ' ');
        for (char& c : bytes) c = alphabet[random() % alphabet.size()];
        const Outcome got = readBytes(bytes);
        ASSERT_EQ(got.messages.size(), got.result == 0 ? 0u : 1u) << trial;
        for (int n = 1; got.result == 0 && n <= got.table.rowCount; ++n) {
            EXPECT_TRUE(got.table.unit[n] >= 1 || (n == 1 && got.wholeFileMode == 1));
            EXPECT_GE(got.table.observed[n], 0);
            EXPECT_GT(got.table.expected[n], 0.0);
        }
    }
}

}  // namespace
}  // namespace tolven

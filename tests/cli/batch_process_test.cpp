#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;
using test::readFile;

// The shell form of one argument.
std::string shellWord(const std::string& text) {
    std::string result = "'";
    for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

class BatchProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        input = dir.file("area.txt");
        std::filesystem::copy_file(dataFile("run/one_region_unit_first.txt"), input);
    }

    // Runs tolven-batch with `arguments` (already quoted); returns its exit status.
    int batch(const std::string& arguments) {
        const std::string command = shellWord(TOLVEN_BATCH_PATH) + " " + arguments + " >" +
                                    shellWord(dir.file("stdout")) + " 2>" +
                                    shellWord(dir.file("stderr"));
        const int status = std::system(command.c_str());
        stdoutText = readFile(dir.file("stdout"));
        stderrText = readFile(dir.file("stderr"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::TempDir dir;
    std::string input;
    std::string stdoutText;
    std::string stderrText;
};

TEST_F(BatchProcessTest, WritesBothFilesBesideTheInput) {
    EXPECT_EQ(batch(shellWord(input)), 0) << stderrText;
    EXPECT_EQ(stderrText, "");
    EXPECT_EQ(readFile(dir.file("areaout.txt")),
              readFile(dataFile("run/one_region_unit_first_out.txt")));
    EXPECT_EQ(readFile(dir.file("areaout.log")),
              readFile(dataFile("run/one_region_unit_first.log")));
}

TEST_F(BatchProcessTest, ExplicitPathsAndCsv) {
    const std::string output = dir.file("result.csv");
    const std::string log = dir.file("run.log");
    EXPECT_EQ(batch("--csv -o " + shellWord(output) + " --log " + shellWord(log) + " " +
                    shellWord(input)),
              0);
    EXPECT_EQ(readFile(output), readFile(dataFile("run/one_region_unit_first_out.csv")));
    EXPECT_EQ(readFile(log), readFile(dataFile("run/one_region_unit_first.log")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("areaout.csv")));
}

TEST_F(BatchProcessTest, AFailedRunExitsWithOneAndItsMessage) {
    test::writeFile(input, "1 a 1 1.0\n1 b x 1.0\n");
    EXPECT_EQ(batch(shellWord(input)), 1);
    EXPECT_EQ(stderrText, "Error!! : 入力ファイル\nデータ１が0以上の整数ではありません : 2行目\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("areaout.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("areaout.log")));

    if (std::filesystem::exists("/dev/full")) {
        std::filesystem::copy_file(dataFile("run/one_region_unit_first.txt"), input,
                                   std::filesystem::copy_options::overwrite_existing);
        EXPECT_EQ(batch("-o /dev/full " + shellWord(input)), 1);
        EXPECT_EQ(stderrText, "ERROR!! : 出力ファイル\n/dev/full に書き込めません\n");
    }
}

TEST_F(BatchProcessTest, UsageErrorsExitWithTwoAndWriteNothing) {
    EXPECT_EQ(batch(""), 2);
    EXPECT_NE(stderrText.find("INPUT"), std::string::npos);
    EXPECT_EQ(batch("--no-such-option " + shellWord(input)), 2);
    EXPECT_EQ(batch("--max-iterations 0 " + shellWord(input)), 2);
    EXPECT_EQ(stderrText, "ERROR!! : 最大反復回数\n自然数を入力して下さい\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("areaout.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("areaout.log")));
}

TEST_F(BatchProcessTest, HelpAndVersionExitWithZero) {
    EXPECT_EQ(batch("--help"), 0);
    EXPECT_NE(stdoutText.find("--max-iterations"), std::string::npos);
    EXPECT_EQ(batch("--version"), 0);
    EXPECT_EQ(stdoutText, "tolven-batch 2.1.0\n");
}

}  // namespace
}  // namespace tolven

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

// No temporary of a run is left in the test's folder.
void expectNoTemporaries(const test::TempDir& dir) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tolven-"), std::string::npos)
            << entry.path();
    }
}

// Starts tolven-batch with `arguments`; the child's id, or -1 when it could not start.
pid_t spawnBatch(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(TOLVEN_BATCH_PATH)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, TOLVEN_BATCH_PATH, nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return child;
}

// Waits for `child` to end: its exit status, or -1 when it did not exit.
int exitStatusOf(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
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

// A run that a signal stops half-way leaves the old log as it was, removes
// its temporary file and exits with 128 + the signal. The table goes to a
// pipe that is not read, so the run is sure to be half-way (blocked writing
// the table, its log complete in a temporary file) when the signal comes.
TEST_F(BatchProcessTest, ASignalHalfWayLeavesTheOldLogAndExitsWith128PlusIt) {
    for (const int signal :
         {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF}) {
        SCOPED_TRACE(signal);
        const std::string table = dir.file("table.fifo");
        const std::string log = dir.file("run.log");
        std::filesystem::remove(table);
        ASSERT_EQ(::mkfifo(table.c_str(), 0600), 0);
        test::writeFile(log, "old log\n");
        const pid_t child =
            spawnBatch({"-o", table, "-l", log, dataFile("run/three_hundred_shuffled_units.txt")});
        ASSERT_GT(child, 0);
        // Opening the pipe waits for the run to open it; nothing is read.
        const int reader = ::open(table.c_str(), O_RDONLY);
        ASSERT_GE(reader, 0);
        // The table is far larger than a pipe holds: once the pipe stops
        // filling, the run is blocked in the middle of it.
        int queued = -1;
        for (int waited = 0; waited < 600; ++waited) {
            int now = 0;
            ::ioctl(reader, FIONREAD, &now);
            if (now > 0 && now == queued) break;
            queued = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_GT(queued, 0);
        ::kill(child, signal);
        EXPECT_EQ(exitStatusOf(child), 128 + signal);
        ::close(reader);
        EXPECT_EQ(readFile(log), "old log\n");
        expectNoTemporaries(dir);
    }
}

// A closed pipe and a file-size limit fail the write: the run says which file
// it cannot write and exits with 1, the old log as it was.
TEST_F(BatchProcessTest, AClosedPipeOrAFileSizeLimitIsAFileThatCannotBeWritten) {
    const std::string bigInput = shellWord(dataFile("run/three_hundred_shuffled_units.txt"));
    const std::string log = dir.file("run.log");
    const std::string status = dir.file("status");
    struct Case {
        const char* name;
        std::string command;
        const char* message;
    };
    const Case cases[] = {
        {"closed pipe",
         "{ " + shellWord(TOLVEN_BATCH_PATH) + " -o /dev/stdout -l " + shellWord(log) + " " +
             bigInput + " 2>" + shellWord(dir.file("stderr")) + "; echo $? >" + shellWord(status) +
             "; } | head -c 10 >/dev/null",
         "ERROR!! : 出力ファイル\n/dev/stdout に書き込めません\n"},
        {"file-size limit",
         "ulimit -f 8; " + shellWord(TOLVEN_BATCH_PATH) + " -o " + shellWord(dir.file("t.txt")) +
             " -l " + shellWord(log) + " " + bigInput + " 2>" + shellWord(dir.file("stderr")) +
             "; echo $? >" + shellWord(status),
         "に書き込めません\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(log, "old log\n");
        (void)std::system(c.command.c_str());
        EXPECT_EQ(readFile(status), "1\n");
        const std::string message = readFile(dir.file("stderr"));
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(readFile(log), "old log\n");
        EXPECT_FALSE(std::filesystem::exists(dir.file("t.txt")));
        expectNoTemporaries(dir);
    }
}

// A stop while a named pipe waits for its other end is a stop like any other.
TEST_F(BatchProcessTest, AStopWhileOpeningANamedPipeExitsWith128PlusIt) {
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string log = dir.file("run.log");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int signal;
    };
    const Case cases[] = {
        {"output", {"-o", fifo, "-l", log, input}, SIGINT},
        {"input", {"-o", dir.file("t.txt"), "-l", log, fifo}, SIGTERM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const pid_t child = spawnBatch(c.arguments);
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(child, c.signal);
        EXPECT_EQ(exitStatusOf(child), 128 + c.signal);
        EXPECT_FALSE(std::filesystem::exists(log));
        expectNoTemporaries(dir);
    }
}

// Threads the system refuses (a process limit for the user) end the run with
// a message and exit 1, not an abort that leaves the temporaries behind. Run
// as nobody, since root is not bound by the limit.
TEST_F(BatchProcessTest, ThreadsTheSystemRefusesEndTheRunWithAMessage) {
    const std::filesystem::path folder = dir.path() / "shared";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string bigInput = dataFile("run/three_hundred_shuffled_units.txt");
    const std::string table = (folder / "t.txt").string();
    const std::string log = (folder / "run.log").string();
    const std::string errors = (folder / "stderr").string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        const rlimit few{4, 4};
        if (::setrlimit(RLIMIT_NPROC, &few) != 0) ::_exit(101);
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || ::dup2(err, STDERR_FILENO) < 0) ::_exit(102);
        ::execl(TOLVEN_BATCH_PATH, TOLVEN_BATCH_PATH, "--threads", "64", "-o", table.c_str(), "-l",
                log.c_str(), bigInput.c_str(), static_cast<char*>(nullptr));
        ::_exit(103);
    }
    EXPECT_EQ(exitStatusOf(child), 1);
    EXPECT_NE(readFile(errors).find("refused the run's threads"), std::string::npos)
        << readFile(errors);
    EXPECT_FALSE(std::filesystem::exists(table));
    EXPECT_FALSE(std::filesystem::exists(log));
    expectNoTemporaries(dir);
}

TEST_F(BatchProcessTest, StrataGiveTheInputThatTheRunEstimates) {
    const std::string strata = dir.file("strata.txt");
    std::filesystem::copy_file(dataFile("standardisation/three_regions_crlf_ctrl_z.txt"), strata);
    const std::string written = dir.file("expected.txt");
    EXPECT_EQ(batch("--strata " + shellWord(strata) + " --reference all --write-input " +
                    shellWord(written)),
              0)
        << stderrText;
    EXPECT_EQ(stderrText, "");
    EXPECT_EQ(readFile(written), "1\tA\t3\t2.5\n1\tB\t3\t4.5\n2\tC\t4\t3\n");
    EXPECT_NE(stdoutText.find("期待数の合計 : 10.000000\n"), std::string::npos) << stdoutText;
    // The outputs are named after the written input, and are what a run on it writes.
    const std::string table = readFile(dir.file("expectedout.txt"));
    const std::string log = readFile(dir.file("expectedout.log"));
    EXPECT_EQ(batch("-o " + shellWord(dir.file("t.txt")) + " -l " + shellWord(dir.file("t.log")) +
                    " " + shellWord(written)),
              0);
    EXPECT_EQ(table, readFile(dir.file("t.txt")));
    EXPECT_EQ(log, readFile(dir.file("t.log")));

    // Without --write-input only the outputs are written, named after the strata file.
    EXPECT_EQ(batch("--strata " + shellWord(strata) + " --reference all"), 0);
    EXPECT_EQ(readFile(dir.file("strataout.txt")), table);
    EXPECT_EQ(batch("--strata " + shellWord(strata) + " " + shellWord(input)), 2);
}

TEST_F(BatchProcessTest, RefusedStrataWriteNothing) {
    const std::string strata = dir.file("strata.txt");
    const std::string written = dir.file("expected.txt");
    const std::string run = " --write-input " + shellWord(written);
    test::writeFile(strata, "1 A s1 2 10\n1 A s1 1 10\n");
    EXPECT_EQ(batch("--strata " + shellWord(strata) + run), 1);
    EXPECT_EQ(stderrText, "Error!! : 層別ファイル\n層 s1 が同じ地域に2度あります : 2行目\n");
    EXPECT_EQ(stdoutText, "");
    EXPECT_FALSE(std::filesystem::exists(written));
    EXPECT_FALSE(std::filesystem::exists(dir.file("expectedout.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("expectedout.log")));

    // The computed input, the log and the neighbour list may not replace a
    // file the run reads or writes, and a table that cannot be written leaves
    // the old input file as it was.
    test::writeFile(strata, "1 A s1 2 10\n1 B s1 1 10\n");
    const std::string rates = dir.file("rates.txt");
    test::writeFile(rates, "s1 1\n");
    const std::string gal = dir.file("n.gal");
    test::writeFile(gal, "2\nA 1\nB\nB 1\nA\n");
    test::writeFile(written, "old input\n");
    const std::string fromStrata = "--strata " + shellWord(strata);
    const std::string withRates = fromStrata + " --reference " + shellWord(rates);
    const std::string neighbours = " --neighbours " + shellWord(gal) + " --write-neighbours ";
    const struct {
        const char* name;
        std::string arguments;
        std::string message;
        std::string kept;  // a file left as it was
    } refusals[] = {
        {"input over the strata", fromStrata + " --write-input " + shellWord(strata),
         "ERROR!! : 入力ファイル\n" + strata + " は層別ファイルと同じファイルです\n", strata},
        {"log over the rates", withRates + " -l " + shellWord(rates),
         "ERROR!! : ログファイル\n" + rates + " は基準率ファイルと同じファイルです\n", rates},
        {"table that cannot be written", fromStrata + run + " -o /dev/full",
         "ERROR!! : 出力ファイル\n/dev/full に書き込めません\n", written},
        {"neighbours over the rates", withRates + neighbours + shellWord(rates),
         "ERROR!! : 近傍ファイル\n" + rates + " は基準率ファイルと同じファイルです\n", rates},
        {"neighbours over the input", fromStrata + run + neighbours + shellWord(written),
         "ERROR!! : 近傍ファイル\n" + written + " は入力ファイルと同じファイルです\n", written},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.name);
        if (c.arguments.ends_with("/dev/full") && !std::filesystem::exists("/dev/full")) continue;
        const std::string before = readFile(c.kept);
        EXPECT_EQ(batch(c.arguments), 1);
        EXPECT_EQ(stderrText, c.message);
        EXPECT_EQ(readFile(c.kept), before);
        EXPECT_FALSE(std::filesystem::exists(dir.file("expectedout.txt")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("expectedout.log")));
    }
}

}  // namespace
}  // namespace tolven

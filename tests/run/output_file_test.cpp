#include "run/output_file.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/acl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "run/file_probe.h"
#include "run/temporary_files.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

const std::string OLD = "old table\twith\tfields\n";
const std::string NEW = "new table\n";

// The temporaries left in `folder`.
std::vector<std::string> temporariesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tolven-") != std::string::npos) names.push_back(name);
    }
    return names;
}

// The whole life of a successful output; returns the first errno on the way.
int replace(const std::string& path, const std::string& text) {
    OutputFile file(path);
    if (const int error = file.open()) return error;
    std::fputs(text.c_str(), file.stream());
    if (!file.finish()) return EIO;
    return file.commit();
}

class OutputFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(OutputFileTest, NewContentReachesTheFinalFileAndLinksStayLinks) {
    fs::create_directory(dir.path() / "real");
    struct Case {
        const char* name;
        const char* written;                                     // the path given to the output
        const char* reached;                                     // the file that gets the content
        std::vector<std::pair<const char*, const char*>> links;  // link, its target
        bool oldFile;
    };
    const std::vector<Case> cases = {
        {"existing file", "plain.txt", "plain.txt", {}, true},
        {"new file", "fresh.txt", "fresh.txt", {}, false},
        {"link to a file in another folder",
         "link.txt",
         "real/a.txt",
         {{"link.txt", "real/a.txt"}},
         true},
        {"chain of relative links",
         "chain.txt",
         "real/b.txt",
         {{"chain.txt", "real/hop.txt"}, {"real/hop.txt", "b.txt"}},
         true},
        {"dangling link", "dangling.txt", "real/c.txt", {{"dangling.txt", "real/c.txt"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.oldFile) writeFile(dir.file(c.reached), std::string(5000, 'x'));
        for (const auto& [link, target] : c.links) fs::create_symlink(target, dir.path() / link);

        ASSERT_EQ(replace(dir.file(c.written), NEW), 0);
        EXPECT_EQ(readFile(dir.file(c.reached)), NEW);
        for (const auto& [link, target] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir.path() / link)) << link;
        }
        EXPECT_TRUE(temporariesIn(dir.path()).empty());
        EXPECT_TRUE(temporariesIn(dir.path() / "real").empty());
    }
}

TEST_F(OutputFileTest, FailuresLeaveTheOldFileByteForByte) {
    const std::string path = dir.file("out.txt");
    const std::string big(256 * 1024, 'n');
    struct Case {
        const char* name;
        rlim_t sizeLimit;  // RLIM_INFINITY: none
        bool commit;       // reaches commit(), else the file is dropped before it
    };
    const Case cases[] = {
        {"dropped after writing", RLIM_INFINITY, false},
        {"file-size limit", 64 * 1024, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path, OLD);
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto savedSignal = ::signal(SIGXFSZ, SIG_IGN);
        bool finished = false;
        {
            OutputFile file(path);
            ASSERT_EQ(file.open(), 0);
            EXPECT_FALSE(file.writesInPlace());
            rlimit limit = saved;
            limit.rlim_cur = c.sizeLimit;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
            std::fwrite(big.data(), 1, big.size(), file.stream());
            if (c.commit) {
                finished = file.finish();
                EXPECT_EQ(file.commit(), EINVAL);
            }
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
            EXPECT_EQ(readFile(path), OLD);
        }
        ::signal(SIGXFSZ, savedSignal);
        EXPECT_FALSE(finished);
        EXPECT_EQ(readFile(path), OLD);
        EXPECT_TRUE(temporariesIn(dir.path()).empty());
    }
}

// Starts a child that opens `path`, writes half of its content and waits;
// returns its pid once the temporary exists.
pid_t startWriter(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        OutputFile file(path);
        if (file.open() != 0) ::_exit(1);
        std::fputs("half of the new", file.stream());
        std::fflush(file.stream());
        (void)!::write(ready[1], "r", 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char signal = 0;
    const bool started = ::read(ready[0], &signal, 1) == 1;
    ::close(ready[0]);
    return started ? child : -1;
}

void killWriter(pid_t child) {
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

TEST_F(OutputFileTest, AKilledWritersTemporaryIsRemovedByTheNextRunALiveOnesIsNot) {
    const std::string path = dir.file("out.txt");
    writeFile(path, OLD);
    const pid_t killed = startWriter(path);
    ASSERT_GT(killed, 0);
    const std::vector<std::string> stale = temporariesIn(dir.path());
    ASSERT_EQ(stale.size(), 1u);
    killWriter(killed);
    EXPECT_EQ(readFile(path), OLD);
    EXPECT_EQ(temporariesIn(dir.path()), stale);

    const pid_t live = startWriter(path);
    ASSERT_GT(live, 0);
    std::vector<std::string> liveTemporary = temporariesIn(dir.path());
    ASSERT_EQ(liveTemporary.size(), 1u);  // the live writer removed the stale one
    EXPECT_NE(liveTemporary, stale);
    // Another output's temporary is not this output's business.
    writeFile(dir.file(".other.txt.tolven-abcdef"), "x");
    EXPECT_EQ(replace(path, NEW), 0);
    EXPECT_EQ(readFile(path), NEW);
    liveTemporary.push_back(".other.txt.tolven-abcdef");
    std::vector<std::string> left = temporariesIn(dir.path());
    std::sort(left.begin(), left.end());
    std::sort(liveTemporary.begin(), liveTemporary.end());
    EXPECT_EQ(left, liveTemporary);
    killWriter(live);
}

TEST_F(OutputFileTest, AReplacedFileKeepsItsModeAndOwnerANewFileGetsThoseOfAPlainCreate) {
    struct Case {
        const char* name;
        mode_t oldMode;  // 0: no old file
        mode_t umask;
        mode_t expected;
        bool ownedByNobody = false;  // only root may give the new file away
    };
    const Case cases[] = {
        {"private file", 0600, 022, 0600},     {"group-readable file", 0640, 077, 0640},
        {"executable file", 0755, 077, 0755},  {"another user's file", 0640, 022, 0640, true},
        {"new file, umask 022", 0, 022, 0644}, {"new file, umask 027", 0, 027, 0640},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.ownedByNobody && ::geteuid() != 0) continue;
        const std::string path = dir.file(std::string(c.name) + ".txt");
        if (c.oldMode != 0) {
            writeFile(path, OLD);
            ASSERT_EQ(::chmod(path.c_str(), c.oldMode), 0);
            if (c.ownedByNobody) {
                ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
            }
        }
        const mode_t saved = ::umask(c.umask);
        EXPECT_EQ(replace(path, NEW), 0);
        ::umask(saved);
        EXPECT_EQ(readFile(path), NEW);
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, c.expected);
        EXPECT_EQ(status.st_uid, c.ownedByNobody ? 65534 : ::geteuid());
    }
}

// The null device, as a node of its own when the tests run as root: a fault
// that replaced the device by a file must not break the machine's /dev/null.
std::string nullDevice(const test::TempDir& dir) {
    if (::geteuid() != 0) return "/dev/null";
    const std::string node = dir.file("null");
    return ::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0 ? node : "";
}

TEST_F(OutputFileTest, DevicesAndPipesAreWrittenInPlaceAndNeverClash) {
    const std::string device = nullDevice(dir);
    ASSERT_FALSE(device.empty());
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {device, pipe}) {
        SCOPED_TRACE(path);
        std::string received;
        std::thread reader([&] { received = readFile(path); });
        OutputFile log(path);
        ASSERT_EQ(log.open(), 0);
        OutputFile table(path);
        ASSERT_EQ(table.open(), 0);
        EXPECT_TRUE(log.writesInPlace());
        EXPECT_FALSE(log.sameRegularFile(table));
        std::fputs(NEW.c_str(), log.stream());
        EXPECT_TRUE(log.finish());
        EXPECT_EQ(log.commit(), 0);
        table.abandon();
        reader.join();
        EXPECT_EQ(received, path == pipe ? NEW : "");
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_FALSE(S_ISREG(status.st_mode));
    }
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST_F(OutputFileTest, AnOpenDescriptorIsWrittenAsItWasOpened) {
    const std::string path = dir.file("all.txt");
    struct Case {
        const char* name;
        int flags;
        const char* spelling;  // followed by the descriptor's number
    };
    const Case cases[] = {
        {"appending, /proc/self/fd", O_WRONLY | O_APPEND, "/proc/self/fd/"},
        {"appending, /dev/fd", O_WRONLY | O_APPEND, "/dev/fd/"},
        {"at the end, /proc/self/fd", O_WRONLY, "/proc/self/fd/"},
        {"at the end, /dev/fd", O_RDWR, "/dev/fd/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path, "KEEP\n");
        const int fd = ::open(path.c_str(), c.flags);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::lseek(fd, 0, SEEK_END), 5);
        EXPECT_EQ(replace(c.spelling + std::to_string(fd), NEW), 0);
        // The descriptor is still open, its offset moved past the new text.
        EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), static_cast<off_t>(5 + NEW.size()));
        ::close(fd);
        EXPECT_EQ(readFile(path), "KEEP\n" + NEW);
    }
    writeFile(path, OLD);
    const int readOnly = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(readOnly, 0);
    EXPECT_EQ(OutputFile("/proc/self/fd/" + std::to_string(readOnly)).open(), EBADF);
    ::close(readOnly);
    EXPECT_EQ(readFile(path), OLD);
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST_F(OutputFileTest, ClashesAreFoundThroughLinksAndSpellings) {
    fs::create_directory(dir.path() / "d");
    writeFile(dir.file("d/input.txt"), OLD);
    fs::create_symlink("input.txt", dir.path() / "d/link.txt");
    fs::create_hard_link(dir.path() / "d/input.txt", dir.path() / "d/hard.txt");
    struct stat input {};
    ASSERT_EQ(::stat(dir.file("d/input.txt").c_str(), &input), 0);
    struct Case {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"d/input.txt", "d/link.txt", true}, {"d/hard.txt", "d/link.txt", true},
        {"d/new.txt", "d/./new.txt", true},  {"d/new.txt", "d/../d/new.txt", true},
        {"d/new.txt", "d/other.txt", false}, {"d/new.txt", "d/input.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        OutputFile first(dir.file(c.first));
        OutputFile second(dir.file(c.second));
        ASSERT_EQ(first.open(), 0);
        ASSERT_EQ(second.open(), 0);
        EXPECT_EQ(first.sameRegularFile(second), c.same);
        EXPECT_EQ(second.sameRegularFile(first), c.same);
        const bool firstIsInput = std::string(c.first) != "d/new.txt";
        EXPECT_EQ(first.sameRegularFile(input), firstIsInput);
    }
    EXPECT_EQ(readFile(dir.file("d/input.txt")), OLD);
    EXPECT_TRUE(temporariesIn(dir.path() / "d").empty());
}

TEST_F(OutputFileTest, RefusedPathsCreateNothing) {
    const std::string folder = dir.path().string();
    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {
        {folder + "/a.txt" + std::string(1, '\0') + "b", EINVAL},
        {folder, EISDIR},
        {folder + "/", EISDIR},
        {folder + "/missing/", EISDIR},
        {folder + "/no/such/folder.txt", ENOENT},
        {"", ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        OutputFile file(c.path);
        EXPECT_EQ(file.open(), c.error);
        EXPECT_EQ(file.stream(), nullptr);
    }
    EXPECT_EQ(probeWritable(cases[0].path), EINVAL);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(OutputFileTest, ASignalHandlerRemovesTheTemporaries) {
    const std::string path = dir.file("out.txt");
    writeFile(path, OLD);
    OutputFile file(path);
    ASSERT_EQ(file.open(), 0);
    std::fputs(NEW.c_str(), file.stream());
    ASSERT_EQ(temporariesIn(dir.path()).size(), 1u);

    const auto saved = ::signal(SIGUSR1, [](int) { removeRegisteredTemporaries(); });
    ::raise(SIGUSR1);
    ::signal(SIGUSR1, saved);
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
    EXPECT_TRUE(file.finish());
    EXPECT_EQ(file.commit(), ENOENT);
    EXPECT_EQ(readFile(path), OLD);
}

int exitStatus(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Runs `check` in a child process without root's power over permissions (as
// nobody when the tests run as root) and returns its exit status.
int runUnprivileged(const std::function<int()>& check) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        ::_exit(check());
    }
    return exitStatus(child);
}

TEST_F(OutputFileTest, PermissionsDecideBetweenInPlaceAndRefusal) {
    // A folder that takes no new file, holding a file anyone may write.
    const fs::path closed = dir.path() / "closed";
    fs::create_directory(closed);
    const std::string writable = (closed / "out.txt").string();
    writeFile(writable, std::string(5000, 'x'));
    ASSERT_EQ(::chmod(writable.c_str(), 0666), 0);
    // A read-only file in a folder that would let a rename replace it.
    const fs::path open = dir.path() / "open";
    fs::create_directory(open);
    const std::string locked = (open / "locked.txt").string();
    writeFile(locked, OLD);
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    // A folder like /tmp, holding a file anyone may write: the writer may not
    // rename over it unless it owns the file or the folder.
    const fs::path sticky = dir.path() / "sticky";
    fs::create_directory(sticky);
    const std::string shared = (sticky / "shared.txt").string();
    writeFile(shared, std::string(5000, 'x'));
    ASSERT_EQ(::chmod(shared.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(sticky.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(closed.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);

    for (const std::string& path : {writable, shared}) {
        SCOPED_TRACE(path);
        // Stopped half-way: the old content is whole.
        EXPECT_EQ(runUnprivileged([&] {
                      OutputFile file(path);
                      if (file.open() != 0 || !file.writesInPlace()) return 1;
                      std::fputs(NEW.c_str(), file.stream());
                      std::fflush(file.stream());
                      file.abandon();
                      return 0;
                  }),
                  0);
        EXPECT_EQ(readFile(path), std::string(5000, 'x'));
        EXPECT_EQ(runUnprivileged([&] {
                      OutputFile file(path);
                      if (file.open() != 0) return 1;
                      std::fputs(NEW.c_str(), file.stream());
                      return file.finish() && file.commit() == 0 ? 0 : 2;
                  }),
                  0);
        EXPECT_EQ(readFile(path), NEW);
    }
    EXPECT_TRUE(temporariesIn(sticky).empty());
    EXPECT_EQ(runUnprivileged([&] { return OutputFile(locked).open() == EACCES ? 0 : 1; }), 0);
    EXPECT_EQ(readFile(locked), OLD);
    EXPECT_TRUE(temporariesIn(closed).empty());
    EXPECT_TRUE(temporariesIn(open).empty());
}

// Writes `text` to both `log` and `table` and commits them as a pair, the
// second rename `pause` milliseconds after the first. Returns 0, or 1.
int commitPair(const std::string& log, const std::string& table, const std::string& text,
               int pause) {
    OutputFile first(log);
    OutputFile second(table);
    if (first.open() != 0 || second.open() != 0) return 1;
    std::fputs(text.c_str(), first.stream());
    std::fputs(text.c_str(), second.stream());
    if (!first.finish() || !second.finish()) return 1;
    pauseBetweenCommitsForTesting(pause);
    const OutputFile* failed = nullptr;
    return commitTogether(first, second, failed) == 0 ? 0 : 1;
}

pid_t startCommit(const std::string& log, const std::string& table, const std::string& text,
                  int pause) {
    const pid_t child = ::fork();
    if (child == 0) {
        // Ends the process as the batch command's stop handlers do.
        ::signal(SIGUSR1, [](int signal) { endProcessOnStop(128 + signal); });
        ::_exit(commitPair(log, table, text, pause));
    }
    return child;
}

bool waitForContent(const std::string& path, const std::string& text) {
    for (int waited = 0; waited < 1000; ++waited) {
        if (readFile(path) == text) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

TEST_F(OutputFileTest, APairIsCommittedWholeDespiteStopsAndOtherRuns) {
    const std::string log = dir.file("run.log");
    const std::string table = dir.file("out.txt");
    struct Case {
        const char* name;
        bool stop;        // else another run commits the same pair meanwhile
        const char* log;  // what the pair holds in the end
        const char* table;
    };
    const Case cases[] = {
        {"a stop after the first rename", true, "first\n", "first\n"},
        {"another run after the first rename", false, "second\n", "second\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(log, OLD);
        writeFile(table, OLD);
        const pid_t first = startCommit(log, table, "first\n", 400);
        ASSERT_GT(first, 0);
        ASSERT_TRUE(waitForContent(log, "first\n"));
        if (c.stop) {
            ::kill(first, SIGUSR1);
            EXPECT_EQ(exitStatus(first), 128 + SIGUSR1);
        } else {
            const pid_t second = startCommit(log, table, "second\n", 0);
            ASSERT_GT(second, 0);
            EXPECT_EQ(exitStatus(first), 0);
            EXPECT_EQ(exitStatus(second), 0);
        }
        EXPECT_EQ(readFile(log), c.log);
        EXPECT_EQ(readFile(table), c.table);
        EXPECT_TRUE(temporariesIn(dir.path()).empty());
    }
}

// An ACL's text in its short form, or "" without one.
std::string aclText(const std::string& path) {
    acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (!acl) return "";
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_ABBREVIATE);
    std::string result = text ? text : "";
    acl_free(text);
    acl_free(acl);
    return result;
}

TEST_F(OutputFileTest, AReplacedFileKeepsItsAclAndAttributesNeverWidened) {
    const fs::path folder = fs::path(TOLVEN_BUILD_FOLDER) / dir.path().filename();
    fs::create_directories(folder);
    struct RemoveFolder {
        fs::path path;
        ~RemoveFolder() { fs::remove_all(path); }
    } removeFolder{folder};
    const std::string probe = (folder / "probe").string();
    writeFile(probe, OLD);
    acl_t probeAcl = acl_from_text("u::rw-,u:65534:r--,g::r--,m::r--,o::---");
    const bool aclsTaken = acl_set_file(probe.c_str(), ACL_TYPE_ACCESS, probeAcl) == 0;
    acl_free(probeAcl);
    if (!aclsTaken || ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) != 0) {
        GTEST_SKIP() << "the build folder's file system takes no ACLs or user attributes";
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    struct Case {
        const char* name;
        const char* acl;
        const char* expected;
        bool unprivileged;  // replaced by nobody, who cannot keep root's group
    };
    const Case cases[] = {
        {"named user", "u::rw-,u:65534:r--,g::r--,m::r--,o::---",
         "u::rw-,u:nobody:r--,g::r--,m::r--,o::---", false},
        {"named group, group cannot be kept", "u::rw-,g::rw-,g:65534:rw-,m::rw-,o::r--",
         "u::rw-,g::r--,g:nogroup:rw-,m::rw-,o::r--", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (folder / "out.txt").string();
        writeFile(path, OLD);
        acl_t acl = acl_from_text(c.acl);
        ASSERT_EQ(acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl), 0);
        acl_free(acl);
        ASSERT_EQ(::setxattr(path.c_str(), "user.origin", "survey", 6, 0), 0);
        const std::string before = aclText(path);
        if (c.unprivileged) {
            EXPECT_EQ(runUnprivileged([&] { return replace(path, NEW); }), 0);
        } else {
            EXPECT_EQ(replace(path, NEW), 0);
        }
        EXPECT_EQ(readFile(path), NEW);
        EXPECT_EQ(aclText(path), c.expected) << "was " << before;
        char value[16] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.origin", value, sizeof value), 6);
        EXPECT_STREQ(value, "survey");
    }
}

}  // namespace
}  // namespace tolven

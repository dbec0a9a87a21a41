#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "run/file_error_text.h"
#include "run/file_probe.h"
#include "run/output_file.h"
#include "tests/support/test_support.h"

namespace tolven::test {
namespace {

TEST(FileErrorText, ErrnoValuesMapOntoTheUsersTexts) {
    const struct {
        int errnum;
        const char* text;
    } cases[] = {
        {ENOENT, "/d/f.txt was not found."},
        {ENOTDIR, "/d/f.txt was not found."},
        {ENAMETOOLONG, "/d/f.txt contains an invalid path."},
        {EINVAL, "/d/f.txt contains an invalid path."},
        {EMFILE, "/d/f.txt could not be opened because there are too many open files."},
        {ENFILE, "/d/f.txt could not be opened because there are too many open files."},
        {EACCES, "Access to /d/f.txt was denied."},
        {EPERM, "Access to /d/f.txt was denied."},
        {EROFS, "Access to /d/f.txt was denied."},
        {EISDIR, "Access to /d/f.txt was denied."},
        {EBADF, "An invalid file handle was associated with /d/f.txt."},
        {ENOSPC, "Disk full while accessing /d/f.txt."},
        {EDQUOT, "Disk full while accessing /d/f.txt."},
        {ETXTBSY, "A sharing violation occurred while accessing /d/f.txt."},
        {EBUSY, "A sharing violation occurred while accessing /d/f.txt."},
        {ENOLCK, "A locking violation occurred while accessing /d/f.txt."},
        {ELOOP, "An unknown error occurred while accessing /d/f.txt."},
        {0, "An unknown error occurred while accessing /d/f.txt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errnum);
        EXPECT_EQ(fileErrorText(fileErrorReason(c.errnum), "/d/f.txt"), c.text);
    }
    EXPECT_EQ(fileErrorText(FileErrorReason::DirectoryFull, "x"),
              "x could not be created because the directory is full.");
    // A "%1" inside the path is part of the name, not a placeholder.
    EXPECT_EQ(fileErrorText(FileErrorReason::NotFound, "/d/%1.txt"), "/d/%1.txt was not found.");
}

TEST(FileProbe, WritableCheckKeepsAnExistingFileAndCreatesAMissingOne) {
    TempDir dir;
    const std::string existing = dir.file("old.txt");
    writeFile(existing, "keep these bytes\r\n");
    EXPECT_EQ(probeWritable(existing), 0);
    EXPECT_EQ(readFile(existing), "keep these bytes\r\n");

    const std::string fresh = dir.file("new.txt");
    EXPECT_EQ(probeWritable(fresh), 0);
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_EQ(std::filesystem::file_size(fresh), 0u);
}

TEST(FileProbe, FailuresReportTheirReason) {
    TempDir dir;
    EXPECT_EQ(probeReadable(dir.file("missing.txt")), ENOENT);
    EXPECT_EQ(probeReadable(dir.file("no/such/folder.txt")), ENOENT);
    EXPECT_EQ(probeWritable(dir.file("no/such/folder.txt")), ENOENT);
    EXPECT_EQ(probeReadable(""), ENOENT);
    // A folder is no file to read or write.
    EXPECT_EQ(probeReadable(dir.path().string()), EISDIR);
    EXPECT_EQ(probeWritable(dir.path().string()), EISDIR);

    const std::string file = dir.file("in.txt");
    writeFile(file, "1 A 1 1.0\n");
    EXPECT_EQ(probeReadable(file), 0);
    EXPECT_EQ(probeWritable(file + "/below"), ENOTDIR);
}

TEST(FileProbe, ReadableCheckDoesNotHangOnAPipeWithoutWriter) {
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(probeReadable(fifo), 0);
}

// Runs `probe` without root's privileges: permission bits do not bind root,
// so as root it runs in a child process that has become "nobody".
int probeUnprivileged(int (*probe)(const std::string&), const std::string& path) {
    if (::geteuid() != 0) return probe(path);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
        ::_exit(probe(path));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileProbe, UnreadableAndUnwritableFilesAreDenied) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const std::string file = dir.file("locked.txt");
    writeFile(file, "x");
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    EXPECT_EQ(probeUnprivileged(probeReadable, file), EACCES);
    EXPECT_EQ(probeUnprivileged(probeWritable, file), EACCES);
    EXPECT_EQ(readFile(file), "x");
}

}  // namespace
}  // namespace tolven::test

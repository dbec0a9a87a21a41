#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

// One output file of a run, replaced atomically where the file system allows.
//
// Where the output goes, decided by open():
// - a regular file, or a name where nothing exists yet: the content is written
//   to a new temporary file ".NAME.tolven-XXXXXX" in the folder of the file
//   that will be replaced, and commit() renames it over that file. For a
//   symbolic link (or a chain of them) that is the folder of the file the
//   last link names, so the link stays a link and its target gets the new
//   content. Until commit() the old file is never touched; a failure, an
//   abandon() or the destructor removes the temporary and leaves the old file
//   byte for byte as it was. A replaced file is a new file: other hard links
//   to the old one keep the old content.
// - a name for one of this process's open descriptors (/dev/stdout,
//   /dev/stderr, /dev/fd/N, /proc/self/fd/N): written through that very
//   descriptor, as whoever opened it opened it (its offset, its append mode);
//   never truncated nor reopened. A descriptor opened for reading only is
//   refused with EBADF.
// - anything else that is not a regular file (a character device such as
//   /dev/null or a terminal, a named pipe, a socket, another process's
//   descriptor): opened in place for writing, without truncation. Opening a
//   named pipe waits for its reader (EINTR when a signal comes first).
// - a regular file that may be written but in whose folder no new file can be
//   made (EACCES, EPERM, EROFS creating the temporary), and one that a rename
//   could not replace (a sticky folder, such as /tmp, where neither the file
//   nor the folder belongs to this user): written in place, but only at
//   commit(). Until then the content goes to an unnamed scratch file in the
//   temporary folder ($TMPDIR, else /tmp); commit() reserves the room, copies
//   it over the old content and cuts the file to its new length. The old
//   file is whole until that copy starts; a SIGKILL, a power cut or a failing
//   disk during the copy leaves it part old, part new.
// A regular file that cannot be opened for writing is refused, even where the
// folder would let a rename replace it: a read-only file stays protected.
//
// A temporary is created unnamed (O_TMPFILE), locked with flock() and only
// then given its name, and the lock is held until it is renamed or removed.
// Opening an output removes the temporaries of the same output that no live
// process holds (left by a run that was killed). Where the file system
// refuses unnamed files, the name comes first and the lock right after it:
// there temporaries younger than STALE_TEMPORARY_SECONDS are left alone,
// since their run may be between the two steps. Temporaries that this user
// cannot open for reading are left alone. See temporary_files.h for removing
// temporaries from a signal handler.
//
// The replacement gets the old file's permission bits (rwx for owner, group
// and others; no set-id or sticky bits), its access control list, its
// extended attributes (those a copy should carry: not the security labels,
// which the system gives every new file) and, where this process may set
// them, its owner and group. When the group cannot be kept, the group bits
// and the ACL's owning-group entry are no wider than what the old file
// granted everyone; named users and groups keep their entries. Where the file
// system refuses an ACL or an attribute the old file had, finish() fails and
// the old file stays. A new file gets what a plain create gives: 0666 less the
// umask, or the folder's default ACL; the temporary is created with that same
// request, so the umask is never read or changed.
//
// Use, for each output, in this order:
//   OutputFile file(path);
//   if (int error = file.open()) ...            // nothing touched yet
//   ... clash checks with sameRegularFile() ...
//   ... write through file.stream() ...
//   if (!file.finish()) ...                     // every write error is seen here
//   if (int error = file.commit()) ...          // the rename; after finish() only
// Several outputs of one run: finish() every one, then commitTogether().
//
// Not thread-safe; one thread uses one OutputFile at a time. POSIX only.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    // Abandons the file unless commit() succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output as described above. Returns 0, or the errno value of
    // the failure, after which nothing has been created or changed. A path with
    // a NUL inside is refused with EINVAL (it would name another file); an
    // empty path or one ending in "/" fails with ENOENT or EISDIR. Call once.
    int open();

    // The path as given to the constructor.
    const std::string& path() const { return path_; }

    // The buffered stream to write to (1 MiB buffer); nullptr before a
    // successful open() and after finish() or abandon().
    std::FILE* stream() const { return stream_; }

    // True when the output will end up in the same regular file as `other`
    // (the stat of another path, e.g. the input). Compares the final file:
    // a symbolic link or a second hard link to `other` counts as the same.
    // False for devices and pipes, which may well be shared.
    bool sameRegularFile(const struct stat& other) const;
    // True when both outputs will end up in the same regular file, including
    // two spellings of one name that does not exist yet.
    bool sameRegularFile(const OutputFile& other) const;

    // True when the output is written in place (device, pipe, descriptor, or
    // a file whose folder takes no new file); false when a temporary replaces
    // the file.
    bool writesInPlace() const { return !temporary_; }

    // Flushes the stream, syncs a regular file to its storage, and closes it.
    // True only when every byte reached the file (for a file written in place
    // at commit(), its scratch file): a write error at any time (a full disk,
    // a file-size limit with SIGXFSZ ignored), a failed sync, a failed close,
    // and an ACL or attribute the new file could not take all give false.
    bool finish();

    // After finish() returned true: renames the temporary over the target and
    // syncs the folder, or copies a prepared in-place file into place. Returns
    // 0, or the errno value of the failure (EBUSY for a file bind-mounted over
    // its name), in which case the temporary is removed and the old file is
    // untouched (an in-place copy that failed after it began leaves the file
    // damaged). Nothing to do for a device, pipe or descriptor (returns 0).
    // Returns EINVAL, doing nothing, when finish() has not succeeded.
    int commit();

    // Closes the stream without checking it and removes the temporary. The old
    // file is untouched. Idempotent.
    void abandon();

private:
    friend int commitTogether(const std::vector<OutputFile*>&, const OutputFile*&);

    int openThroughDescriptor(const std::string& finalPath, bool& handled);
    int openInPlace(int fd);
    int openTemporary(int targetFd);
    int createLockedTemporary(mode_t mode, bool& unnamedFirst);
    int openScratch();
    void removeStaleTemporaries(const std::string& stem, bool allLocked) const;
    int attachStream(int fd);
    int keepOwnerModeAndAttributes(int fd) const;
    int copyIntoPlace();
    void registerForSignals();

    std::string path_;
    std::string folder_;         // folder of the final file, once the links are followed
    std::string name_;           // the final file's name in folder_
    std::string temporaryName_;  // in folder_
    int folderFd_ = -1;          // folder_, held so that a change of working folder is harmless
    int temporaryFd_ = -1;       // the temporary, its flock() held until renamed or removed
    int targetFd_ = -1;          // the old file, opened for writing: attributes, in-place copy
    int scratchFd_ = -1;         // the content of a file written in place at commit()
    int registration_ = -1;      // the temporary's handle in temporary_files.h
    std::FILE* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    bool temporary_ = false;  // writing to temporaryName_, renamed at commit()
    bool regular_ = false;    // the written file is a regular file
    bool targetExists_ = false;
    struct stat target_ {};  // the final file when it exists; else its folder
    bool finished_ = false;  // finish() succeeded
    bool committed_ = false;
};

// How old a temporary must be before another run may remove it as stale,
// where the file system makes no unnamed files (and so a run's temporary has
// a name for a moment before it is locked).
inline constexpr int STALE_TEMPORARY_SECONDS = 60;

// Commits the outputs of one run together, in the order given, after every
// finish() returned true. Exclusive against other processes that commit
// through this function: each output folder that can be opened for reading
// is locked with flock(), in the order of device and inode number, and held
// across all the commits (a folder that cannot be opened for reading is not
// locked, and there the outputs are only as exclusive as separate renames
// are). Waiting for that lock may be stopped by a signal; once the locks are
// held, the stops of temporary_files.h are held until every commit is over,
// so a stop never falls between two of them. Returns 0, or the errno value of
// the failed commit with `failed` pointing at that output; the outputs after
// it are abandoned (those before it stay committed).
int commitTogether(const std::vector<OutputFile*>& files, const OutputFile*& failed);

// The usual pair: the log, then the table.
inline int commitTogether(OutputFile& first, OutputFile& second, const OutputFile*& failed) {
    return commitTogether({&first, &second}, failed);
}

// Writes `bytes` as the whole new content of `path`, as a run writes one
// output: open(), the bytes, finish(), commit(). Everything OutputFile
// promises holds (the old file whole until the new one is complete, links
// followed, permissions, ACLs and attributes kept, a read-only file refused).
// Returns 0, or the errno value of the failure (EIO when the data could not
// be written), the old file then as it was. The editor's save and the plots'
// export write through here.
int writeWholeFile(const std::string& path, std::string_view bytes);

// For tests only: commitTogether() waits this long after its first commit.
void pauseBetweenCommitsForTesting(int milliseconds);

}  // namespace tolven

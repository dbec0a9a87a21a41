#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

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
// - anything else (a character device such as /dev/null or a terminal, a
//   named pipe, a socket) and a file named through an open descriptor
//   (/dev/stdout, /dev/fd/N, /proc/self/fd/N): opened in place for writing,
//   without truncation. Opening a named pipe waits for its reader.
// - a regular file that may be written but in whose folder no new file can be
//   made (EACCES, EPERM, EROFS creating the temporary), and one that a rename
//   could not replace (a sticky folder, such as /tmp, where neither the file
//   nor the folder belongs to this user): opened in place too, without
//   truncation; startWriting() empties it. A failure after that loses its old
//   content, as any in-place write does.
// A regular file that cannot be opened for writing is refused, even where the
// folder would let a rename replace it: a read-only file stays protected.
//
// A process killed while writing (SIGKILL, a power cut) leaves its temporary
// file behind, next to the untouched old file. See temporary_files.h for
// removing temporaries from a signal handler.
//
// The replacement gets the old file's permission bits (rwx for owner, group
// and others; no set-id or sticky bits) and, where this process may set them,
// its owner and group (when the group cannot be kept, the group bits are no
// wider than those of a new file). A new file gets what a plain create gives:
// 0666 less the umask, or the folder's default ACL; the temporary is created
// with that same request, so the umask is never read or changed.
//
// Use, for each output, in this order:
//   OutputFile file(path);
//   if (int error = file.open()) ...            // nothing touched yet
//   ... clash checks with sameRegularFile() ...
//   file.startWriting();                        // in-place files are emptied here
//   ... write through file.stream() ...
//   if (!file.finish()) ...                     // every write error is seen here
//   if (int error = file.commit()) ...          // the rename; after finish() only
// Several outputs of one run: finish() every one, then commit() them in turn;
// two renames are two steps, not one atomic one.
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

    // True when the output is written in place (device, pipe, or a file whose
    // folder takes no new file); false when a temporary replaces the file.
    bool writesInPlace() const { return !temporary_; }

    // Call once before writing: empties a regular file written in place
    // (nothing to do for a temporary or a device). A failure is reported by
    // finish().
    void startWriting();

    // Flushes the stream, syncs a regular file to its storage, and closes it.
    // True only when every byte reached the file: a write error at any time
    // (a full disk, a file-size limit with SIGXFSZ ignored), a failed sync, a
    // failed close and a failed startWriting() all give false.
    bool finish();

    // After finish() returned true: renames the temporary over the target and
    // syncs the folder. Returns 0, or the errno value of the failure (EBUSY for
    // a file bind-mounted over its name), in which case the temporary is
    // removed and the old file is untouched. Nothing to do for an in-place
    // output (returns 0). Returns EINVAL, doing nothing, when finish() has not
    // succeeded.
    int commit();

    // Closes the stream without checking it and removes the temporary. The old
    // file is untouched, unless it was being written in place. Idempotent.
    void abandon();

private:
    int openInPlace(int fd);
    int openTemporary(int targetFd);
    int attachStream(int fd);
    void keepOwnerAndMode(int fd) const;
    void registerForSignals();

    std::string path_;
    std::string folder_;         // folder of the final file, once the links are followed
    std::string name_;           // the final file's name in folder_
    std::string temporaryName_;  // in folder_
    int folderFd_ = -1;          // folder_, held so that a change of working folder is harmless
    int registration_ = -1;      // the temporary's handle in temporary_files.h
    std::FILE* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    bool temporary_ = false;  // writing to temporaryName_, renamed at commit()
    bool regular_ = false;    // the written file is a regular file
    bool targetExists_ = false;
    struct stat target_ {};  // the final file when it exists; else its folder
    bool failed_ = false;    // startWriting() failed
    bool finished_ = false;  // finish() succeeded
    bool committed_ = false;
};

// The writability check of the file choosers: opens `path` for writing without
// truncating it, and without waiting for a named pipe's reader, then closes it
// again. An existing file keeps every byte; a missing one is created empty.
// Returns 0, or the errno value of the failure (a folder gives EISDIR, a path
// with a NUL inside EINVAL).
int probeWritable(const std::string& path);

}  // namespace tolven

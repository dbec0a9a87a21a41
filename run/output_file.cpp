#include "run/output_file.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

#include "run/temporary_files.h"

#ifdef __linux__
#include <linux/magic.h>
#endif

namespace tolven {
namespace {

constexpr std::size_t STREAM_BUFFER_SIZE = std::size_t{1} << 20;
// The kernel's own limit on links followed in one path lookup.
constexpr int MAX_LINK_HOPS = 40;
// The longest file name most file systems take.
constexpr std::size_t NAME_MAX_BYTES = 255;
constexpr char TEMPORARY_MARK[] = ".tolven-";
constexpr std::size_t RANDOM_LETTERS = 6;

void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// True when `folder` is in /proc, whose links name open files (a process's
// descriptors), not places in a folder.
bool isProcessFileSystem(const std::string& folder) {
#ifdef __linux__
    struct statfs info {};
    return ::statfs(folder.c_str(), &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
#else
    (void)folder;
    return false;
#endif
}

// Follows the symbolic links from `path` to the name a write finally reaches.
// Stops at a missing or unreadable name (the open that follows reports it) and
// at a link in /proc, setting `descriptorLink`. Returns 0 or an errno value.
int followLinks(std::string& path, bool& descriptorLink) {
    descriptorLink = false;
    for (int hops = 0;; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return 0;
        std::string folder;
        std::string name;
        splitPath(path, folder, name);
        if (isProcessFileSystem(folder)) {
            descriptorLink = true;
            return 0;
        }
        if (hops == MAX_LINK_HOPS) return ELOOP;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) == sizeof target) return ENAMETOOLONG;
        std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' ? std::move(next) : (folder == "/" ? "/" : folder + "/") + next;
    }
}

// Six letters that make a temporary's name hard to guess; O_EXCL makes it
// safe whatever they are.
std::string randomLetters() {
    static constexpr char LETTERS[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[RANDOM_LETTERS];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        static std::atomic<unsigned> counter{0};
        auto seed = static_cast<unsigned long long>(
                        std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (static_cast<unsigned long long>(::getpid()) << 32) ^ ++counter;
        for (unsigned char& byte : bytes) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            byte = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string letters;
    for (const unsigned char byte : bytes) letters += LETTERS[byte % (sizeof LETTERS - 1)];
    return letters;
}

// The start of the names of the temporaries of the output named `name`: the
// name cut so that the whole temporary name still fits NAME_MAX_BYTES.
std::string temporaryStem(const std::string& name) {
    const std::size_t room = NAME_MAX_BYTES - 1 - (sizeof TEMPORARY_MARK - 1) - RANDOM_LETTERS;
    return "." + name.substr(0, room) + TEMPORARY_MARK;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::atomic<int> pauseBetweenCommits{0};

void closeIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// The descriptor number that `path` names when it is an entry of this
// process's own descriptor folder (/proc/PID/fd, /proc/PID/task/TID/fd, and
// the /proc/self, /proc/thread-self and /dev/fd spellings of them); else -1.
int ownDescriptorNumber(const std::string& path) {
    std::string folder;
    std::string name;
    splitPath(path, folder, name);
    int number = -1;
    const auto parsed = std::from_chars(name.data(), name.data() + name.size(), number);
    if (name.empty() || parsed.ec != std::errc() || parsed.ptr != name.data() + name.size() ||
        number < 0) {
        return -1;
    }
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return -1;
    const std::string resolved(real);
    std::free(real);
    const std::string own = "/proc/" + std::to_string(::getpid());
    const bool processFolder = resolved == own + "/fd";
    const bool threadFolder = resolved.rfind(own + "/task/", 0) == 0 && resolved.size() > 3 &&
                              resolved.compare(resolved.size() - 3, 3, "/fd") == 0;
    return processFolder || threadFolder ? number : -1;
}

// The extended attributes a copy carries: what the system's attribute policy
// copies, less the ACLs (copied on their own) and the security labels, which
// the system gives each new file itself.
int carriedAttribute(const char* name, struct error_context* context) {
    if (std::strncmp(name, "security.", 9) == 0) return 0;
    return attr_copy_action(name, context) == 0 ? 1 : 0;
}

// Grants the ACL's owning-group entry no more than its "other" entry.
void narrowOwningGroup(acl_t acl) {
    acl_entry_t entry;
    acl_permset_t other = nullptr;
    acl_permset_t group = nullptr;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1;
         which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        if (acl_get_tag_type(entry, &tag) != 0) continue;
        if (tag == ACL_OTHER) acl_get_permset(entry, &other);
        if (tag == ACL_GROUP_OBJ) acl_get_permset(entry, &group);
    }
    if (!other || !group) return;
    for (const acl_perm_t perm : {ACL_READ, ACL_WRITE, ACL_EXECUTE}) {
        if (acl_get_perm(other, perm) != 1) acl_delete_perm(group, perm);
    }
}

// Writes all of `size` bytes from `from` (at offset 0) over `to`.
int copyBytes(int from, int to, off_t size) {
    std::vector<char> buffer(std::size_t{1} << 20);
    off_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 ? errno : EIO;
        ssize_t put = 0;
        while (put < got) {
            const ssize_t wrote =
                ::pwrite(to, buffer.data() + put, static_cast<std::size_t>(got - put), done + put);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return wrote < 0 ? errno : EIO;
            put += wrote;
        }
        done += got;
    }
    return 0;
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() { abandon(); }

int OutputFile::open() {
    if (path_.find('\0') != std::string::npos) return EINVAL;
    std::string finalPath = path_;
    bool descriptorLink = false;
    if (const int error = followLinks(finalPath, descriptorLink)) return error;
    splitPath(finalPath, folder_, name_);
    if (descriptorLink) {
        bool handled = false;
        const int error = openThroughDescriptor(finalPath, handled);
        if (handled) return error;
    }

    // Opening the existing file first keeps today's refusals (a read-only
    // file, a folder) and tells what it is. A named pipe waits for its reader
    // here, as writing to it always did.
    const int fd = ::open(finalPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT) return errno;
    if (fd >= 0) {
        if (::fstat(fd, &target_) != 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        if (descriptorLink || !S_ISREG(target_.st_mode)) return openInPlace(fd);
        targetExists_ = true;
    } else if (name_.empty()) {
        return path_.empty() ? ENOENT : EISDIR;
    }

    folderFd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat folder {};
    if (folderFd_ < 0 || ::fstat(folderFd_, &folder) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        abandon();
        return error;
    }
    if (!targetExists_) target_ = folder;
    // In a sticky folder only the owner of a file or of the folder may
    // rename over it; anyone the file's own mode lets in may still write it.
    const uid_t user = ::geteuid();
    if (targetExists_ && (folder.st_mode & S_ISVTX) != 0 && user != 0 && user != target_.st_uid &&
        user != folder.st_uid) {
        return openInPlace(fd);
    }
    return openTemporary(fd);
}

int OutputFile::openThroughDescriptor(const std::string& finalPath, bool& handled) {
    const int number = ownDescriptorNumber(finalPath);
    const int flags = number >= 0 ? ::fcntl(number, F_GETFL) : -1;
    if (flags < 0) return 0;
    handled = true;
    if ((flags & O_ACCMODE) == O_RDONLY) return EBADF;
    // A second descriptor for the same open file: the same offset and mode,
    // and closing it leaves the shell's own descriptor open.
    const int fd = ::fcntl(number, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return errno;
    if (::fstat(fd, &target_) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    return openInPlace(fd);
}

int OutputFile::openInPlace(int fd) {
    temporary_ = false;
    regular_ = S_ISREG(target_.st_mode);
    targetExists_ = true;
    closeIfOpen(folderFd_);
    int written = fd;
    // A regular file by name: prepared whole elsewhere, copied in at commit().
    // A descriptor (folder_ in /proc) is written as it comes.
    if (regular_ && !isProcessFileSystem(folder_)) {
        targetFd_ = fd;
        written = openScratch();
        if (written < 0) {
            const int error = errno;
            abandon();
            return error;
        }
    }
    if (const int error = attachStream(written)) {
        ::close(written);
        abandon();
        return error;
    }
    return 0;
}

int OutputFile::openScratch() {
    const char* folder = std::getenv("TMPDIR");
    if (!folder || *folder == '\0') folder = "/tmp";
    int fd = ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No unnamed files there: a named one, removed at once.
        std::FILE* file = std::tmpfile();
        if (!file) return -1;
        fd = ::fcntl(::fileno(file), F_DUPFD_CLOEXEC, 0);
        const int error = errno;
        std::fclose(file);
        errno = error;
    }
    scratchFd_ = fd;
    return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

int OutputFile::openTemporary(int targetFd) {
    // Replacing a file: private until its mode is set, at finish(). A new
    // file: asked for as a plain create asks, so the umask and the folder's
    // default ACL apply as they always did.
    const mode_t mode = targetExists_ ? 0600 : 0666;
    bool unnamedFirst = false;
    const int fd = createLockedTemporary(mode, unnamedFirst);
    if (fd < 0) {
        const int error = errno;
        temporaryName_.clear();
        // A folder that takes no new file, holding a file that may be written.
        if (targetFd >= 0 && (error == EACCES || error == EPERM || error == EROFS)) {
            return openInPlace(targetFd);
        }
        if (targetFd >= 0) ::close(targetFd);
        abandon();
        return error;
    }
    targetFd_ = targetFd;
    temporaryFd_ = fd;
    temporary_ = true;
    regular_ = true;
    registerForSignals();
    removeStaleTemporaries(temporaryStem(name_), unnamedFirst);
    // The stream gets its own descriptor: closing it at finish() keeps the lock.
    const int streamFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (streamFd < 0 || attachStream(streamFd) != 0) {
        const int error = errno;
        if (streamFd >= 0) ::close(streamFd);
        abandon();
        return error;
    }
    return 0;
}

int OutputFile::createLockedTemporary(mode_t mode, bool& unnamedFirst) {
    const std::string stem = temporaryStem(name_);
    // Unnamed, locked, then named: no other run ever sees it unlocked.
    int fd = ::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0 && ::flock(fd, LOCK_EX) == 0) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporaryName_ = stem + randomLetters();
            if (::linkat(AT_FDCWD, self.c_str(), folderFd_, temporaryName_.c_str(),
                         AT_SYMLINK_FOLLOW) == 0 ||
                (errno == ENOENT &&
                 ::linkat(fd, "", folderFd_, temporaryName_.c_str(), AT_EMPTY_PATH) == 0)) {
                unnamedFirst = true;
                return fd;
            }
            if (errno != EEXIST) break;
        }
        // Naming it failed (no /proc, say): the named way below tells why.
    }
    if (fd >= 0) ::close(fd);
    fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporaryName_ = stem + randomLetters();
        fd = ::openat(folderFd_, temporaryName_.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd >= 0) (void)::flock(fd, LOCK_EX);
    return fd;
}

void OutputFile::removeStaleTemporaries(const std::string& stem, bool allLocked) const {
    const int listFd = ::openat(folderFd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* folder = ::fdopendir(listFd);
    if (!folder) {
        ::close(listFd);
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() != stem.size() + RANDOM_LETTERS ||
            name.compare(0, stem.size(), stem) != 0 || name == temporaryName_) {
            continue;
        }
        const int fd = ::openat(folderFd_, name.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        struct stat named {};
        // A live run holds its temporary's lock; a young one may not have
        // taken it yet where names come first.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            (allLocked || now - opened.st_mtime >= STALE_TEMPORARY_SECONDS) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(folderFd_, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(opened, named)) {
            ::unlinkat(folderFd_, name.c_str(), 0);
        }
        ::close(fd);
    }
    ::closedir(folder);
}

void OutputFile::registerForSignals() {
    std::string absolute;
    if (folder_.front() != '/') {
        char* workingFolder = ::getcwd(nullptr, 0);
        if (!workingFolder) return;
        absolute = std::string(workingFolder) + "/";
        std::free(workingFolder);
    }
    absolute += folder_ + "/" + temporaryName_;
    registration_ = registerTemporary(absolute.c_str());
}

int OutputFile::attachStream(int fd) {
    stream_ = ::fdopen(fd, "w");
    if (!stream_) return errno;
    // One large buffer: the run writes tens of megabytes in small pieces.
    buffer_ = std::make_unique_for_overwrite<char[]>(STREAM_BUFFER_SIZE);
    std::setvbuf(stream_, buffer_.get(), _IOFBF, STREAM_BUFFER_SIZE);
    return 0;
}

bool OutputFile::sameRegularFile(const struct stat& other) const {
    return regular_ && targetExists_ && S_ISREG(other.st_mode) && sameFile(target_, other);
}

bool OutputFile::sameRegularFile(const OutputFile& other) const {
    if (!regular_ || !other.regular_ || targetExists_ != other.targetExists_) return false;
    // A name that does not exist yet is known by its folder and its name.
    return sameFile(target_, other.target_) && (targetExists_ || name_ == other.name_);
}

int OutputFile::keepOwnerModeAndAttributes(int fd) const {
    mode_t mode = target_.st_mode & 0777;
    // Only root may give a file away; a user may still keep the group when a
    // member of it. Both are best effort, as is the mode on file systems that
    // know no modes.
    const bool groupKept = ::fchown(fd, target_.st_uid, target_.st_gid) == 0 ||
                           ::fchown(fd, static_cast<uid_t>(-1), target_.st_gid) == 0;
    if (!groupKept) {
        // The group bits now apply to another group: grant it no more than
        // the old file granted everyone.
        mode = (mode & ~mode_t{070}) | (mode & ((mode & 07) << 3));
    }
    errno = 0;
    if (attr_copy_fd(path_.c_str(), targetFd_, temporaryName_.c_str(), fd, carriedAttribute,
                     nullptr) != 0) {
        return errno != 0 ? errno : ENOTSUP;
    }
    // An ACL beyond the mode bits is carried whole; a file system without
    // ACLs has none to carry.
    acl_t acl = acl_get_fd(targetFd_);
    if (acl && acl_equiv_mode(acl, nullptr) == 1) {
        if (!groupKept) narrowOwningGroup(acl);
        const int set = acl_set_fd(fd, acl);
        const int error = errno;
        acl_free(acl);
        return set == 0 ? 0 : error;
    }
    if (acl) acl_free(acl);
    (void)::fchmod(fd, mode);
    return 0;
}

bool OutputFile::finish() {
    if (!stream_) return false;
    const int fd = temporary_ ? temporaryFd_ : ::fileno(stream_);
    bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    if (written && temporary_ && targetExists_ && keepOwnerModeAndAttributes(fd) != 0) {
        written = false;
    }
    // A file system that cannot sync (EINVAL) has nothing more to write. The
    // scratch file of an in-place output is synced with the file at commit().
    if (written && regular_ && scratchFd_ < 0 && ::fsync(fd) != 0 && errno != EINVAL) {
        written = false;
    }
    if (std::fclose(stream_) != 0) written = false;
    stream_ = nullptr;
    buffer_.reset();
    finished_ = written;
    return written;
}

int OutputFile::copyIntoPlace() {
    const off_t size = ::lseek(scratchFd_, 0, SEEK_END);
    if (size < 0) return errno;
    // Room first, so that a full disk is found before the old content is
    // touched; a file system that cannot reserve is simply written.
    if (size > 0 && ::fallocate(targetFd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    if (const int error = copyBytes(scratchFd_, targetFd_, size)) return error;
    if (::ftruncate(targetFd_, size) != 0) return errno;
    if (::fsync(targetFd_) != 0 && errno != EINVAL) return errno;
    return 0;
}

int OutputFile::commit() {
    if (!finished_ || committed_) return EINVAL;
    if (scratchFd_ >= 0) {
        if (const int error = copyIntoPlace()) {
            abandon();
            return error;
        }
    }
    if (temporary_) {
        if (::renameat(folderFd_, temporaryName_.c_str(), folderFd_, name_.c_str()) != 0) {
            const int error = errno;
            abandon();
            return error;
        }
        unregisterTemporary(registration_);
        registration_ = -1;
        // The new name must survive a power cut too; a folder that cannot be
        // opened for reading or synced is left to the file system.
        const int folder = ::openat(folderFd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            (void)::fsync(folder);
            ::close(folder);
        }
    }
    committed_ = true;
    abandon();
    return 0;
}

void OutputFile::abandon() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    buffer_.reset();
    finished_ = false;
    if (temporary_ && !committed_ && !temporaryName_.empty()) {
        ::unlinkat(folderFd_, temporaryName_.c_str(), 0);
    }
    temporaryName_.clear();
    unregisterTemporary(registration_);
    registration_ = -1;
    // The lock goes last, once the name is gone.
    closeIfOpen(temporaryFd_);
    closeIfOpen(targetFd_);
    closeIfOpen(scratchFd_);
    closeIfOpen(folderFd_);
}

namespace {

// The output's folder, opened for reading so that it can be locked; -1 for a
// file written in place or a folder that cannot be read.
int lockableFolder(int folderFd) {
    if (folderFd < 0) return -1;
    return ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

int commitTogether(const std::vector<OutputFile*>& files, const OutputFile*& failed) {
    struct Locked {
        int fd;
        struct stat status;
    };
    std::vector<Locked> folders;
    for (const OutputFile* file : files) {
        const int fd = lockableFolder(file->temporary_ ? file->folderFd_ : -1);
        struct stat status {};
        if (fd < 0) continue;
        if (::fstat(fd, &status) != 0 ||
            std::any_of(folders.begin(), folders.end(),
                        [&](const Locked& held) { return sameFile(held.status, status); })) {
            ::close(fd);
            continue;
        }
        folders.push_back({fd, status});
    }
    // One order for every run, so two runs never wait for each other.
    std::sort(folders.begin(), folders.end(), [](const Locked& a, const Locked& b) {
        return std::pair(a.status.st_dev, a.status.st_ino) <
               std::pair(b.status.st_dev, b.status.st_ino);
    });
    for (const Locked& folder : folders) {
        while (::flock(folder.fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }

    holdStops();
    int error = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (error != 0) {
            files[i]->abandon();
            continue;
        }
        if (i == 1) {
            if (const int pause = pauseBetweenCommits.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            }
        }
        error = files[i]->commit();
        if (error != 0) failed = files[i];
    }
    for (const Locked& folder : folders) ::close(folder.fd);
    releaseStops();
    return error;
}

int writeWholeFile(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    if (const int error = file.open()) return error;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.stream());
    if (!file.finish()) return EIO;
    return file.commit();
}

void pauseBetweenCommitsForTesting(int milliseconds) { pauseBetweenCommits.store(milliseconds); }

}  // namespace tolven

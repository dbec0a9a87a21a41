#include "run/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>

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

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

int OutputFile::openInPlace(int fd) {
    temporary_ = false;
    regular_ = S_ISREG(target_.st_mode);
    targetExists_ = true;
    if (folderFd_ >= 0) ::close(folderFd_);
    folderFd_ = -1;
    if (const int error = attachStream(fd)) {
        ::close(fd);
        return error;
    }
    return 0;
}

int OutputFile::openTemporary(int targetFd) {
    // Replacing a file: private until its mode is set, at finish(). A new
    // file: asked for as a plain create asks, so the umask and the folder's
    // default ACL apply as they always did.
    const mode_t mode = targetExists_ ? 0600 : 0666;
    const std::size_t room = NAME_MAX_BYTES - 1 - (sizeof TEMPORARY_MARK - 1) - RANDOM_LETTERS;
    const std::string stem = "." + name_.substr(0, room) + TEMPORARY_MARK;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporaryName_ = stem + randomLetters();
        fd = ::openat(folderFd_, temporaryName_.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
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
    if (targetFd >= 0) ::close(targetFd);
    temporary_ = true;
    regular_ = true;
    registerForSignals();
    if (const int error = attachStream(fd)) {
        ::close(fd);
        abandon();
        return error;
    }
    return 0;
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

void OutputFile::startWriting() {
    if (stream_ && regular_ && !temporary_ && ::ftruncate(::fileno(stream_), 0) != 0) {
        failed_ = true;
    }
}

void OutputFile::keepOwnerAndMode(int fd) const {
    mode_t mode = target_.st_mode & 0777;
    // Only root may give a file away; a user may still keep the group when a
    // member of it. Both are best effort, as is the mode on file systems that
    // know no modes.
    if (::fchown(fd, target_.st_uid, target_.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), target_.st_gid) != 0) {
        // The group bits now apply to another group: grant it no more than
        // the old file granted everyone.
        mode = (mode & ~mode_t{070}) | (mode & ((mode & 07) << 3));
    }
    (void)::fchmod(fd, mode);
}

bool OutputFile::finish() {
    if (!stream_) return false;
    const int fd = ::fileno(stream_);
    bool written = !failed_ && std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    if (written && temporary_ && targetExists_) keepOwnerAndMode(fd);
    // A file system that cannot sync (EINVAL) has nothing more to write.
    if (written && regular_ && ::fsync(fd) != 0 && errno != EINVAL) written = false;
    if (std::fclose(stream_) != 0) written = false;
    stream_ = nullptr;
    buffer_.reset();
    finished_ = written;
    return written;
}

int OutputFile::commit() {
    if (!finished_ || committed_) return EINVAL;
    if (temporary_) {
        if (::renameat(folderFd_, temporaryName_.c_str(), folderFd_, name_.c_str()) != 0) {
            const int error = errno;
            abandon();
            return error;
        }
        committed_ = true;
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
    if (folderFd_ >= 0) ::close(folderFd_);
    folderFd_ = -1;
}

}  // namespace tolven

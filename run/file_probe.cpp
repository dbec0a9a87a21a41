#include "run/file_probe.h"

#include <cerrno>

#ifdef _WIN32
#include <cstdio>
#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolven {

#ifdef _WIN32

int probeReadable(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::u8path(path), ignored)) return EISDIR;
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return errno ? errno : EINVAL;
    std::fclose(file);
    return 0;
}

#else

int probeReadable(const std::string& path) {
    // O_NONBLOCK: a FIFO without a writer must not hang the dialog.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat info {};
    int result = 0;
    if (::fstat(fd, &info) != 0)
        result = errno;
    else if (S_ISDIR(info.st_mode))
        result = EISDIR;
    ::close(fd);
    return result;
}

#endif

#ifdef _WIN32

int probeWritable(const std::string& path) {
    if (path.find('\0') != std::string::npos) return EINVAL;
    // Append mode creates a missing file and never truncates an existing one.
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return errno ? errno : EINVAL;
    std::fclose(file);
    return 0;
}

#else

int probeWritable(const std::string& path) {
    // A path with a NUL inside would name (and create) another file.
    if (path.find('\0') != std::string::npos) return EINVAL;
    // No O_TRUNC: choosing an existing file must not empty it before any run.
    // O_NONBLOCK: a named pipe without a reader must not hang the dialog.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

#endif

}  // namespace tolven

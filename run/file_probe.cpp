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

}  // namespace tolven

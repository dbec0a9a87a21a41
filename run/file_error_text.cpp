#include "run/file_error_text.h"

#include <cerrno>

namespace tolven {

FileErrorReason fileErrorReason(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            return FileErrorReason::NotFound;
        case ENAMETOOLONG:
        case EINVAL:
            return FileErrorReason::InvalidPath;
        case EMFILE:
        case ENFILE:
            return FileErrorReason::TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return FileErrorReason::AccessDenied;
        case EBADF:
            return FileErrorReason::InvalidHandle;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return FileErrorReason::DiskFull;
#ifdef ETXTBSY
        case ETXTBSY:
#endif
        case EBUSY:
            return FileErrorReason::SharingViolation;
        case ENOLCK:
            return FileErrorReason::LockViolation;
        default:
            return FileErrorReason::Unknown;
    }
}

namespace {

const char* pattern(FileErrorReason reason) {
    switch (reason) {
        case FileErrorReason::NotFound:
            return "%1 was not found.";
        case FileErrorReason::InvalidPath:
            return "%1 contains an invalid path.";
        case FileErrorReason::TooManyOpenFiles:
            return "%1 could not be opened because there are too many open files.";
        case FileErrorReason::AccessDenied:
            return "Access to %1 was denied.";
        case FileErrorReason::InvalidHandle:
            return "An invalid file handle was associated with %1.";
        case FileErrorReason::DirectoryFull:
            return "%1 could not be created because the directory is full.";
        case FileErrorReason::SharingViolation:
            return "A sharing violation occurred while accessing %1.";
        case FileErrorReason::LockViolation:
            return "A locking violation occurred while accessing %1.";
        case FileErrorReason::DiskFull:
            return "Disk full while accessing %1.";
        case FileErrorReason::Unknown:
            break;
    }
    return "An unknown error occurred while accessing %1.";
}

}  // namespace

std::string fileErrorText(FileErrorReason reason, const std::string& path) {
    // Only the one placeholder is replaced; a "%1" inside the path stays as it is.
    std::string text = pattern(reason);
    const std::string::size_type at = text.find("%1");
    text.replace(at, 2, path);
    return text;
}

}  // namespace tolven

#pragma once

#include <string>

namespace tolven {

// Why a file could not be opened, in the terms the user is shown.
enum class FileErrorReason {
    NotFound,
    InvalidPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidHandle,
    DirectoryFull,
    SharingViolation,
    LockViolation,
    DiskFull,
    Unknown,
};

// Maps an errno value of a failed open onto a reason:
//   ENOENT, ENOTDIR                  -> NotFound
//   ENAMETOOLONG, EINVAL             -> InvalidPath
//   EMFILE, ENFILE                   -> TooManyOpenFiles
//   EACCES, EPERM, EROFS, EISDIR     -> AccessDenied (a folder is not a file
//                                       the user may open as one)
//   EBADF                            -> InvalidHandle
//   ENOSPC, EDQUOT                   -> DiskFull
//   ETXTBSY, EBUSY                   -> SharingViolation
//   ENOLCK                           -> LockViolation
//   anything else                    -> Unknown
// DirectoryFull has no errno of its own on POSIX systems.
FileErrorReason fileErrorReason(int errnum);

// The message for `reason` with %1 replaced by `path` (UTF-8 in, UTF-8 out),
// e.g. "%1 was not found.".
std::string fileErrorText(FileErrorReason reason, const std::string& path);

}  // namespace tolven

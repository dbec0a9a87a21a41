#pragma once

#include <string>

namespace tolven {

// Checks that the file choosers make before they accept a path. Each opens the
// file and closes it again at once; the result is 0 when that worked, or the
// errno value of the failure.

// Opens `path` for reading. A folder counts as a failure (EISDIR). Never
// blocks, not even on a named pipe.
int probeReadable(const std::string& path);

// Opens `path` for writing without truncating it, and without waiting for a
// named pipe's reader, then closes it again. An existing file keeps every
// byte; a missing one is created empty. A folder gives EISDIR, a path with a
// NUL inside EINVAL.
int probeWritable(const std::string& path);

}  // namespace tolven

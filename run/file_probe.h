#pragma once

#include <string>

namespace tolven {

// Checks that the file choosers make before they accept a path. Each opens the
// file and closes it again at once; the result is 0 when that worked, or the
// errno value of the failure.

// Opens `path` for reading. A folder counts as a failure (EISDIR). Never
// blocks, not even on a named pipe.
int probeReadable(const std::string& path);

// The check for writing is the output files' own: probeWritable in
// run/output_file.h.

}  // namespace tolven

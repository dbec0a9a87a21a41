#pragma once

#include <string>

namespace tolven {

// The names that are proposed for a run's outputs. Paths are byte strings;
// only the ASCII "." and the ASCII extensions are looked at, so any multibyte
// encoding whose trail bytes never equal an ASCII "." (UTF-8) works.

// The base from which the output and log names are made: the path up to its
// last ".", the "." excluded. The search covers the whole path, so the last "."
// may stand in a folder name ("/ver1.2/counts" gives "/ver1"). A path without
// any "." is its own base ("/data/counts" gives "/data/counts").
std::string defaultNameBase(const std::string& inputPath);

// base + "out.txt", or base + "out.csv" when `csv`.
std::string defaultOutputName(const std::string& base, bool csv);

// base + "out.log".
std::string defaultLogName(const std::string& base);

// base + "_expected.txt": the input table computed from a strata file whose
// base this is.
std::string defaultExpectedInputName(const std::string& base);

// Replaces every occurrence of `from` in `path` by `to`, scanning left to right
// over non-overlapping occurrences, folder names included. Case-sensitive:
// ".TXT" is not ".txt". An empty `from` leaves the path unchanged.
std::string switchExtension(const std::string& path, const std::string& from,
                            const std::string& to);

}  // namespace tolven

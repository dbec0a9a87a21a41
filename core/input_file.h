#pragma once

#include "core/input_table.h"

namespace tolven {

// Reads the file named by inputPath into rows 1..rowCount of `table` and checks
// every line. Returns 0 on success; on the first bad line (or when the file
// cannot be opened) shows the message that names it and returns 1. Sets
// wholeFileMode to 1 when line 1's unit field is -1, else 0. Writes no file.
int readInputFile(InputTable& table, int& wholeFileMode);

}  // namespace tolven

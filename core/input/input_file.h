#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/input/input_table.h"
#include "core/text/user_messages.h"

namespace tolven {

// Reads the file at `path` into rows 1..rowCount of `table` and checks every
// line. Returns 0 on success; on the first bad line (or when the file cannot
// be opened) shows the message that names it through `messages` and returns 1.
// Sets wholeFileMode to 1 when line 1's unit field is -1, else 0. Writes no
// file. The whole file is read into table.text, where the codes point.
//
// The file is text in the system's multibyte encoding, one region per line:
//   unit number, region code, Data1 (observed), Data2 (expected)
// separated by white space (space, \t, \n, \v, \f, \r); anything after the
// fourth field is ignored. Lines may be of any length and their numbers in
// messages are the file's own. A Ctrl-Z byte (0x1A) ends the file, as Windows
// text mode reads a file; a NUL byte ends the content of its line (the
// rest of that line, up to its line end, is ignored), so codes never hold NUL.
//
// Checks, in this order, the first failure deciding the message:
//   fewer than four fields;
//   unit: digits only, 1..INT_MAX (line 1 may instead convert to -1 by the
//     standard string-to-integer conversion: "-1", "-01", "-1abc" all mean
//     whole-file mode; the value -1 is stored in unit[1]);
//   Data1: digits only, 0..INT_MAX;
//   Data2: digits and "." only, the value of its longest decimal prefix
//     ("1.5.2" is 1.5, "." is 0), finite and above 0.
// The code of a line is stored in code[n] even when a later check of the line
// fails. The table grows past MAX_REGIONS rows as needed; codes have no length
// limit. A read error (a folder given as the path) counts as "cannot open".
//
// The file is read in chunks of whole lines, which `runChunks` may hand to
// several threads: the table, the mode and the message are the same either way.
using ChunkRunner =
    std::function<void(std::size_t count, const std::function<void(std::size_t)>& body)>;

// Runs body(0) .. body(count - 1) one after another.
void runChunksInTurn(std::size_t count, const std::function<void(std::size_t)>& body);

int readInputFile(const std::string& path, InputTable& table, int& wholeFileMode,
                  MessageSink& messages, const ChunkRunner& runChunks = runChunksInTurn);

// The same for a table held in memory (one computed by the program) rather
// than in a file: `text` is read as the file's bytes would be, and `name`
// stands for the file in the one message that names it.
int readInputText(std::string_view text, const std::string& name, InputTable& table,
                  int& wholeFileMode, MessageSink& messages,
                  const ChunkRunner& runChunks = runChunksInTurn);

}  // namespace tolven

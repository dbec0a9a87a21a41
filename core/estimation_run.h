#pragma once

namespace tolven {

// One whole estimation, from the process-wide settings and paths:
//  1. reads inputPath (readInputFile); on a bad or unreadable input it returns
//     1 after the reader's message, with no output file created or touched;
//  2. opens logPath and outputPath for writing. Both are opened before either
//     is emptied, so a path that cannot be written ("ERROR!! : ログファイル\n%s
//     を開けません", "ERROR!! : 出力ファイル\n%s を開けません") leaves every
//     existing file as it was; a file this run created just for that check is
//     removed again. The real paths are written in place (never replaced), so
//     devices and symbolic links work;
//  3. writes the log header, then estimates every unit in ascending unit
//     number, the regions of a unit in file order, writing each unit's log
//     block right after its estimation. When line 1's unit is -1 the whole
//     file is one unit (whole-file log form). The only region of a one-region
//     unit gets ebRatioME = NOT_AVAILABLE;
//  4. writes the result table (rows in file order), closes the log, then the
//     result file. A write error on either (a full disk) is reported
//     ("ERROR!! : ログファイル\n%s に書き込めません", likewise 出力ファイル)
//     and the run returns 1.
// Returns 0 on success. Messages go through showErrorMessage.
// Leaves regionTable and unitResults holding the last unit estimated.
int runEstimation();

}  // namespace tolven

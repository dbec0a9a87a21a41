#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/model/uninitialized_vector.h"
#include "core/text/user_messages.h"

namespace tolven {

// A region of a strata file: the regions are told apart by unit and code.
struct StrataRegion {
    int unit = 0;
    std::string_view code;  // bytes as read
    int observed = 0;       // the sum over the region's lines
};

// One line of a strata file, in file order.
struct StrataLine {
    int region = 0;   // index into StrataTable::regions
    int stratum = 0;  // index into StrataTable::strata
    int observed = 0;
    double population = 0.0;
};

// Every line of one strata file. The codes and labels are views into `text`,
// the file's bytes, so a table is moved, never copied.
struct StrataTable {
    UninitializedVector<char> text;
    std::vector<StrataRegion> regions;     // in the order of their first line
    std::vector<std::string_view> strata;  // the labels, in the order of their first line
    std::vector<StrataLine> lines;

    StrataTable() = default;
    StrataTable(StrataTable&&) = default;
    StrataTable& operator=(StrataTable&&) = default;
    StrataTable(const StrataTable&) = delete;
    StrataTable& operator=(const StrataTable&) = delete;
};

// Reads the strata file at `path` into `table`. Returns 0, or 1 after showing
// through `messages` the message of the first bad line (or that the file
// cannot be opened, "ERROR!! : 層別ファイル\n%s を開けません").
//
// One line per unit, region and stratum, five fields separated by white space
// as in the input file:
//   unit code stratum observed population
// Anything after the fifth field is ignored. The lines are read as the input
// file's are: a Ctrl-Z ends the file, a CR before a line feed is white space,
// a NUL ends the content of its line, every line counts (an empty one too),
// and messages carry the file's own line numbers, " : %d行目".
//
// Checks of a line, in this order; the first line that fails one decides the
// message and no later line is read:
//   fewer than five fields ("ERROR!! : 層別ファイル\nデータが足りません");
//   unit: digits only, 1..INT_MAX ("Error!! : 層別ファイル\nグループ番号が
//     自然数ではありません"); there is no whole-file mark here;
//   observed: digits only, 0..INT_MAX ("Error!! : 層別ファイル\n観測数が0以上
//     の整数ではありません");
//   population: digits and "." only, the value of its longest decimal prefix,
//     0 or more ("Error!! : 層別ファイル\n人口が0以上の実数ではありません").
//     A sign fails the character check: nothing negative is taken;
//   the region's observed counts so far must sum to an int, as the input file
//     needs ("Error!! : 層別ファイル\n地域の観測数の合計が大きすぎます");
//   the stratum, any label ("0-4", "85+", "M65-69"), may repeat across
//     regions but not within one ("Error!! : 層別ファイル\n層 <label> が同じ
//     地域に2度あります", at its second line).
// The lines of a region need not be next to each other.
int readStrataFile(const std::string& path, StrataTable& table, MessageSink& messages);

}  // namespace tolven

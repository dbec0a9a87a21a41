#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/spatial/neighbour_list.h"

namespace tolven {

// A neighbour list read from a GAL file: its regions by code, in the file's
// order, and their neighbours (region indices into `codes`). One list serves
// every unit of an input: unitNeighbours picks out the regions of one unit.
struct GalNeighbours {
    std::vector<std::string> codes;  // as UTF-8 (see regionCodeAsUtf8)
    NeighbourList list;
    // True when every code is an integer: codes then match regardless of
    // leading zeros ("01100" and "1100" are one region).
    bool integerCodes = false;
    // What was repaired while reading, one sentence each (neighbours named by
    // one side only, regions named as their own neighbour).
    std::vector<std::string> notes;
    std::unordered_map<std::string, int> indexByKey;  // the codes' match keys
};

// Reads the text of a GAL file. The first line is the header, `N` or
// `0 N layer idfield`; then, for each of the N regions, a line `code k` and a
// line of its k neighbours' codes (for k = 0 that line may be empty or left
// out). Tokens are separated by spaces, tabs, \v, \f or \r (the input file's blanks); lines end in
// LF or CRLF; a UTF-8 byte order mark is skipped; blank lines may follow the last region. A
// neighbour named by one side only is added to the other side, and a region named as its own
// neighbour is dropped, each with a note. Refused, with the 1-based line number in `error` ("line
// 4: ..."): a bad header, a bad region line or count, a neighbour line whose number of codes is not
// k, a region listed twice, a neighbour code that is not one of the N regions, the file ending
// early, and anything but blank lines after the last region. Returns false then, with `gal` in no
// defined state.
bool readGal(std::string_view text, GalNeighbours& gal, std::string& error);

// The region of `gal` whose code is `code` (converted to UTF-8 as the GAL's
// codes were; integer codes compared without leading zeros when every code of
// the GAL is an integer), or -1.
int galRegionOf(const GalNeighbours& gal, std::string_view code);

// The neighbour list of one unit whose regions have the given codes, in that
// order: regions i and j are neighbours when their codes are neighbours in
// `gal`. Two regions of the unit with one code are not neighbours of each
// other. Returns false, with the first code that `gal` does not hold in
// `missingCode`, when a region has no entry in the list.
bool unitNeighbours(const GalNeighbours& gal, std::span<const std::string_view> codes,
                    NeighbourList& list, std::string& missingCode);

// The GAL text of `list` over regions coded `codes`, in the form
// `0 N layer idfield`, then `code k` and the line of neighbour codes (an empty
// line for a region without neighbours). Spaces and tabs in `layer` and
// `idField` become '_'. Returns false, naming the code in `error`, when a code
// is empty or holds a blank (it could not be read back).
bool writeGal(std::span<const std::string> codes, const NeighbourList& list, std::string_view layer,
              std::string_view idField, std::string& text, std::string& error);

}  // namespace tolven

#include "core/spatial/gal_file.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "core/spatial/region_code.h"

namespace tolven {
namespace {

// What separates a line's tokens: the input file's blanks.
constexpr const char* BLANKS = " \t\v\f\r";

// The lines of a text, without their line ends.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> splitTokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (true) {
        i = line.find_first_not_of(BLANKS, i);
        if (i == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(BLANKS, i), line.size());
        tokens.push_back(line.substr(i, end - i));
        i = end;
    }
    return tokens;
}

bool isBlank(std::string_view line) { return line.find_first_not_of(BLANKS) == line.npos; }

// A count: ASCII digits only, at most what an int holds.
bool parseCount(std::string_view text, int& value) {
    if (!isIntegerCode(text)) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string lineError(std::size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// One region as read: where its neighbours' line is, and their codes.
struct RegionEntry {
    std::size_t line = 0;
    std::size_t neighbourLine = 0;
    std::vector<std::string_view> neighbours;
};

}  // namespace

bool readGal(std::string_view text, GalNeighbours& gal, std::string& error) {
    gal = GalNeighbours{};
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty()) {
        error = lineError(1, "the header (N, or 0 N layer idfield) is missing");
        return false;
    }
    const std::vector<std::string_view> header = splitTokens(lines[0]);
    int regionCount = 0;
    const bool headerForm =
        (header.size() == 1 && parseCount(header[0], regionCount)) ||
        (header.size() == 4 && header[0] == "0" && parseCount(header[1], regionCount));
    if (!headerForm || regionCount == 0) {
        error = lineError(1, "the header is not N or 0 N layer idfield with N of 1 or more");
        return false;
    }

    std::vector<RegionEntry> entries;
    entries.reserve(static_cast<std::size_t>(std::min(regionCount, 1 << 20)));
    std::size_t next = 1;  // index of the next line to read
    for (int region = 0; region < regionCount; ++region) {
        if (next >= lines.size()) {
            error = lineError(next + 1, "the file ends after " + std::to_string(region) +
                                            " of the header's " + std::to_string(regionCount) +
                                            " regions");
            return false;
        }
        const std::vector<std::string_view> regionLine = splitTokens(lines[next]);
        int count = 0;
        if (regionLine.size() != 2 || !parseCount(regionLine[1], count)) {
            error = lineError(next + 1, "expected a region code and its number of neighbours");
            return false;
        }
        RegionEntry entry;
        entry.line = next + 1;
        gal.codes.push_back(regionCodeAsUtf8(regionLine[0]));
        ++next;
        if (count == 0) {
            if (next < lines.size() && isBlank(lines[next])) ++next;
        } else {
            if (next >= lines.size()) {
                error = lineError(
                    next + 1, "the line of " + std::to_string(count) + " neighbours is missing");
                return false;
            }
            entry.neighbours = splitTokens(lines[next]);
            entry.neighbourLine = next + 1;
            if (entry.neighbours.size() != static_cast<std::size_t>(count)) {
                error = lineError(next + 1, std::to_string(entry.neighbours.size()) +
                                                " neighbours where the region line says " +
                                                std::to_string(count));
                return false;
            }
            ++next;
        }
        entries.push_back(std::move(entry));
    }
    for (std::size_t line = next; line < lines.size(); ++line) {
        if (!isBlank(lines[line])) {
            error = lineError(line + 1, "more lines than the header's " +
                                            std::to_string(regionCount) + " regions");
            return false;
        }
    }

    gal.integerCodes = std::all_of(gal.codes.begin(), gal.codes.end(),
                                   [](const std::string& code) { return isIntegerCode(code); });
    gal.indexByKey.reserve(gal.codes.size());
    for (std::size_t i = 0; i < gal.codes.size(); ++i) {
        if (!gal.indexByKey
                 .emplace(regionCodeKey(gal.codes[i], gal.integerCodes), static_cast<int>(i))
                 .second) {
            error = lineError(entries[i].line, "region " + gal.codes[i] + " is listed twice");
            return false;
        }
    }

    std::vector<std::pair<int, int>> pairs;
    std::size_t selfNamed = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (const std::string_view code : entries[i].neighbours) {
            const int j = galRegionOf(gal, code);
            if (j < 0) {
                error = lineError(entries[i].neighbourLine,
                                  "neighbour " + regionCodeAsUtf8(code) + " of region " +
                                      gal.codes[i] + " is not one of the regions listed");
                return false;
            }
            if (static_cast<std::size_t>(j) == i) {
                ++selfNamed;
                continue;
            }
            pairs.emplace_back(static_cast<int>(i), j);
        }
    }
    // A link named by both sides appears twice in `pairs`; one named by one
    // side only, once.
    std::vector<std::pair<int, int>> undirected;
    undirected.reserve(pairs.size());
    for (const auto& [a, b] : pairs) undirected.emplace_back(std::min(a, b), std::max(a, b));
    std::sort(undirected.begin(), undirected.end());
    std::size_t oneSided = 0;
    for (std::size_t k = 0; k < undirected.size();) {
        std::size_t same = k;
        while (same < undirected.size() && undirected[same] == undirected[k]) ++same;
        if (same - k == 1) ++oneSided;
        k = same;
    }
    if (oneSided > 0) {
        gal.notes.push_back(std::to_string(oneSided) +
                            " neighbour pairs were named by one side only and were made "
                            "symmetric");
    }
    if (selfNamed > 0) {
        gal.notes.push_back(std::to_string(selfNamed) +
                            " regions named as their own neighbour were dropped from their lists");
    }
    gal.list = NeighbourList(gal.codes.size(), pairs);
    return true;
}

int galRegionOf(const GalNeighbours& gal, std::string_view code) {
    const auto found = gal.indexByKey.find(regionCodeKey(regionCodeAsUtf8(code), gal.integerCodes));
    return found == gal.indexByKey.end() ? -1 : found->second;
}

bool unitNeighbours(const GalNeighbours& gal, std::span<const std::string_view> codes,
                    NeighbourList& list, std::string& missingCode) {
    std::vector<int> placeOf(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        placeOf[i] = galRegionOf(gal, codes[i]);
        if (placeOf[i] < 0) {
            missingCode = regionCodeAsUtf8(codes[i]);
            return false;
        }
    }
    list = memberNeighbours(gal.list, placeOf);
    return true;
}

bool writeGal(std::span<const std::string> codes, const NeighbourList& list, std::string_view layer,
              std::string_view idField, std::string& text, std::string& error) {
    for (const std::string& code : codes) {
        if (code.empty() || code.find_first_of(" \t\n\v\f\r") != std::string::npos) {
            error = "region code \"" + code + "\" cannot be written to a GAL file";
            return false;
        }
    }
    const auto token = [](std::string_view name) {
        std::string result = name.empty() ? std::string("-") : std::string(name);
        std::replace_if(
            result.begin(), result.end(),
            [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }, '_');
        return result;
    };
    text = "0 " + std::to_string(codes.size()) + ' ' + token(layer) + ' ' + token(idField) + '\n';
    for (std::size_t i = 0; i < codes.size(); ++i) {
        text += codes[i];
        text += ' ';
        text += std::to_string(list.neighbourCount(i));
        text += '\n';
        const char* separator = "";
        for (const int j : list.neighboursOf(i)) {
            text += separator;
            text += codes[static_cast<std::size_t>(j)];
            separator = " ";
        }
        text += '\n';
    }
    return true;
}

}  // namespace tolven

#include "run/spatial_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/text/file_messages.h"
#include "core/text/number_text.h"
#include "core/spatial/eb_moran.h"
#include "core/spatial/region_code.h"
#include "reports/eb_moran_log.h"

namespace tolven {
namespace {


// Islands named in the summary before it says only how many more there are.
constexpr std::size_t ISLANDS_NAMED = 20;

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return false;
    bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return !stream.bad();
}

void note(std::FILE* notes, const std::string& text) {
    if (notes) std::fprintf(notes, "%s\n", text.c_str());
}

std::string summaryText(const std::string& source, const NeighbourSummary& summary,
                        const std::vector<std::string>& codes) {
    std::string text =
        "Neighbours from " + source + ": " + std::to_string(summary.regions) + " regions, ";
    appendFixed(text, summary.meanNeighbours, 2);
    text += " neighbours on average (min " + std::to_string(summary.minNeighbours) + ", max " +
            std::to_string(summary.maxNeighbours) + "), " + std::to_string(summary.islands.size()) +
            " islands";
    for (std::size_t k = 0; k < summary.islands.size() && k < ISLANDS_NAMED; ++k) {
        text += k == 0 ? ": " : " ";
        text += codes[static_cast<std::size_t>(summary.islands[k])];
    }
    if (summary.islands.size() > ISLANDS_NAMED) text += " ...";
    return text;
}

}  // namespace

SpatialRun::SpatialRun(const SpatialOptions& options)
    : options_(options),
      sourceName_(std::filesystem::path(options.neighboursPath).filename().string()) {}

bool SpatialRun::load(const InputTable& table, MessageSink& messages) {
    if (options_.neighbourSource != NeighbourSource::galFile) {
        messages.showError(
            "ERROR!! : 近傍\nクイーン近傍とルーク近傍はこの版ではまだ使えません。GALファイルを指定してください");
        return false;
    }
    const std::string& path = options_.neighboursPath;
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        messages.showError(cannotOpenMessage(NEIGHBOUR_FILE_SUBJECT, path));
        return false;
    }
    std::string error;
    if (!readGal(bytes, gal_, error)) {
        messages.showError(fileMessage(NEIGHBOUR_FILE_SUBJECT, path, (": " + error).c_str()));
        return false;
    }
    for (int row = 1; row <= table.rowCount; ++row) {
        if (galRegionOf(gal_, table.code[row]) < 0) {
            const std::string reason = " に地域コード " + regionCodeAsUtf8(table.code[row]) + " (" +
                                       std::to_string(row) + " 行目) がありません";
            messages.showError(fileMessage(NEIGHBOUR_FILE_SUBJECT, path, reason.c_str()));
            return false;
        }
    }
    for (const std::string& repair : gal_.notes) note(options_.notes, sourceName_ + ": " + repair);
    if (options_.localEb) {
        estimateOfRow_.resize(static_cast<std::size_t>(table.rowCount) + 1);
        shownOfRow_.resize(static_cast<std::size_t>(table.rowCount) + 1);
    }
    return true;
}

bool SpatialRun::openOutput(const std::string& inputPath, const OutputFile& log,
                            const OutputFile& output, MessageSink& messages) {
    if (options_.writeNeighboursPath.empty()) return true;
    listOutput_ = std::make_unique<OutputFile>(options_.writeNeighboursPath);
    const std::string& path = listOutput_->path();
    if (listOutput_->open() != 0) {
        messages.showError(cannotOpenMessage(NEIGHBOUR_FILE_SUBJECT, path));
        return false;
    }
    // Writing over one of the run's other files would lose it.
    const auto sameAs = [&](const std::string& other) {
        struct stat status {};
        return ::stat(other.c_str(), &status) == 0 && listOutput_->sameRegularFile(status);
    };
    const char* clash = nullptr;
    if (sameAs(inputPath)) clash = " は入力ファイルと同じファイルです";
    if (sameAs(options_.neighboursPath)) clash = " は読み込む近傍ファイルと同じファイルです";
    if (listOutput_->sameRegularFile(log)) clash = " はログファイルと同じファイルです";
    if (listOutput_->sameRegularFile(output)) clash = " は出力ファイルと同じファイルです";
    if (clash) {
        messages.showError(fileMessage(NEIGHBOUR_FILE_SUBJECT, path, clash));
        return false;
    }
    return true;
}

void SpatialRun::estimateUnit(const InputTable& table, std::span<const int> rows, int unitNumber,
                              LogForm form, std::string& log) {
    std::vector<std::string_view> codes(rows.size());
    std::vector<int> observed(rows.size());
    std::vector<double> expected(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        codes[k] = table.code[rows[k]];
        observed[k] = table.observed[rows[k]];
        expected[k] = table.expected[rows[k]];
    }
    NeighbourList list;
    std::string missing;
    unitNeighbours(gal_, codes, list, missing);  // load() checked every code
    if (options_.localEb) {
        const std::vector<LocalEbEstimate> estimates = localEbEstimates(observed, expected, list);
        for (std::size_t k = 0; k < rows.size(); ++k) {
            estimateOfRow_[rows[k]] = estimates[k];
            shownOfRow_[rows[k]] = rows.size() > 1 ? 1 : 0;
        }
    }
    if (options_.moran) {
        // The unit number seeds the permutations: -1 (whole-file mode) as 2^64 - 1.
        const auto seed = static_cast<std::uint64_t>(static_cast<std::int64_t>(unitNumber));
        const EbMoranResult result = ebMoran(observed, expected, list, options_.permutations, seed);
        // A per-unit block ends with an empty line, which stays last.
        const bool blankLast = form == LogForm::perUnit && log.ends_with("\n\n");
        if (blankLast) log.pop_back();
        log += ebMoranLogLine(result, sourceName_, options_.permutations);
        if (blankLast) log += '\n';
    }
}

const LocalEbColumns* SpatialRun::columns(bool posterior, double levelPercent,
                                          double thresholdPercent) {
    if (!options_.localEb) return nullptr;
    columns_ = {&estimateOfRow_, &shownOfRow_, posterior, levelPercent, thresholdPercent};
    return &columns_;
}

bool SpatialRun::writeList(const InputTable& table, const UnitGroups& groups,
                           MessageSink& messages) {
    // The regions by the GAL's numbering, in order of first appearance.
    std::vector<int> position(gal_.codes.size(), -1);
    std::vector<std::string> codes;
    for (int row = 1; row <= table.rowCount; ++row) {
        const auto region = static_cast<std::size_t>(galRegionOf(gal_, table.code[row]));
        if (position[region] >= 0) continue;
        position[region] = static_cast<int>(codes.size());
        codes.push_back(regionCodeAsUtf8(table.code[row]));
    }
    // Two regions are neighbours in the list when they are in some unit.
    std::vector<std::pair<int, int>> pairs;
    std::vector<int> members;
    for (std::size_t unit = 0; unit < groups.unitCount(); ++unit) {
        members.clear();
        for (std::size_t k = groups.starts[unit]; k < groups.starts[unit + 1]; ++k) {
            members.push_back(galRegionOf(gal_, table.code[groups.rows[k]]));
        }
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        for (const int region : members) {
            for (const int other : gal_.list.neighboursOf(static_cast<std::size_t>(region))) {
                if (other > region && std::binary_search(members.begin(), members.end(), other)) {
                    pairs.emplace_back(position[static_cast<std::size_t>(region)],
                                       position[static_cast<std::size_t>(other)]);
                }
            }
        }
    }
    const NeighbourList list(codes.size(), pairs);
    note(options_.notes, summaryText(sourceName_, summarizeNeighbours(list), codes));
    if (!listOutput_) return true;
    std::string text;
    std::string error;
    if (!writeGal(codes, list, "tolven", "code", text, error)) {
        messages.showError(
            fileMessage(NEIGHBOUR_FILE_SUBJECT, listOutput_->path(), (": " + error).c_str()));
        return false;
    }
    std::fwrite(text.data(), 1, text.size(), listOutput_->stream());
    return true;
}

bool SpatialRun::finish(MessageSink& messages) {
    if (!listOutput_ || listOutput_->finish()) return true;
    messages.showError(cannotWriteMessage(NEIGHBOUR_FILE_SUBJECT, listOutput_->path()));
    return false;
}

}  // namespace tolven

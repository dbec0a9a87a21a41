#include "run/spatial_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/input/text_file.h"
#include "core/spatial/eb_moran.h"
#include "core/spatial/gal_file.h"
#include "core/spatial/region_code.h"
#include "core/text/file_messages.h"
#include "core/text/number_text.h"
#include "reports/eb_moran_log.h"

namespace tolven {
namespace {

// What messages call the boundaries.
constexpr const char* BOUNDARY_FILE_SUBJECT = "境界ファイル";

// Islands named in the summary before it says only how many more there are.
constexpr std::size_t ISLANDS_NAMED = 20;

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

// The input's code of row `row`, as UTF-8, for messages and the written list.
std::string codeOfRow(const InputTable& table, int row) {
    return regionCodeAsUtf8(table.code[row]);
}

}  // namespace

SpatialRun::SpatialRun(const SpatialOptions& options) : options_(options) {
    switch (options.source) {
        case NeighbourSource::galFile:
            sourceName_ = std::filesystem::path(options.neighboursPath).filename().string();
            summaryName_ = sourceName_;
            break;
        case NeighbourSource::queen:
        case NeighbourSource::rook:
            sourceName_ = options.source == NeighbourSource::queen ? "queen" : "rook";
            break;
        case NeighbourSource::none:
            break;
    }
}

bool SpatialRun::load(const InputTable& table, MessageSink& messages) {
    const bool loaded = options_.source == NeighbourSource::galFile
                            ? loadGal(table, messages)
                            : loadContiguity(table, messages);
    if (!loaded) return false;
    if (options_.localEb) {
        estimateOfRow_.resize(static_cast<std::size_t>(table.rowCount) + 1);
        shownOfRow_.resize(static_cast<std::size_t>(table.rowCount) + 1);
    }
    return true;
}

bool SpatialRun::loadGal(const InputTable& table, MessageSink& messages) {
    const std::string& path = options_.neighboursPath;
    UninitializedVector<char> bytes;
    if (!readWholeFile(path, bytes)) {
        messages.showError(cannotOpenMessage(NEIGHBOUR_FILE_SUBJECT, path));
        return false;
    }
    GalNeighbours gal;
    std::string error;
    if (!readGal(std::string_view(bytes.data(), bytes.size()), gal, error)) {
        messages.showError(fileMessage(NEIGHBOUR_FILE_SUBJECT, path, (": " + error).c_str()));
        return false;
    }
    placeOfRow_.assign(static_cast<std::size_t>(table.rowCount) + 1, -1);
    for (int row = 1; row <= table.rowCount; ++row) {
        placeOfRow_[row] = galRegionOf(gal, table.code[row]);
        if (placeOfRow_[row] < 0) {
            const std::string reason = " に地域コード " + codeOfRow(table, row) + " (" +
                                       std::to_string(row) + " 行目) がありません";
            messages.showError(fileMessage(NEIGHBOUR_FILE_SUBJECT, path, reason.c_str()));
            return false;
        }
    }
    for (const std::string& repair : gal.notes) note(options_.notes, sourceName_ + ": " + repair);
    places_ = std::move(gal.list);
    return true;
}

bool SpatialRun::loadContiguity(const InputTable& table, MessageSink& messages) {
    BoundaryRegions* const boundaries = options_.boundaries;
    if (boundaries == nullptr) {
        messages.showError(sourceName_ + " neighbours need the region boundaries");
        return false;
    }
    std::string error;
    if (!boundaries->load(error)) {
        messages.showError(error);
        return false;
    }
    placeOfRow_.assign(static_cast<std::size_t>(table.rowCount) + 1, -1);
    for (int row = 1; row <= table.rowCount; ++row) {
        placeOfRow_[row] = boundaries->regionOf(table.code[row]);
        if (placeOfRow_[row] < 0) {
            // A region without a boundary has no neighbours to speak of;
            // making it an island would change its estimate without a word.
            const std::string reason = " の結合フィールド " + boundaries->idFieldName() +
                                       " に地域コード " + codeOfRow(table, row) + " (" +
                                       std::to_string(row) + " 行目) がありません";
            messages.showError(
                fileMessage(BOUNDARY_FILE_SUBJECT, boundaries->filePath(), reason.c_str()));
            return false;
        }
    }
    const ContiguityRule rule =
        options_.source == NeighbourSource::queen ? ContiguityRule::queen : ContiguityRule::rook;
    places_ = contiguityNeighbours(boundaries->points(), rule, options_.snapDistance);
    listLayer_ = boundaries->layerName();
    listIdField_ = boundaries->idFieldName();
    summaryName_ = sourceName_ + " contiguity of layer " + listLayer_;
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
    if (options_.boundaries && sameAs(options_.boundaries->filePath())) {
        clash = " は境界ファイルと同じファイルです";
    }
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
    std::vector<int> observed(rows.size());
    std::vector<double> expected(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        observed[k] = table.observed[rows[k]];
        expected[k] = table.expected[rows[k]];
    }
    std::vector<int> places(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) places[k] = placeOfRow_[rows[k]];
    const NeighbourList list = memberNeighbours(places_, places);
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
    // The regions of the list used, in order of first appearance.
    std::vector<int> position(places_.regionCount(), -1);
    std::vector<std::string> codes;
    for (int row = 1; row <= table.rowCount; ++row) {
        const auto region = static_cast<std::size_t>(placeOfRow_[row]);
        if (position[region] >= 0) continue;
        position[region] = static_cast<int>(codes.size());
        codes.push_back(codeOfRow(table, row));
    }
    // Two regions are neighbours in the list when they are in some unit.
    std::vector<std::pair<int, int>> pairs;
    std::vector<int> members;
    for (std::size_t unit = 0; unit < groups.unitCount(); ++unit) {
        members.clear();
        for (std::size_t k = groups.starts[unit]; k < groups.starts[unit + 1]; ++k) {
            members.push_back(placeOfRow_[groups.rows[k]]);
        }
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        for (const int region : members) {
            for (const int other : places_.neighboursOf(static_cast<std::size_t>(region))) {
                if (other > region && std::binary_search(members.begin(), members.end(), other)) {
                    pairs.emplace_back(position[static_cast<std::size_t>(region)],
                                       position[static_cast<std::size_t>(other)]);
                }
            }
        }
    }
    const NeighbourList list(codes.size(), pairs);
    note(options_.notes, summaryText(summaryName_, summarizeNeighbours(list), codes));
    if (!listOutput_) return true;
    std::string text;
    std::string error;
    if (!writeGal(codes, list, listLayer_, listIdField_, text, error)) {
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

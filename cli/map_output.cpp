#include "cli/map_output.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/text/file_messages.h"

namespace tolven {

MapOutput::MapOutput(MapsRequest request, RunBoundaries& boundaries, std::string footer)
    : request_(std::move(request)), boundaries_(boundaries), footer_(std::move(footer)) {}

MapOutput::~MapOutput() = default;

bool MapOutput::prepare(const InputTable& table, bool wholeFile, MessageSink& messages) {
    std::string error;
    const BoundaryLayer* layer = boundaries_.layer(error);
    if (layer == nullptr) {
        messages.showError(error);
        return false;
    }
    struct stat folder {};
    if (::mkdir(request_.folder.c_str(), 0777) != 0 &&
        (errno != EEXIST || ::stat(request_.folder.c_str(), &folder) != 0 ||
         !S_ISDIR(folder.st_mode))) {
        messages.showError(fileMessage("地図フォルダ", request_.folder, " を作成できません"));
        return false;
    }
    renderer_ =
        std::make_unique<BatchMapRenderer>(*layer, request_.format, request_.value, footer_);

    std::vector<int> units;
    if (wholeFile) {
        units.push_back(-1);
    } else {
        units.assign(table.unit.begin() + 1, table.unit.begin() + 1 + table.rowCount);
        std::sort(units.begin(), units.end());
        units.erase(std::unique(units.begin(), units.end()), units.end());
    }
    const std::string extension = batchMapExtension(request_.format);
    paths_.clear();
    for (const int unit : units) {
        paths_.push_back(request_.folder + "/unit_" +
                         (unit == -1 ? std::string("all") : std::to_string(unit)) + "." +
                         extension);
    }
    return true;
}

bool MapOutput::write(std::FILE* output, const RunOutcome& outcome, std::size_t unit,
                      MessageSink& messages) {
    const std::string bytes = renderer_->render(outcome, unit);
    if (bytes.empty()) {
        messages.showError(fileMessage(subject().c_str(), paths_.at(unit),
                                       " を描けません (境界を投影できません)"));
        return false;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), output);
    return true;
}

}  // namespace tolven

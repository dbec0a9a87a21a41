#include "run/default_names.h"

namespace tolven {

std::string defaultNameBase(const std::string& inputPath) {
    const std::string::size_type dot = inputPath.rfind('.');
    if (dot == std::string::npos) return inputPath;
    return inputPath.substr(0, dot);
}

std::string defaultOutputName(const std::string& base, bool csv) {
    return base + (csv ? "out.csv" : "out.txt");
}

std::string defaultLogName(const std::string& base) { return base + "out.log"; }

std::string defaultExpectedInputName(const std::string& base) { return base + "_expected.txt"; }

std::string switchExtension(const std::string& path, const std::string& from,
                            const std::string& to) {
    if (from.empty()) return path;
    std::string result;
    result.reserve(path.size());
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type hit = path.find(from, start);
        if (hit == std::string::npos) break;
        result.append(path, start, hit - start);
        result += to;
        start = hit + from.size();
    }
    result.append(path, start, std::string::npos);
    return result;
}

}  // namespace tolven

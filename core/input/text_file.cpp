#include "core/input/text_file.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace tolven {
namespace {

constexpr char END_OF_FILE_MARK = '\x1A';  // Ctrl-Z

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool readWholeFile(const std::string& path, UninitializedVector<char>& bytes) {
    if (path.find('\0') != std::string::npos) return false;
    // Binary mode: the text-mode rules (Ctrl-Z, CR-LF) are applied by the
    // readers the same way on every platform.
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    // The size of a regular file is taken first, so a large file is read into
    // one allocation without copying; pipes grow as they come.
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::size_t capacity = error ? 64 * 1024 : static_cast<std::size_t>(size) + 1;
    bytes.resize(capacity);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        const std::size_t count =
            std::fread(bytes.data() + used, 1, bytes.size() - used, file.get());
        used += count;
        if (count == 0) break;
    }
    bytes.resize(used);
    return std::ferror(file.get()) == 0;
}

std::size_t textModeLength(const UninitializedVector<char>& bytes) {
    if (bytes.empty()) return 0;
    const void* mark = std::memchr(bytes.data(), END_OF_FILE_MARK, bytes.size());
    return mark ? static_cast<std::size_t>(static_cast<const char*>(mark) - bytes.data())
                : bytes.size();
}

bool toInt(std::string_view field, int& value) {
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    return result.ec == std::errc();
}

bool toDecimal(std::string_view field, double& value) {
    // from_chars reads the longest decimal prefix whatever the locale. A field
    // with no digit before its second point (".", "..") reads as 0.
    value = 0.0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (result.ec == std::errc::result_out_of_range) return false;
    if (result.ec != std::errc()) value = 0.0;
    return true;
}

std::string lineMessage(const char* message, int lineNumber) {
    return std::string(message) + " : " + std::to_string(lineNumber) + "行目";
}

}  // namespace tolven

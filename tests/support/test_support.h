#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/text/user_messages.h"

namespace tolven::test {

// Records every failure message instead of showing it.
class RecordedMessages final : public MessageSink {
public:
    void showError(const std::string& text) override;

    std::vector<std::string> shown;
};

// A fresh, empty folder that is removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of a file named `name` inside the folder, as a byte string.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Writes `bytes` to `path` exactly, creating or replacing the file.
void writeFile(const std::string& path, const std::string& bytes);

// The whole content of the file at `path`, byte for byte; empty when missing.
std::string readFile(const std::string& path);

// The path of a fixture under tests/data.
std::string dataFile(const std::string& name);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

// The fields of one line of a table, split at `separator`.
std::vector<std::string> fieldsOf(const std::string& line, char separator = '\t');

}  // namespace tolven::test

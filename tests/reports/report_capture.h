#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

namespace tolven::test {

// Runs `write` on a fresh temporary stream and returns what it wrote.
template <typename Write>
std::string captured(Write write) {
    std::FILE* file = std::tmpfile();
    if (!file) throw std::runtime_error("no temporary file");
    write(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

}  // namespace tolven::test

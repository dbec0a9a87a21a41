#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolven::test {

// A setting's text, whether it is taken and the value it gives.
template <typename T>
struct ParseCase {
    const char* text;
    bool accepted;
    T value;
};

// Each text through `parse(text, value)`: a taken text gives exactly its
// value, a refused one leaves the value as it was.
template <typename T, typename Parse>
void expectParses(Parse parse, const std::vector<ParseCase<T>>& cases) {
    for (const ParseCase<T>& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + '"');
        T value = T(-42);
        EXPECT_EQ(parse(c.text, value), c.accepted);
        EXPECT_EQ(value, c.accepted ? c.value : T(-42));
    }
}

}  // namespace tolven::test

#include "core/text/user_messages.h"

#include <cstdio>

namespace tolven {

void StandardErrorSink::showError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace tolven

#include "cli/terminal_progress.h"

namespace tolven {
namespace {

constexpr auto QUIET_START = std::chrono::seconds(1);
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* terminal)
    : terminal_(terminal), start_(std::chrono::steady_clock::now()) {}

TerminalProgress::~TerminalProgress() { finish(); }

void TerminalProgress::estimating(std::size_t unitsDone, std::size_t unitCount) {
    const auto now = std::chrono::steady_clock::now();
    const bool last = unitsDone == unitCount;
    if (now - start_ < QUIET_START || (!last && shown_ && now - lastShown_ < REDRAW_INTERVAL)) {
        return;
    }
    char text[96];
    const double percent =
        unitCount == 0 ? 100.0
                       : 100.0 * static_cast<double>(unitsDone) / static_cast<double>(unitCount);
    std::snprintf(text, sizeof text, "units %zu / %zu (%.0f%%)", unitsDone, unitCount, percent);
    show(text);
    lastShown_ = now;
}

void TerminalProgress::writing() {
    if (std::chrono::steady_clock::now() - start_ >= QUIET_START) show("writing the result table");
}

void TerminalProgress::show(const char* text) {
    // Carriage return, the text, then erase to the end of the line.
    std::fprintf(terminal_, "\r%s\x1b[K", text);
    std::fflush(terminal_);
    shown_ = true;
}

void TerminalProgress::finish() {
    if (!shown_) return;
    std::fputs("\r\x1b[K", terminal_);
    std::fflush(terminal_);
    shown_ = false;
}

}  // namespace tolven

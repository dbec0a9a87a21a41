#pragma once

#include <chrono>
#include <cstdio>

#include "run/run_progress.h"

namespace tolven {

// Shows how far a run has got on a terminal: "units done / total (percent)",
// rewritten in place on one line. Nothing is shown during a run's first
// second, so short runs print nothing; the line is redrawn at most ten times
// a second and cleared when the run is over.
class TerminalProgress final : public RunProgress {
public:
    explicit TerminalProgress(std::FILE* terminal);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void estimating(std::size_t unitsDone, std::size_t unitCount) override;
    void writing() override;

    // Clears the line, if one was shown.
    void finish();

private:
    void show(const char* text);

    std::FILE* terminal_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
    bool shown_ = false;
};

}  // namespace tolven

#pragma once
// The one-line progress display on a terminal: points done, the percentage
// when the input's size is known, and the rate; redrawn at most four times
// a second and cleared at the end.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace veltrane {

// Inputs above this size (or of unknown size) show progress on a terminal.
constexpr uint64_t kProgressMinimumBytes = 50ull * 1000 * 1000;

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    // Draws on `terminal`; totalBytes is the input's size, 0 when unknown.
    ProgressLine(std::FILE *terminal, uint64_t totalBytes, Clock::time_point start = Clock::now());

    // Redraws the line unless it was drawn less than a quarter second ago.
    void update(uint64_t points, uint64_t bytes, Clock::time_point now = Clock::now());
    // Clears the line, if one was drawn.
    void clear();

    // The text of the line (without the carriage return).
    static std::string text(uint64_t points, uint64_t bytes, uint64_t totalBytes, double seconds);

private:
    std::FILE *terminal_;
    uint64_t totalBytes_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_;
    bool drawn_ = false;
};

}  // namespace veltrane

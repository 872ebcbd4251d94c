#include "command/progress.h"

#include "command/options.h"

namespace veltrane {

namespace {

// Shortest time between two redraws.
constexpr std::chrono::milliseconds kRedrawInterval{250};

// "\r" returns to the start of the line, "\033[K" clears to its end.
const char *const kReturn = "\r";
const char *const kClearToEnd = "\033[K";

}  // namespace

ProgressLine::ProgressLine(std::FILE *terminal, uint64_t totalBytes, Clock::time_point start)
    : terminal_(terminal), totalBytes_(totalBytes), start_(start), lastDrawn_(start)
{
}

std::string ProgressLine::text(uint64_t points, uint64_t bytes, uint64_t totalBytes, double seconds)
{
    std::string line = kMessagePrefix + std::to_string(points) + " points";
    if (totalBytes > 0) {
        const uint64_t percent = bytes >= totalBytes ? 100 : bytes * 100 / totalBytes;
        line += ", " + std::to_string(percent) + " %";
    }
    if (seconds > 0.0)
        line += ", " + std::to_string(static_cast<uint64_t>(double(points) / seconds)) + " points/s";
    return line;
}

void ProgressLine::update(uint64_t points, uint64_t bytes, Clock::time_point now)
{
    if (now - lastDrawn_ < kRedrawInterval)
        return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(terminal_, "%s%s%s", kReturn, text(points, bytes, totalBytes_, seconds).c_str(), kClearToEnd);
    std::fflush(terminal_);
    drawn_ = true;
}

void ProgressLine::clear()
{
    if (!drawn_)
        return;
    std::fprintf(terminal_, "%s%s", kReturn, kClearToEnd);
    std::fflush(terminal_);
    drawn_ = false;
}

}  // namespace veltrane

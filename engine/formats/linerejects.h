#pragma once
// Lines of an input that are neither points, comments nor blank: why each
// was not read as a point, and where it is.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

enum class RejectReason : uint8_t {
    NotANumber,           // the column holds no number
    MissingColumn,        // the line ends before the column
    NoIdentifier,         // nothing where the identifier belongs
    NotFinite,            // NaN or infinite
    NotAnAngle,           // no angle in degrees, minutes and seconds
    LatitudeOutOfRange,   // beyond +-90 degrees
    LongitudeOutOfRange,  // beyond +-360 degrees
    UnclosedQuote,        // a quoted field runs to the end of the input
};

// Largest magnitudes of the coordinates a point may have, degrees.
constexpr double kLatitudeLimit = 90.0;
constexpr double kLongitudeLimit = 360.0;

// One rejected line; `column` counts from 1 (0 when the reason names none).
struct LineReject {
    uint64_t line = 0;
    RejectReason reason = RejectReason::NotANumber;
    uint32_t column = 0;
};

// "line 12: not a number in column 2".
QString rejectText(const LineReject &reject);

// True, with the reason and column in `reject`, when x, y and h read from
// columns[0..2] cannot be a point: a number that is not finite or, when they
// are `degrees` (longitude and latitude), a coordinate out of range.
bool valuesRejected(double x, double y, double h, const uint32_t columns[3], bool degrees, LineReject &reject);

// The rejected lines of one stretch of input: all of them counted, the
// first `keep` kept.
struct RejectLog {
    uint64_t count = 0;
    std::vector<LineReject> kept;
    size_t keep = 0;

    void add(const LineReject &reject)
    {
        ++count;
        if (kept.size() < keep)
            kept.push_back(reject);
    }
};

}  // namespace veltrane

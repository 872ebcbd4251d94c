#pragma once
// Round numbers and their texts for the picture's scales: millimetres, the
// graticule's step and its degree-and-minute labels, the ground scale.

#include <QString>

namespace veltrane {

constexpr double kMillimetresPerMetre = 1000.0;
constexpr double kMinutesPerDegree = 60.0;
constexpr double kSecondsPerDegree = 3600.0;

// Largest of 1, 2 and 5 times a power of ten not above `value` (> 0).
double roundDown125(double value);

// Smallest of 1, 2, 2.5 and 5 times a power of ten not below `value` (> 0).
double roundUpStep(double value);

// "0.129 mm", "1.21 mm", "12.3 mm", "123 mm", "0.2 mm": three significant
// digits at most, at most four decimals, no trailing zeros.
QString millimetreText(double millimetres);

// The number alone, as millimetreText() gives it.
QString millimetreNumber(double millimetres);

// The graticule's step in degrees: a whole number of seconds, minutes or
// degrees (1, 2, 5, 10, 15, 20, 30 of each; 1, 2, 5, 10, 15, 30, 45 degrees)
// giving at least `lines` lines over `span` degrees, as few as may be.
double graticuleStep(double spanDegrees, int lines);

// "124°30′W", "42°00′N", "0°00′"; with seconds ("42°15′30″N") when `step`
// is below a minute or the angle is not a whole minute.
QString angleText(double degrees, bool latitude, double stepDegrees);

// Length of the ground scale bar, km: a round number near a fifth of `widthKm`.
double groundScaleKm(double widthKm);

}  // namespace veltrane

#pragma once
// Angles written in degrees, minutes and seconds, read and written.

#include <cstddef>

namespace veltrane {

enum class AngleAxis {
    Longitude,  // hemispheres E and W
    Latitude,   // hemispheres N and S
};

// Reads [begin, end) as an angle in degrees: decimal degrees, or degrees,
// minutes and seconds such as 122°39'27.5"W, 122 39 27.5 W, -122:39:27.5,
// N44d32m11.2s or 44 32.5 N; a sign or a hemisphere letter of the axis
// (before or after) gives the direction. The degree sign may be UTF-8 or
// Latin-1, the minute and second marks ' " or the primes. With
// `decimalComma` a comma is the decimal mark. False when the text is none of
// these, or minutes or seconds are 60 or more.
bool parseAngle(const char *begin, const char *end, AngleAxis axis, bool decimalComma, double &degrees);

// Decimals of the seconds unless asked otherwise: 0.00001" is about 0.3 mm.
constexpr int kDefaultSecondsDecimals = 5;
// Most characters formatAngle writes.
constexpr size_t kMaxAngleLength = 32;

// Writes `degrees` as DDD°MM'SS.sss"H (longitude, three degree digits) or
// DD°MM'SS.sss"H (latitude) with `decimals` of the seconds, the degree sign
// in UTF-8; returns the end of the text. A decimal comma replaces the point
// when asked. Values that are not finite are written as formatFixed does.
char *formatAngle(char *out, double degrees, AngleAxis axis, int decimals, bool decimalComma);

}  // namespace veltrane

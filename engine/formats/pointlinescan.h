#pragma once

#include "engine/formats/linerejects.h"

namespace veltrane {

// Scanning of point-file lines, equal in every respect to the C library's
// sscanf(text, "%lf%c%lf%c%lf%c%s") in the "C" locale, without its cost:
// which characters each conversion takes, when it fails, and the value of
// every number (the one strtod gives for the characters taken).
//
// A "%lf" conversion skips white space, then takes characters as long as they
// can continue a number: an optional sign; "nan" or "inf"/"infinity" in any
// case; otherwise digits with at most one point and, after a digit, one
// exponent mark ("e", or "p" after a "0x" prefix) with an optional sign right
// after it. Characters taken are never given back, so "1e,2" uses up "1e" and
// has the value 1, and "nan(1)" stops before "(". The conversion fails when
// strtod accepts no leading part of what was taken, and when a "0x" prefix
// is all that was taken.

// One line's fields; the identifier points into the scanned text.
struct PointLineFields {
    double x = 0.0;
    double y = 0.0;
    double h = 0.0;
    const char *idBegin = nullptr;
    const char *idEnd = nullptr;
};

// One "%lf" conversion on the text [p, end): returns the position after the
// characters it took and sets `value`, or returns nullptr when it fails.
const char *scanDoubleLikeScanf(const char *p, const char *end, double &value);

// The whole pattern on [begin, end), where `end` plays the part of the
// string's terminator. True when all seven conversions succeed.
bool scanPointLine(const char *begin, const char *end, PointLineFields &fields);

// Why scanPointLine failed on [begin, end): the column whose number is
// missing or unreadable, or the missing identifier.
void explainPointLineFailure(const char *begin, const char *end, LineReject &reject);

// True when [begin, end) holds nothing but white space.
bool isBlankText(const char *begin, const char *end);

}  // namespace veltrane

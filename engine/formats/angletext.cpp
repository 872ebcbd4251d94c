#include "engine/formats/angletext.h"

#include "engine/formats/fixedformat.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <cstring>

namespace veltrane {

namespace {

constexpr double kMinutesPerDegree = 60.0;
constexpr double kSecondsPerDegree = 3600.0;
// Most characters of one number of an angle.
constexpr size_t kMaxNumberLength = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// +1 or -1 for a hemisphere letter of the axis, 0 for any other character.
int hemisphereSign(char c, AngleAxis axis)
{
    switch (upper(c)) {
    case 'N':
        return axis == AngleAxis::Latitude ? 1 : 0;
    case 'S':
        return axis == AngleAxis::Latitude ? -1 : 0;
    case 'E':
        return axis == AngleAxis::Longitude ? 1 : 0;
    case 'W':
        return axis == AngleAxis::Longitude ? -1 : 0;
    default:
        return 0;
    }
}

// Skips one mark that may follow a number of an angle: blanks, ':', a
// degree, minute or second sign, or a letter d, m or s. Returns the
// position after it; `p` itself when there is none.
const char *skipMark(const char *p, const char *end)
{
    static const char *const marks[] = {"\xc2\xb0",
                                        "\xc2\xba",
                                        "\xe2\x80\xb2",
                                        "\xe2\x80\xb3",
                                        "''",
                                        "\xb0",
                                        "\xba",
                                        "'",
                                        "\"",
                                        ":",
                                        "d",
                                        "m",
                                        "s",
                                        "D",
                                        "M",
                                        "S"};
    for (const char *mark : marks) {
        const size_t length = std::strlen(mark);
        if (size_t(end - p) >= length && std::memcmp(p, mark, length) == 0) {
            p += length;
            break;
        }
    }
    while (p != end && isBlank(*p))
        ++p;
    return p;
}

// Reads digits with at most one decimal mark at `p`; returns the end or nullptr.
const char *readNumber(const char *p, const char *end, bool decimalComma, double &value, bool &fraction)
{
    const char mark = decimalComma ? ',' : '.';
    char text[kMaxNumberLength];
    size_t length = 0;
    fraction = false;
    bool digit = false;
    for (; p != end && length < kMaxNumberLength; ++p) {
        if (isDigit(*p)) {
            digit = true;
            text[length++] = *p;
        } else if (*p == mark && !fraction) {
            fraction = true;
            text[length++] = '.';
        } else {
            break;
        }
    }
    if (!digit || (p != end && length == kMaxNumberLength))
        return nullptr;
    return std::from_chars(text, text + length, value).ec == std::errc() ? p : nullptr;
}

}  // namespace

bool parseAngle(const char *begin, const char *end, AngleAxis axis, bool decimalComma, double &degrees)
{
    while (begin != end && isBlank(*begin))
        ++begin;
    while (end != begin && isBlank(end[-1]))
        --end;
    if (begin == end)
        return false;
    int sign = 0;  // 0: none given
    if (*begin == '-' || *begin == '+') {
        sign = *begin == '-' ? -1 : 1;
        ++begin;
    } else if (const int hemisphere = hemisphereSign(*begin, axis)) {
        sign = hemisphere;
        ++begin;
    }
    // A trailing letter is the hemisphere unless the start gave the
    // direction, or it is an "s" of seconds right after a digit.
    const bool secondsMark = end - begin > 1 && end[-1] == 's' && isDigit(end[-2]);
    if (sign == 0 && end != begin && !secondsMark) {
        if (const int hemisphere = hemisphereSign(end[-1], axis)) {
            sign = hemisphere;
            --end;
        }
    }
    while (begin != end && isBlank(*begin))
        ++begin;

    double parts[3] = {0.0, 0.0, 0.0};
    int count = 0;
    const char *p = begin;
    bool fraction = false;
    while (p != end) {
        if (count == 3 || fraction)
            return false;  // a fourth number, or one after a decimal fraction
        p = readNumber(p, end, decimalComma, parts[count], fraction);
        if (!p)
            return false;
        ++count;
        const char *next = skipMark(p, end);
        if (next == p && p != end)
            return false;
        p = next;
    }
    if (count == 0 || parts[1] >= kMinutesPerDegree || parts[2] >= kMinutesPerDegree)
        return false;
    const double magnitude = parts[0] + (parts[1] * kMinutesPerDegree + parts[2]) / kSecondsPerDegree;
    degrees = sign < 0 ? -magnitude : magnitude;
    return true;
}

char *formatAngle(char *out, double degrees, AngleAxis axis, int decimals, bool decimalComma)
{
    if (!std::isfinite(degrees))
        return formatFixed(out, degrees, 1);
    const bool negative = std::signbit(degrees);
    const double magnitude = std::fabs(degrees);
    double whole = std::floor(magnitude);
    const double minutesTotal = (magnitude - whole) * kMinutesPerDegree;
    double minutes = std::floor(minutesTotal);
    char seconds[kMaxFixedLength];
    char *secondsEnd = formatFixed(seconds, (minutesTotal - minutes) * kMinutesPerDegree, decimals);
    if (seconds[0] == '6' && seconds[1] == '0') {  // rounded up to a whole minute
        secondsEnd = formatFixed(seconds, 0.0, decimals);
        if (++minutes == kMinutesPerDegree) {
            minutes = 0;
            ++whole;
        }
    }
    const int width = axis == AngleAxis::Longitude ? 3 : 2;
    out += std::snprintf(out, kMaxAngleLength, "%0*d\xc2\xb0%02d'", width, int(whole), int(minutes));
    if (secondsEnd - seconds == decimals + 2)
        *out++ = '0';  // one integer digit: two are written
    for (const char *c = seconds; c != secondsEnd; ++c)
        *out++ = *c == '.' && decimalComma ? ',' : *c;
    *out++ = '"';
    const char *hemispheres = axis == AngleAxis::Longitude ? "EW" : "NS";
    *out++ = hemispheres[negative ? 1 : 0];
    return out;
}

}  // namespace veltrane

#include "engine/formats/pointlinescan.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace veltrane {

namespace {

// White space as isspace() has it in the "C" locale.
inline bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
inline bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// True when [p, end) starts with `word` (lower case), in any case.
bool startsWithWord(const char *p, const char *end, const char *word)
{
    for (; *word; ++p, ++word) {
        if (p == end || lower(*p) != *word)
            return false;
    }
    return true;
}

// strtod in the "C" locale, whatever locale the process has set.
double strtodInCLocale(const char *text, char **endOfNumber)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text, endOfNumber, cLocale);
}

// Value of the characters a conversion took, as strtod reads them; false when
// strtod accepts none of them. `unsigned` starts after an optional sign.
bool tokenValue(const char *token, const char *unsignedStart, const char *end, bool negative, bool hex, double &value)
{
    if (!hex) {
        double magnitude;
        const std::from_chars_result read = std::from_chars(unsignedStart, end, magnitude);
        if (read.ec == std::errc()) {
            value = negative ? -magnitude : magnitude;
            return true;
        }
        if (read.ec == std::errc::invalid_argument)
            return false;  // no digit: strtod takes nothing either
        // Out of range: strtod gives the infinity or the underflowed value.
    }
    const std::string text(token, end);
    char *stop = nullptr;
    const double parsed = strtodInCLocale(text.c_str(), &stop);
    if (stop == text.c_str())
        return false;
    value = parsed;
    return true;
}

}  // namespace

const char *scanDoubleLikeScanf(const char *p, const char *end, double &value)
{
    while (p != end && isSpace(*p))
        ++p;
    if (p == end)
        return nullptr;

    const char *const token = p;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        if (++p == end)
            return nullptr;
    }

    if (lower(*p) == 'n') {
        if (!startsWithWord(p, end, "nan"))
            return nullptr;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        value = negative ? -nan : nan;
        return p + 3;
    }
    if (lower(*p) == 'i') {
        if (!startsWithWord(p, end, "inf"))
            return nullptr;
        p += 3;
        // Once an "i" follows, the whole of "infinity" must.
        if (p != end && lower(*p) == 'i') {
            if (!startsWithWord(p, end, "inity"))
                return nullptr;
            p += 5;
        }
        const double inf = std::numeric_limits<double>::infinity();
        value = negative ? -inf : inf;
        return p;
    }

    const char *const unsignedStart = p;
    bool hex = false, gotDigit = false, gotDot = false, gotExponent = false;
    char exponentMark = 'e';
    if (*p == '0') {
        ++p;
        if (p != end && lower(*p) == 'x') {
            hex = true;
            exponentMark = 'p';
            ++p;
        } else {
            gotDigit = true;
        }
    }
    for (; p != end; ++p) {
        const char c = *p;
        if (isDigit(c)) {
            gotDigit = true;
        } else if (hex && !gotExponent && isHexDigit(c)) {
            gotDigit = true;
        } else if (gotExponent && lower(p[-1]) == exponentMark && (c == '-' || c == '+')) {
            continue;
        } else if (gotDigit && !gotExponent && lower(c) == exponentMark) {
            gotExponent = gotDot = true;
        } else if (!gotDot && c == '.') {
            gotDot = true;
        } else {
            break;
        }
    }
    // A "0x" prefix with nothing after it fails, although strtod would take its "0".
    if (hex && p - unsignedStart == 2)
        return nullptr;
    return tokenValue(token, unsignedStart, p, negative, hex, value) ? p : nullptr;
}

bool scanPointLine(const char *begin, const char *end, PointLineFields &fields)
{
    const char *p = begin;
    for (double *number : {&fields.x, &fields.y, &fields.h}) {
        p = scanDoubleLikeScanf(p, end, *number);
        if (!p || p == end)
            return false;
        ++p;  // the separator: any one character
    }
    while (p != end && isSpace(*p))
        ++p;
    if (p == end)
        return false;
    fields.idBegin = p;
    while (p != end && !isSpace(*p))
        ++p;
    fields.idEnd = p;
    return true;
}

bool isBlankText(const char *begin, const char *end)
{
    while (begin != end && isSpace(*begin))
        ++begin;
    return begin == end;
}

void explainPointLineFailure(const char *begin, const char *end, LineReject &reject)
{
    const char *p = begin;
    double value;
    for (uint32_t column = 1; column <= 3; ++column) {
        const char *next = scanDoubleLikeScanf(p, end, value);
        if (!next) {
            reject.reason = isBlankText(p, end) ? RejectReason::MissingColumn : RejectReason::NotANumber;
            reject.column = column;
            return;
        }
        if (next == end && column < 3) {
            reject.reason = RejectReason::MissingColumn;
            reject.column = column + 1;
            return;
        }
        if (next == end)
            break;
        p = next + 1;
    }
    reject.reason = RejectReason::NoIdentifier;
    reject.column = 4;
}

}  // namespace veltrane

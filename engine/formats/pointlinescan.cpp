#include "engine/formats/pointlinescan.h"

#include <charconv>
#include <clocale>
#include <cstdint>
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

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPowerOfTen = 22;
// Integers up to 2^53 are exact doubles.
constexpr uint64_t kLargestExactInteger = uint64_t(1) << 53;
// More significant digits than this may not fit 64 bits.
constexpr int kMaxFastDigits = 19;

// Digits of a decimal number gathered while it is scanned. When they form
// an integer m <= 2^53 and the decimal exponent k has |k| <= 22, m and 10^|k|
// are exact doubles and one multiplication or division rounds correctly, so
// m * 10^k is the value strtod gives, without a second look at the text.
struct DecimalDigits {
    uint64_t mantissa = 0;
    int significantDigits = 0;  // leading zeros left out
    int fractionDigits = 0;
    int exponent = 0;  // as written after the exponent mark, capped
    bool exponentNegative = false;
    bool exponentHasDigits = false;

    void addMantissaDigit(char c, bool afterPoint)
    {
        if (mantissa != 0 || c != '0') {
            ++significantDigits;
            mantissa = mantissa * 10 + uint64_t(c - '0');  // checked by value() before use
        }
        fractionDigits += afterPoint ? 1 : 0;
    }

    void addExponentDigit(char c)
    {
        exponentHasDigits = true;
        if (exponent < kExponentCap)
            exponent = exponent * 10 + (c - '0');
    }

    // The value when the quick rule applies.
    bool value(double &magnitude) const
    {
        if (significantDigits > kMaxFastDigits || mantissa > kLargestExactInteger)
            return false;
        // An exponent mark without digits is not part of the number for strtod.
        const int written = exponentHasDigits ? (exponentNegative ? -exponent : exponent) : 0;
        const int k = written - fractionDigits;
        if (k < -kLargestExactPowerOfTen || k > kLargestExactPowerOfTen)
            return false;
        magnitude = k < 0 ? double(mantissa) / kExactPowersOfTen[-k] : double(mantissa) * kExactPowersOfTen[k];
        return true;
    }

    // Larger written exponents are not taken to the quick rule anyway.
    static constexpr int kExponentCap = 100000;
};

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
    DecimalDigits digits;  // meaningful for decimal numbers only
    for (; p != end; ++p) {
        const char c = *p;
        if (isDigit(c)) {
            gotDigit = true;
            if (gotExponent)
                digits.addExponentDigit(c);
            else
                digits.addMantissaDigit(c, gotDot);
        } else if (hex && !gotExponent && isHexDigit(c)) {
            gotDigit = true;
        } else if (gotExponent && lower(p[-1]) == exponentMark && (c == '-' || c == '+')) {
            digits.exponentNegative = c == '-';
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
    double magnitude;
    if (!hex && gotDigit && digits.value(magnitude)) {
        value = negative ? -magnitude : magnitude;
        return p;
    }
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

}  // namespace veltrane

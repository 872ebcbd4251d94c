#include "engine/formats/fixedformat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace veltrane {

namespace {

using uint128 = unsigned __int128;

// At or above this magnitude every double is an integer; below it the
// integer part fits a 64-bit integer.
constexpr double kTwoPow53 = 9007199254740992.0;

// IEEE binary64 layout: a normal value is (2^52 + fraction) * 2^(field - 1075),
// a subnormal one fraction * 2^-1074.
constexpr int kFractionBits = 52;
constexpr int kExponentBias = 1075;
constexpr int kExponentFieldMask = 0x7ff;
constexpr uint64_t kFractionMask = (uint64_t(1) << kFractionBits) - 1;
constexpr uint64_t kImplicitBit = uint64_t(1) << kFractionBits;

constexpr uint64_t kPowersOfTen[kMaxFixedDecimals + 1] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
    1000000000000000000ull,
    10000000000000000000ull,
};

constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

constexpr uint32_t kTenPow8 = 100000000;

// Writes the two digits of v < 100.
inline void writePair(char *out, uint32_t v)
{
    std::memcpy(out, kDigitPairs + 2 * v, 2);
}

// Writes exactly 8 digits of v < 10^8, as two independent halves.
inline void writeEight(char *out, uint32_t v)
{
    const uint32_t high = v / 10000, low = v % 10000;
    writePair(out, high / 100);
    writePair(out + 2, high % 100);
    writePair(out + 4, low / 100);
    writePair(out + 6, low % 100);
}

// Writes exactly `width` (0 .. 4) digits of v < 10^width.
inline void writeUpToFour(char *out, uint32_t v, int width)
{
    switch (width) {
    case 4:
        writePair(out, v / 100);
        writePair(out + 2, v % 100);
        break;
    case 3:
        *out = char('0' + v / 100);
        writePair(out + 1, v % 100);
        break;
    case 2:
        writePair(out, v);
        break;
    case 1:
        *out = char('0' + v);
        break;
    default:
        break;
    }
}

// Writes exactly `width` (0 .. 8) digits of v < 10^width.
inline void writeShort(char *out, uint32_t v, int width)
{
    if (width > 4) {
        writeUpToFour(out, v / 10000, width - 4);
        writeUpToFour(out + width - 4, v % 10000, 4);
    } else {
        writeUpToFour(out, v, width);
    }
}

// Writes exactly `width` digits of v, with leading zeros; returns the end.
// Works on groups of eight and four digits in 32-bit arithmetic, so that the
// divisions do not wait on each other as they do when a 64-bit value is
// taken apart two digits at a time.
char *writeDigits(char *out, uint64_t v, int width)
{
    char *const end = out + width;
    char *p = end;
    for (; width > 8; width -= 8) {
        p -= 8;
        writeEight(p, uint32_t(v % kTenPow8));
        v /= kTenPow8;
    }
    writeShort(out, uint32_t(v), width);
    return end;
}

// Writes v in decimal without leading zeros ("0" for zero); returns the end.
char *writeInteger(char *out, uint64_t v)
{
    int width = 1;
    for (uint64_t limit = 10; width < 20 && v >= limit; limit *= 10)
        ++width;
    return writeDigits(out, v, width);
}

char *writeText(char *out, const char *text)
{
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// frac (0 <= frac < 1, exact) times 10^decimals, rounded half to even on the
// exact binary value, as the C library rounds in the default rounding mode.
uint64_t scaledFraction(double frac, int decimals)
{
    uint64_t bits;
    std::memcpy(&bits, &frac, sizeof bits);
    const int field = int(bits >> kFractionBits) & kExponentFieldMask;
    if (field == 0 && (bits & kFractionMask) == 0)
        return 0;
    const uint64_t mantissa = field == 0 ? (bits & kFractionMask) : ((bits & kFractionMask) | kImplicitBit);
    // frac = mantissa * 2^-shift; shift > 52 because frac < 1.
    const int shift = field == 0 ? kExponentBias - 1 : kExponentBias - field;
    const uint128 product = uint128(mantissa) * kPowersOfTen[decimals];  // < 2^53 * 10^19 < 2^117
    if (shift >= 128)
        return 0;  // product * 2^-shift < 2^-11: rounds to 0
    const uint64_t quotient = uint64_t(product >> shift);
    const uint128 remainder = product & ((uint128(1) << shift) - 1);
    const uint128 half = uint128(1) << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1)))
        return quotient + 1;
    return quotient;
}

}  // namespace

char *formatFixed(char *out, double value, int decimals)
{
    const bool negative = std::signbit(value);
    if (std::isnan(value))
        return writeText(out, negative ? "-nan" : "nan");
    if (std::isinf(value))
        return writeText(out, negative ? "-inf" : "inf");

    if (negative)
        *out++ = '-';
    const double magnitude = std::fabs(value);
    if (magnitude >= kTwoPow53) {
        // An integer: its exact digits, then a point and zeros.
        const std::to_chars_result digits =
            std::to_chars(out, out + kMaxFixedLength, magnitude, std::chars_format::fixed, 0);
        out = digits.ptr;
        *out++ = '.';
        std::memset(out, '0', size_t(decimals));
        return out + decimals;
    }

    uint64_t integerPart = uint64_t(magnitude);
    const double fraction = magnitude - double(integerPart);  // exact below 2^53
    uint64_t scaled = scaledFraction(fraction, decimals);
    if (scaled == kPowersOfTen[decimals]) {  // rounded up into the integer part
        scaled = 0;
        ++integerPart;
    }
    out = writeInteger(out, integerPart);
    *out++ = '.';
    return writeDigits(out, scaled, decimals);
}

}  // namespace veltrane

// Fixed-point formatting and the output line against the C library's
// printf: "%.15lf" and "%.6lf" byte for byte on special values, exact ties,
// rounding carries, every binary exponent and random doubles;
// VELTRANE_PARITY_COUNT sets the number of random doubles.

#include "engine/formats/fixedformat.h"
#include "engine/formats/outputwriter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

constexpr int kDefaultRandomDoubles = 400000;

int randomDoubleCount()
{
    const char *text = std::getenv("VELTRANE_PARITY_COUNT");
    return text ? std::atoi(text) : kDefaultRandomDoubles;
}

std::string printed(double value, int decimals)
{
    std::vector<char> text(std::snprintf(nullptr, 0, "%.*lf", decimals, value) + 1);
    std::snprintf(text.data(), text.size(), "%.*lf", decimals, value);
    return text.data();
}

std::string formatted(double value, int decimals)
{
    char text[kMaxFixedLength];
    return std::string(text, formatFixed(text, value, decimals));
}

::testing::AssertionResult formatsLikePrintf(double value, int decimals)
{
    const std::string expected = printed(value, decimals);
    const std::string got = formatted(value, decimals);
    if (got == expected)
        return ::testing::AssertionSuccess();
    char bits[40];
    std::snprintf(bits, sizeof bits, "%a", value);
    return ::testing::AssertionFailure() << bits << " with " << decimals << " decimals: \"" << got << "\" instead of \""
                                         << expected << "\"";
}

double fromBits(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(FixedFormat, SpecialValuesAsPrintfWritesThem)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(formatted(nan, 15), "nan");
    EXPECT_EQ(formatted(-nan, 15), "-nan");
    EXPECT_EQ(formatted(inf, 6), "inf");
    EXPECT_EQ(formatted(-inf, 6), "-inf");
    EXPECT_EQ(formatted(-0.0, 6), "-0.000000");
    EXPECT_EQ(formatted(-1e-9, 6), "-0.000000");  // rounds to zero, keeps the sign
    for (double value : {nan,
                         -nan,
                         inf,
                         -inf,
                         0.0,
                         -0.0,
                         DBL_MAX,
                         -DBL_MAX,
                         DBL_MIN,
                         -DBL_MIN,
                         std::numeric_limits<double>::denorm_min(),
                         DBL_EPSILON,
                         1.0,
                         -1.0,
                         0.5,
                         1.5,
                         2.5,
                         9007199254740991.0,
                         9007199254740992.0,
                         9007199254740993.0,
                         1e16,
                         1e22,
                         1e23,
                         1e300}) {
        EXPECT_TRUE(formatsLikePrintf(value, 15));
        EXPECT_TRUE(formatsLikePrintf(value, 6));
    }
    EXPECT_TRUE(formatsLikePrintf(fromBits(0x7ff0000000000001ull), 15));  // signalling NaN
    EXPECT_TRUE(formatsLikePrintf(fromBits(0xfff8000000000123ull), 15));
}

TEST(FixedFormat, ExactTiesRoundHalfToEvenAndCarriesReachTheIntegerPart)
{
    for (int decimals = 1; decimals <= kMaxFixedDecimals; ++decimals) {
        // k / 2^n is exact; with n = decimals + 1 it lies on a tie.
        for (int n = 1; n <= 60; ++n) {
            for (double k : {1.0, 3.0, 5.0, 7.0, 9.0, 11.0, 1023.0, 4097.0}) {
                const double value = std::ldexp(k, -n);
                EXPECT_TRUE(formatsLikePrintf(value, decimals));
                EXPECT_TRUE(formatsLikePrintf(-value, decimals));
                EXPECT_TRUE(formatsLikePrintf(value + 122.0, decimals));
            }
        }
        for (double value :
             {0.9999999999999999, 9.9999999999999995, 99.99999999999999, 0.99999949999999, 0.9999995,
              123.9999999999999999, 0.05, 0.15, 0.25, 0.35, 1e-15, 5e-16, 4.9e-16, 5e-7, 4.9999999e-7, 1.0000005})
            EXPECT_TRUE(formatsLikePrintf(value, decimals));
    }
}

TEST(FixedFormat, EveryBinaryExponent)
{
    std::mt19937_64 rng(1);
    for (uint64_t field = 0; field < 0x7ff; ++field) {
        for (int k = 0; k < 8; ++k) {
            const uint64_t fraction = k == 0 ? 0 : (k == 1 ? (uint64_t(1) << 52) - 1 : rng() >> 12);
            const double value = fromBits(field << 52 | fraction);
            ASSERT_TRUE(formatsLikePrintf(value, 15));
            ASSERT_TRUE(formatsLikePrintf(-value, 6));
        }
    }
}

TEST(FixedFormat, RandomDoublesLikePrintf)
{
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> longitude(-180.0, 180.0), height(-500.0, 5000.0), tiny(-1e-5, 1e-5);
    std::uniform_int_distribution<int> decimals(1, kMaxFixedDecimals);
    const int count = randomDoubleCount();
    int failures = 0;
    for (int i = 0; i < count && failures < 20; ++i) {
        double value;
        switch (i % 5) {
        case 0:
            value = fromBits(rng());  // any bit pattern: huge, tiny, subnormal, NaN
            break;
        case 1:
            value = longitude(rng);
            break;
        case 2:
            value = height(rng);
            break;
        case 3:
            value = tiny(rng);
            break;
        default:
            value = std::ldexp(double(rng() >> 11), int(rng() % 140) - 110);  // integers and short fractions
            break;
        }
        const int places = i % 3 == 0 ? 15 : (i % 3 == 1 ? 6 : decimals(rng));
        const ::testing::AssertionResult result = formatsLikePrintf(value, places);
        EXPECT_TRUE(result);
        failures += result ? 0 : 1;
    }
}

// The output line as the straightforward writer prints it.
std::string printedLine(const PointRecord &r, int mode)
{
    const bool cors96First = mode == 1;
    const QByteArray id = r.id.toLatin1();
    const char *format = "%s,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.6lf\n";
    const double x1 = cors96First ? r.x : r.xTo, y1 = cors96First ? r.y : r.yTo, h1 = cors96First ? r.h : r.hTo;
    const double x2 = cors96First ? r.xTo : r.x, y2 = cors96First ? r.yTo : r.y, h2 = cors96First ? r.hTo : r.h;
    std::vector<char> text(
        std::snprintf(nullptr, 0, format, id.constData(), x1, y1, h1, x2, y2, h2, r.s, r.azimuth, r.dh) + 1);
    std::snprintf(text.data(), text.size(), format, id.constData(), x1, y1, h1, x2, y2, h2, r.s, r.azimuth, r.dh);
    return text.data();
}

TEST(FixedFormat, ShiftLinesLikeFprintf)
{
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> lon(-125.0, -120.0), lat(40.0, 47.0), h(-50.0, 3000.0), shift(-1e-6, 1e-6);
    const std::vector<QString> ids = {QStringLiteral("P1"),
                                      QString(),
                                      QStringLiteral("\u00e9t\u00e9"),
                                      QStringLiteral("\u20ac100"),
                                      QString::fromLatin1("A\0B", 3),
                                      QString(300, QLatin1Char('L'))};
    for (int i = 0; i < 3000; ++i) {
        PointRecord r;
        r.x = lon(rng), r.y = lat(rng), r.h = h(rng);
        r.dx = shift(rng), r.dy = shift(rng), r.dh = shift(rng) * 1e4;
        r.xTo = r.x + r.dx, r.yTo = r.y + r.dy, r.hTo = r.h + r.dh;
        r.s = std::fabs(shift(rng)) * 1e5;
        r.azimuth = lon(rng);
        if (i % 50 == 0)
            r.xTo = r.yTo = r.hTo = r.dh = 0.0;  // a point outside the network
        if (i % 97 == 0)
            r.s = std::numeric_limits<double>::quiet_NaN(), r.azimuth = -r.s;
        r.id = ids[size_t(i) % ids.size()];
        for (int mode : {1, 2}) {
            const QByteArray line = formatShiftLine(r, directionFromMode(mode));
            ASSERT_EQ(std::string(line.constData(), size_t(line.size())), printedLine(r, mode)) << "record " << i;
        }
    }
}

}  // namespace

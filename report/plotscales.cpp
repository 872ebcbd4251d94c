#include "report/plotscales.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

constexpr int kSignificantDigits = 3;
constexpr int kMaxMillimetreDecimals = 4;
// Share of the map's width the ground scale bar takes, about.
constexpr double kGroundScaleShare = 0.2;

}  // namespace

double roundDown125(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= value)
            return step * power;
    return power;
}

double roundUpStep(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (step * power >= value)
            return step * power;
    return 10.0 * power;
}

QString millimetreNumber(double millimetres)
{
    const double magnitude = std::fabs(millimetres);
    int decimals = kMaxMillimetreDecimals;
    if (magnitude > 0.0)
        decimals =
            std::clamp(kSignificantDigits - 1 - int(std::floor(std::log10(magnitude))), 0, kMaxMillimetreDecimals);
    QString text = QString::number(millimetres, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString millimetreText(double millimetres)
{
    return millimetreNumber(millimetres) + QStringLiteral(" mm");
}

double graticuleStep(double spanDegrees, int lines)
{
    static const double steps[] = {1 / kSecondsPerDegree,
                                   2 / kSecondsPerDegree,
                                   5 / kSecondsPerDegree,
                                   10 / kSecondsPerDegree,
                                   15 / kSecondsPerDegree,
                                   20 / kSecondsPerDegree,
                                   30 / kSecondsPerDegree,
                                   1 / kMinutesPerDegree,
                                   2 / kMinutesPerDegree,
                                   5 / kMinutesPerDegree,
                                   10 / kMinutesPerDegree,
                                   15 / kMinutesPerDegree,
                                   20 / kMinutesPerDegree,
                                   30 / kMinutesPerDegree,
                                   1,
                                   2,
                                   5,
                                   10,
                                   15,
                                   30,
                                   45};
    double chosen = steps[0];
    for (const double step : steps)
        if (spanDegrees / step >= lines)
            chosen = step;
    return chosen;
}

QString angleText(double degrees, bool latitude, double stepDegrees)
{
    const bool withSeconds = stepDegrees < 1.0 / kMinutesPerDegree - 1e-12;
    const long long seconds = std::llround(std::fabs(degrees) * kSecondsPerDegree);
    const long long wholeDegrees = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
    QString text = QString::number(wholeDegrees) + QChar(0x00B0) +
                   QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0')) + QChar(0x2032);
    if (withSeconds || rest != 0)
        text += QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0')) + QChar(0x2033);
    if (seconds == 0)
        return text;
    if (latitude)
        return text + (degrees > 0 ? QLatin1Char('N') : QLatin1Char('S'));
    return text + (degrees > 0 ? QLatin1Char('E') : QLatin1Char('W'));
}

double groundScaleKm(double widthKm)
{
    return roundDown125(std::max(widthKm * kGroundScaleShare, 1e-6));
}

}  // namespace veltrane

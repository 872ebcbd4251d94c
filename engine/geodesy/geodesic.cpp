#include "engine/geodesy/geodesic.h"

#include <cmath>

namespace veltrane {

namespace {

// Vincenty's iteration: change of lambda (radians) at which it has settled,
// and the number of passes after which it is given up.
constexpr double kVincentyConvergence = 1e-12;
constexpr int kVincentyMaxPasses = 99;

}  // namespace

double geodesicInverse(double lat1, double lon1, double lat2, double lon2, double a, double b, double f,
                       double &azimuth)
{
    // Each longitude is scaled on its own, as the output files' distances are defined.
    const double L = lon2 * kDegreesToRadiansF32 - lon1 * kDegreesToRadiansF32;
    const double U1 = std::atan((1.0 - f) * std::tan(lat1 * kDegreesToRadiansF32));
    const double U2 = std::atan((1.0 - f) * std::tan(lat2 * kDegreesToRadiansF32));
    const double sinU1 = std::sin(U1), cosU1 = std::cos(U1);
    const double sinU2 = std::sin(U2), cosU2 = std::cos(U2);

    double lambda = L;
    double sinSigma = 0.0, cosSigma = 0.0, sigma = 0.0, cosSqAlpha = 0.0, cos2SigmaM = 0.0;
    bool settled = false;
    for (int pass = 0; pass < kVincentyMaxPasses; ++pass) {
        const double sinLambda = std::sin(lambda), cosLambda = std::cos(lambda);
        const double across = cosU2 * sinLambda;
        const double along = cosU1 * sinU2 - sinU1 * cosU2 * cosLambda;
        sinSigma = std::sqrt(across * across + along * along);
        if (sinSigma == 0.0)
            return 0.0;  // coincident points: no direction
        cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
        sigma = std::atan2(sinSigma, cosSigma);
        const double sinAlpha = cosU1 * cosU2 * sinLambda / sinSigma;
        cosSqAlpha = 1.0 - sinAlpha * sinAlpha;
        cos2SigmaM = cosSigma - 2.0 * sinU1 * sinU2 / cosSqAlpha;
        if (std::isnan(cos2SigmaM))
            cos2SigmaM = 0.0;  // both points on the equator
        const double C = f / 16.0 * cosSqAlpha * (4.0 + f * (4.0 - 3.0 * cosSqAlpha));
        const double next =
            L + (1.0 - C) * f * sinAlpha *
                    (sigma + C * sinSigma * (cos2SigmaM + C * cosSigma * (-1.0 + 2.0 * cos2SigmaM * cos2SigmaM)));
        const bool converged = std::fabs(next - lambda) <= kVincentyConvergence;
        lambda = next;
        if (converged) {
            settled = true;
            break;
        }
    }
    if (!settled)
        return kGeodesicFailureDistance;

    const double uSq = cosSqAlpha * (a * a - b * b) / (b * b);
    const double A = 1.0 + uSq / 16384.0 * (4096.0 + uSq * (-768.0 + uSq * (320.0 - 175.0 * uSq)));
    const double B = uSq / 1024.0 * (256.0 + uSq * (-128.0 + uSq * (74.0 - 47.0 * uSq)));
    const double deltaSigma = B * sinSigma *
                              (cos2SigmaM + B / 4.0 *
                                                (cosSigma * (-1.0 + 2.0 * cos2SigmaM * cos2SigmaM) -
                                                 B / 6.0 * cos2SigmaM * (-3.0 + 4.0 * sinSigma * sinSigma) *
                                                     (-3.0 + 4.0 * cos2SigmaM * cos2SigmaM)));
    const double s = b * A * (sigma - deltaSigma);
    if (std::isnan(s))
        return kGeodesicFailureDistance;

    azimuth = std::atan2(cosU2 * std::sin(lambda), cosU1 * sinU2 - sinU1 * cosU2 * std::cos(lambda));
    return s;
}

double azimuthRadiansToDegrees(double azimuth)
{
    return kHalfTurnDegreesF32 * azimuth / kPiF32;
}

double meridianRadius(double latitudeDegrees)
{
    const double sinPhi = std::sin(latitudeDegrees * kRadiansPerDegree);
    const double w = 1.0 - kGrs80EccentricitySquared * sinPhi * sinPhi;
    return kGrs80SemiMajorAxis * (1.0 - kGrs80EccentricitySquared) / (w * std::sqrt(w));
}

double primeVerticalRadius(double latitudeDegrees)
{
    const double sinPhi = std::sin(latitudeDegrees * kRadiansPerDegree);
    return kGrs80SemiMajorAxis / std::sqrt(1.0 - kGrs80EccentricitySquared * sinPhi * sinPhi);
}

}  // namespace veltrane

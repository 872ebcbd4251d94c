#include "geodesy.h"

#include <algorithm>
#include <cmath>

namespace {

// Start values of a triangle's extent, degrees: any real coordinate widens them.
constexpr double kExtentStartMax = -1e16;
constexpr double kExtentStartMin = 1e16;

// An edge whose x extent, in single precision, is below this (degrees) is
// treated as vertical and given the slope below. Both are the single-precision
// values of 1e-9 and 1e11.
constexpr double kVerticalEdgeLimit = 9.999999717180685e-10;
constexpr double kVerticalEdgeSlope = 99999997952.0;

// Vincenty's iteration: change of lambda (radians) at which it has settled,
// and the number of passes after which it is given up.
constexpr double kVincentyConvergence = 1e-12;
constexpr int kVincentyMaxPasses = 99;

// Rounds to single precision and back. The cast on a value in a double
// register really drops the low bits on SSE targets.
inline double roundToFloat(double value) { return static_cast<double>(static_cast<float>(value)); }

// One edge a -> b of countEdgeCrossings: true when the vertical ray up from
// (px, py) meets it.
bool rayMeetsEdge(double px, double py, double xa, double ya, double xb, double yb)
{
    if (!(std::min(xa, xb) < px && px <= std::max(xa, xb)))
        return false;
    if (!(py < ya || py <= yb))
        return false;

    const double dxs = roundToFloat(xb - xa);
    double slope;
    if (std::fabs(dxs) < kVerticalEdgeLimit) {
        slope = kVerticalEdgeSlope;
    } else {
        const double dys = roundToFloat(yb - ya);
        slope = dys / dxs;
    }
    const double intercept = roundToFloat(ya - xa * slope);
    const double edgeY = roundToFloat(px * slope + intercept);
    return py <= edgeY;
}

}  // namespace

TriangleExtentBox triangleExtent(const PointRecord *points, const Triangle *triangles, uint32_t index)
{
    TriangleExtentBox box{kExtentStartMax, kExtentStartMin, kExtentStartMax, kExtentStartMin};
    const Triangle &t = triangles[index];
    for (const int32_t vertex : {t.p1, t.p2, t.p3}) {
        const PointRecord &p = points[vertex];
        box.xMax = std::max(box.xMax, p.x);
        box.xMin = std::min(box.xMin, p.x);
        box.yMax = std::max(box.yMax, p.y);
        box.yMin = std::min(box.yMin, p.y);
    }
    return box;
}

int countEdgeCrossings(double px, double py, const PointRecord *points, int32_t i1, int32_t i2, int32_t i3)
{
    const PointRecord &a = points[i1];
    const PointRecord &b = points[i2];
    const PointRecord &c = points[i3];
    int count = 0;
    count += rayMeetsEdge(px, py, a.x, a.y, b.x, b.y) ? 1 : 0;
    count += rayMeetsEdge(px, py, b.x, b.y, c.x, c.y) ? 1 : 0;
    count += rayMeetsEdge(px, py, c.x, c.y, a.x, a.y) ? 1 : 0;
    return count;
}

PlaneCoefficients planeThroughPoints(double x0, double y0, double z0, double x1, double y1, double z1,
                                     double x2, double y2, double z2)
{
    const double d1x = x1 - x0, d1y = y1 - y0, d1z = z1 - z0;
    const double d2x = x2 - x0, d2y = y2 - y0, d2z = z2 - z0;
    PlaneCoefficients plane;
    plane.A = d1y * d2z - d2y * d1z;
    plane.B = d1z * d2x - d2z * d1x;
    plane.C = d1x * d2y - d1y * d2x;
    plane.D = -((x0 * plane.A + y0 * plane.B) + z0 * plane.C);
    return plane;
}

double planarDistance(double x1, double y1, double x2, double y2)
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

double geodesicInverse(double lat1, double lon1, double lat2, double lon2, double a, double b, double f,
                       double &azimuth)
{
    // Each longitude is scaled on its own, as the stored results were made.
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
    const double deltaSigma =
        B * sinSigma *
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

#pragma once

namespace veltrane {

// The ellipsoidal inverse problem: geodesic length and forward azimuth
// between two points on the GRS80 ellipsoid, by Vincenty's iteration.

// pi in double precision, for everything but the output files' azimuths and
// distances, which are defined with the single-precision values below.
constexpr double kPi = 3.14159265358979323846;

// Degrees to radians in double precision.
constexpr double kRadiansPerDegree = kPi / 180.0;

// GRS80 ellipsoid.
constexpr double kGrs80SemiMajorAxis = 6378137.0;           // a, metres
constexpr double kGrs80SemiMinorAxis = 6356752.314140348;   // b, metres
constexpr double kGrs80Flattening = 0.0033528106811836675;  // f, about 1/298.257222101

// pi/180 and pi as single-precision values: the output files' distances and
// azimuths are defined with them, so every digit written depends on them.
constexpr double kDegreesToRadiansF32 = 0.01745329238474369;
constexpr double kPiF32 = 3.1415927410125732;
constexpr double kHalfTurnDegreesF32 = 180.0;

// First eccentricity squared of GRS80, e^2 = f (2 - f).
constexpr double kGrs80EccentricitySquared = kGrs80Flattening * (2.0 - kGrs80Flattening);

// GRS80 radii of curvature at a latitude in decimal degrees, metres: along
// the meridian (M) and along the prime vertical (N).
double meridianRadius(double latitudeDegrees);
double primeVerticalRadius(double latitudeDegrees);

// Distance reported when Vincenty's iteration fails, metres.
constexpr double kGeodesicFailureDistance = 99999999.999;

// Vincenty's inverse formula: geodesic distance (units of a and b) from the
// first to the second point, angles in decimal degrees. The forward azimuth
// at the first point is written in radians (-pi .. pi), but only when the
// points are distinct and the iteration converged; otherwise it is left as
// the caller set it. Failure returns kGeodesicFailureDistance.
double geodesicInverse(double lat1, double lon1, double lat2, double lon2, double a, double b, double f,
                       double &azimuth);

// Azimuth in radians from geodesicInverse to the degrees stored in a record.
double azimuthRadiansToDegrees(double azimuth);

}  // namespace veltrane

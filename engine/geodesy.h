#pragma once
// Planar operations on TIN triangles and the ellipsoidal inverse problem.
// Triangle operations treat longitude and latitude as plane coordinates in
// degrees, without projection.

#include "pointrecord.h"

#include <cstdint>

// GRS80 ellipsoid.
constexpr double kGrs80SemiMajorAxis = 6378137.0;          // a, metres
constexpr double kGrs80SemiMinorAxis = 6356752.314140348;  // b, metres
constexpr double kGrs80Flattening = 0.0033528106811836675; // f, about 1/298.257222101

// pi/180 and pi as single-precision values, as the stored results were made with them.
constexpr double kDegreesToRadiansF32 = 0.01745329238474369;
constexpr double kPiF32 = 3.1415927410125732;
constexpr double kHalfTurnDegreesF32 = 180.0;

// Distance reported when Vincenty's iteration fails, metres.
constexpr double kGeodesicFailureDistance = 99999999.999;

struct TriangleExtentBox {
    double xMax;
    double xMin;
    double yMax;
    double yMin;
};

struct PlaneCoefficients {  // A*x + B*y + C*z + D = 0
    double A;
    double B;
    double C;
    double D;
};

// Bounding box of triangle `index` of `triangles` (vertices in `points`).
TriangleExtentBox triangleExtent(const PointRecord *points, const Triangle *triangles, uint32_t index);

// Number of the triangle's edges met by a vertical ray upwards from (px, py);
// exactly 1 means inside. Uses the single-precision roundings of the original
// rule, which decide the side of points close to an edge.
int countEdgeCrossings(double px, double py, const PointRecord *points, int32_t i1, int32_t i2, int32_t i3);

// Plane through three points.
PlaneCoefficients planeThroughPoints(double x0, double y0, double z0, double x1, double y1, double z1,
                                     double x2, double y2, double z2);

// Euclidean distance in the plane.
double planarDistance(double x1, double y1, double x2, double y2);

// Vincenty's inverse formula: geodesic distance (units of a and b) from the
// first to the second point, angles in decimal degrees. The forward azimuth
// at the first point is written in radians (-pi .. pi), but only when the
// points are distinct and the iteration converged; otherwise it is left as
// the caller set it. Failure returns kGeodesicFailureDistance.
double geodesicInverse(double lat1, double lon1, double lat2, double lon2, double a, double b, double f,
                       double &azimuth);

// Azimuth in radians from geodesicInverse to the degrees stored in a record.
double azimuthRadiansToDegrees(double azimuth);

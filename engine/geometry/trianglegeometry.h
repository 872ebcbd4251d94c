#pragma once
// Planar operations on TIN triangles. Longitude and latitude are treated as
// plane coordinates in degrees, without projection.

#include "engine/types/pointrecord.h"

#include <cstdint>

namespace veltrane {

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
// exactly 1 means inside. Uses single-precision roundings, which decide the
// side of points close to an edge and so which triangle takes a point on a
// shared edge, as the converted-points file is defined.
int countEdgeCrossings(double px, double py, const PointRecord *points, int32_t i1, int32_t i2, int32_t i3);

// Plane through three points.
PlaneCoefficients planeThroughPoints(double x0, double y0, double z0, double x1, double y1, double z1, double x2,
                                     double y2, double z2);

// Euclidean distance in the plane.
double planarDistance(double x1, double y1, double x2, double y2);

}  // namespace veltrane

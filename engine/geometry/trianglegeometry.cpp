#include "engine/geometry/trianglegeometry.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Start values of a triangle's extent, degrees: any real coordinate widens them.
constexpr double kExtentStartMax = -1e16;
constexpr double kExtentStartMin = 1e16;

// An edge whose x extent, in single precision, is below this (degrees) is
// treated as vertical and given the slope below. Both are the single-precision
// values of 1e-9 and 1e11.
constexpr double kVerticalEdgeLimit = 9.999999717180685e-10;
constexpr double kVerticalEdgeSlope = 99999997952.0;

// Rounds to single precision and back. The cast on a value in a double
// register really drops the low bits on SSE targets.
inline double roundToFloat(double value)
{
    return static_cast<double>(static_cast<float>(value));
}

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

PlaneCoefficients planeThroughPoints(double x0, double y0, double z0, double x1, double y1, double z1, double x2,
                                     double y2, double z2)
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

}  // namespace veltrane

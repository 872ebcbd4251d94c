#include "engine/pointshift.h"

#include "engine/geodesic.h"
#include "engine/trianglegeometry.h"
#include "engine/formats/parallel.h"
#include "engine/trianglegrid.h"

#include <atomic>
#include <cmath>

namespace veltrane {

void measureShift(PointRecord &p)
{
    double azimuthRadians = 0.0;  // left unwritten for coincident points or a failed iteration
    p.s = geodesicInverse(p.y, p.x, p.yTo, p.xTo, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis, kGrs80Flattening,
                          azimuthRadians);
    p.azimuth = azimuthRadiansToDegrees(azimuthRadians);
}

namespace {

// Points converted by one thread at a time.
constexpr size_t kPointsPerRange = 4096;

// Value at (x, y) of the plane through the three vertices with the shift
// component in place of z, evaluated as -((A*x + D) + B*y) / C.
bool interpolateComponent(double x, double y, const PointRecord &a, const PointRecord &b, const PointRecord &c,
                          double PointRecord::*component, double &value)
{
    const PlaneCoefficients plane =
        planeThroughPoints(a.x, a.y, a.*component, b.x, b.y, b.*component, c.x, c.y, c.*component);
    if (plane.C == 0.0)
        return false;  // vertices on one line: no plane over (x, y)
    value = -((plane.A * x + plane.D) + plane.B * y) / plane.C;
    return std::isfinite(value);
}

}  // namespace

TriangleTake applyTriangle(PointRecord &p, const PointRecord *control, const Triangle &t)
{
    const PointRecord &v1 = control[t.p1];
    const PointRecord &v2 = control[t.p2];
    const PointRecord &v3 = control[t.p3];

    if (countEdgeCrossings(p.x, p.y, control, t.p1, t.p2, t.p3) == 1) {
        double dx = 0.0, dy = 0.0, dh = 0.0;
        if (!interpolateComponent(p.x, p.y, v1, v2, v3, &PointRecord::dx, dx) ||
            !interpolateComponent(p.x, p.y, v1, v2, v3, &PointRecord::dy, dy) ||
            !interpolateComponent(p.x, p.y, v1, v2, v3, &PointRecord::dh, dh))
            return TriangleTake::None;
        p.dx = dx;
        p.dy = dy;
        p.dh = dh;
        p.xTo = p.x + p.dx;
        p.yTo = p.y + p.dy;
        p.hTo = p.h + p.dh;
        measureShift(p);
        return TriangleTake::Interpolated;
    }

    for (const PointRecord *vertex : {&v1, &v2, &v3}) {
        if (p.x == vertex->x && p.y == vertex->y && p.h == vertex->h) {
            p = *vertex;
            return TriangleTake::VertexCopy;
        }
    }
    return TriangleTake::None;
}

uint32_t convertPoints(std::vector<PointRecord> &points, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles)
{
    const TriangleGrid grid(control.data(), static_cast<uint32_t>(control.size()), triangles);
    std::atomic<uint32_t> untaken{0};
    // Each point is converted on its own, so runs of points go to all cores.
    forEachRange(points.size(), kPointsPerRange, [&](size_t first, size_t last) {
        std::vector<uint32_t> candidates;
        uint32_t untakenHere = 0;
        for (size_t i = first; i < last; ++i) {
            PointRecord &p = points[i];
            p.xTo = 0.0;
            p.yTo = 0.0;
            p.hTo = 0.0;
            bool taken = false;
            grid.candidatesAt(p.x, p.y, candidates);
            for (uint32_t t : candidates) {
                if (applyTriangle(p, control.data(), triangles[t]) != TriangleTake::None)
                    taken = true;
            }
            if (!taken)
                ++untakenHere;
        }
        untaken += untakenHere;
    });
    return untaken;
}

}  // namespace veltrane

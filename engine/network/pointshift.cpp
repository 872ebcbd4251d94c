#include "engine/network/pointshift.h"

#include "engine/base/parallel.h"
#include "engine/geometry/exactorientation.h"
#include "engine/geodesy/geodesic.h"
#include "engine/geometry/networkoutline.h"
#include "engine/geometry/planegeometry.h"
#include "engine/geometry/trianglegeometry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

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

// Gives p the shifts of the triangle's planes at (p.x, p.y), its target
// position, s and azimuth. False, with p untouched, when a plane is missing
// or its value is not finite.
bool takePlanesAt(PointRecord &p, const PointRecord &v1, const PointRecord &v2, const PointRecord &v3)
{
    double dx = 0.0, dy = 0.0, dh = 0.0;
    if (!interpolateComponent(p.x, p.y, v1, v2, v3, &PointRecord::dx, dx) ||
        !interpolateComponent(p.x, p.y, v1, v2, v3, &PointRecord::dy, dy) ||
        !interpolateComponent(p.x, p.y, v1, v2, v3, &PointRecord::dh, dh))
        return false;
    p.dx = dx;
    p.dy = dy;
    p.dh = dh;
    p.xTo = p.x + p.dx;
    p.yTo = p.y + p.dy;
    p.hTo = p.h + p.dh;
    measureShift(p);
    return true;
}

int orientationOf(const PointRecord *control, const Triangle &t)
{
    const PointRecord &a = control[t.p1], &b = control[t.p2], &c = control[t.p3];
    return exactOrientation(a.x, a.y, b.x, b.y, c.x, c.y);
}

// True when (x, y) lies inside the triangle or on its border, decided
// exactly. A triangle without area holds nothing.
bool holdsExactly(const PointRecord *control, const Triangle &t, double x, double y)
{
    const int sense = orientationOf(control, t);
    if (sense == 0)
        return false;
    const PointRecord &a = control[t.p1], &b = control[t.p2], &c = control[t.p3];
    return exactOrientation(a.x, a.y, b.x, b.y, x, y) != -sense &&
           exactOrientation(b.x, b.y, c.x, c.y, x, y) != -sense && exactOrientation(c.x, c.y, a.x, a.y, x, y) != -sense;
}

}  // namespace

TriangleTake applyTriangle(PointRecord &p, const PointRecord *control, const Triangle &t)
{
    const PointRecord &v1 = control[t.p1];
    const PointRecord &v2 = control[t.p2];
    const PointRecord &v3 = control[t.p3];

    if (countEdgeCrossings(p.x, p.y, control, t.p1, t.p2, t.p3) == 1)
        return takePlanesAt(p, v1, v2, v3) ? TriangleTake::Interpolated : TriangleTake::None;

    for (const PointRecord *vertex : {&v1, &v2, &v3}) {
        if (p.x == vertex->x && p.y == vertex->y && p.h == vertex->h) {
            p = *vertex;
            return TriangleTake::VertexCopy;
        }
    }
    return TriangleTake::None;
}

NetworkInterpolator::NetworkInterpolator(std::shared_ptr<const std::vector<PointRecord>> control,
                                         std::shared_ptr<const std::vector<Triangle>> triangles)
    : control_(control ? std::move(control) : std::make_shared<const std::vector<PointRecord>>()),
      triangles_(triangles ? std::move(triangles) : std::make_shared<const std::vector<Triangle>>()),
      grid_(control_->data(), static_cast<uint32_t>(control_->size()), *triangles_)
{
}

void NetworkInterpolator::findSideCandidates() const
{
    // For a point outside every triangle, the nearest point of the network
    // lies on its outline, and every triangle at that distance reaches the
    // outline with the side or vertex nearest to the point. Every side not
    // on the outline is shared by exactly two triangles lying on opposite
    // sides of it, and around a vertex whose sides are all shared so the
    // triangles close a full turn. So only triangles touching an outline
    // vertex can be nearest. Triangles without area have no planes and take
    // no part.
    const PointRecord *control = control_->data();
    const std::vector<Triangle> &triangles = *triangles_;
    const std::vector<bool> onOutline =
        outlineVertices(control_->size(), networkOutline(control, control_->size(), triangles));
    for (size_t t = 0; t < triangles.size(); ++t) {
        const Triangle &tri = triangles[t];
        if (!triangleIndicesValid(tri, int64_t(control_->size())) || orientationOf(control, tri) == 0)
            continue;
        if (onOutline[size_t(tri.p1)] || onOutline[size_t(tri.p2)] || onOutline[size_t(tri.p3)])
            sideCandidates_.push_back(uint32_t(t));
    }
}

int32_t NetworkInterpolator::nearestSideTriangle(double x, double y) const
{
    std::call_once(sideCandidatesFound_, [this] { findSideCandidates(); });
    const PointRecord *control = control_->data();
    const std::vector<Triangle> &triangles = *triangles_;
    double best = std::numeric_limits<double>::infinity();
    int32_t nearest = -1;
    for (const uint32_t t : sideCandidates_) {
        const Triangle &tri = triangles[t];
        const double distance = squaredDistanceToSides(PlanePoint{x, y}, planeOf(control[tri.p1]),
                                                       planeOf(control[tri.p2]), planeOf(control[tri.p3]));
        if (distance < best) {  // strictly: the first triangle wins a tie
            best = distance;
            nearest = int32_t(t);
        }
    }
    return nearest;
}

uint64_t NetworkInterpolator::convert(PointRecord *points, size_t count, PointStatus *status, int32_t *triangleOf,
                                      bool extrapolateOutside, Cores cores) const
{
    const PointRecord *control = control_->data();
    const std::vector<Triangle> &triangles = *triangles_;
    std::atomic<uint64_t> outside{0};
    const auto convertRange = [&](size_t first, size_t last) {
        std::vector<uint32_t> candidates;
        uint64_t outsideHere = 0;
        for (size_t i = first; i < last; ++i) {
            PointRecord &p = points[i];
            p.xTo = 0.0;
            p.yTo = 0.0;
            p.hTo = 0.0;
            int32_t taker = -1;
            grid_.candidatesAt(p.x, p.y, candidates);
            for (uint32_t t : candidates) {
                if (applyTriangle(p, control, triangles[t]) != TriangleTake::None)
                    taker = int32_t(t);
            }
            // Near an outer side the single-precision crossing rule can leave
            // a point inside the network to no triangle: the first triangle
            // that holds it by the exact test gives it its planes.
            for (size_t k = 0; taker < 0 && k < candidates.size(); ++k) {
                const Triangle &t = triangles[candidates[k]];
                if (holdsExactly(control, t, p.x, p.y) && takePlanesAt(p, control[t.p1], control[t.p2], control[t.p3]))
                    taker = int32_t(candidates[k]);
            }
            PointStatus result = taker >= 0 ? PointStatus::Converted : PointStatus::Outside;
            if (taker < 0 && extrapolateOutside) {
                const int32_t nearest = nearestSideTriangle(p.x, p.y);
                if (nearest >= 0) {
                    const Triangle &t = triangles[size_t(nearest)];
                    if (takePlanesAt(p, control[t.p1], control[t.p2], control[t.p3])) {
                        taker = nearest;
                        result = PointStatus::Nearest;
                    }
                }
            }
            if (result == PointStatus::Outside)
                ++outsideHere;
            if (status)
                status[i] = result;
            if (triangleOf)
                triangleOf[i] = taker;
        }
        outside += outsideHere;
    };
    // Each point is converted on its own, so runs of points can go to all cores.
    forEachRange(count, kPointsPerRange, convertRange, cores);
    return outside;
}

namespace {

// A shared pointer to a vector the caller keeps alive; it owns nothing.
template <typename T>
std::shared_ptr<const std::vector<T>> borrowed(const std::vector<T> &values)
{
    return std::shared_ptr<const std::vector<T>>(std::shared_ptr<void>(), &values);
}

}  // namespace

uint32_t convertPoints(std::vector<PointRecord> &points, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles)
{
    const NetworkInterpolator interpolator(borrowed(control), borrowed(triangles));
    return static_cast<uint32_t>(interpolator.convert(points.data(), points.size(), nullptr, nullptr, false));
}

}  // namespace veltrane

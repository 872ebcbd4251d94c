#include "engine/geometry/planegeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {

namespace {

double squaredDistance(const PlanePoint &p, const PlanePoint &q)
{
    const double dx = p.x - q.x;
    const double dy = p.y - q.y;
    return dx * dx + dy * dy;
}

}  // namespace

bool barycentricWeights(const PlanePoint &a, const PlanePoint &b, const PlanePoint &c, const PlanePoint &q,
                        BarycentricWeights &weights)
{
    const double area = orientation(a, b, c);
    if (area == 0.0 || !std::isfinite(area))
        return false;
    weights.w[0] = orientation(b, c, q) / area;
    weights.w[1] = orientation(c, a, q) / area;
    weights.w[2] = orientation(a, b, q) / area;
    return true;
}

SegmentPlace nearestOnSegment(const PlanePoint &q, const PlanePoint &a, const PlanePoint &b)
{
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double length = ex * ex + ey * ey;
    const double t = length > 0.0 ? ((q.x - a.x) * ex + (q.y - a.y) * ey) / length : 0.0;
    if (!(t > 0.0))
        return SegmentPlace{0.0, squaredDistance(q, a)};
    if (t >= 1.0)
        return SegmentPlace{1.0, squaredDistance(q, b)};
    return SegmentPlace{t, squaredDistance(q, PlanePoint{a.x + t * ex, a.y + t * ey})};
}

double squaredDistanceToSides(const PlanePoint &q, const PlanePoint &a, const PlanePoint &b, const PlanePoint &c)
{
    return std::min({nearestOnSegment(q, a, b).squaredDistance, nearestOnSegment(q, b, c).squaredDistance,
                     nearestOnSegment(q, a, c).squaredDistance});
}

BarycentricWeights nearestPlaceWeights(const PlanePoint &a, const PlanePoint &b, const PlanePoint &c,
                                       const PlanePoint &q)
{
    BarycentricWeights inside;
    if (barycentricWeights(a, b, c, q, inside)) {
        inside.w[2] = 1.0 - inside.w[0] - inside.w[1];
        if (inside.w[0] >= 0.0 && inside.w[1] >= 0.0 && inside.w[2] >= 0.0)
            return inside;
    }
    // Outside (or flat): the nearest place on one of the sides.
    const PlanePoint *corner[3] = {&a, &b, &c};
    BarycentricWeights best{{1.0, 0.0, 0.0}};
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int side = 0; side < 3; ++side) {
        const SegmentPlace place = nearestOnSegment(q, *corner[side], *corner[(side + 1) % 3]);
        if (place.squaredDistance < bestDistance) {
            bestDistance = place.squaredDistance;
            best = BarycentricWeights{{0.0, 0.0, 0.0}};
            best.w[side] = 1.0 - place.t;
            best.w[(side + 1) % 3] += place.t;
        }
    }
    return best;
}

}  // namespace veltrane

#include "tools/datagen/hull.h"

#include <algorithm>

namespace {

// Twice the signed area of o-a-b: positive when b lies left of o->a.
double cross(const HullVertex &o, const HullVertex &a, const HullVertex &b)
{
    return (a.longitude - o.longitude) * (b.latitude - o.latitude) -
           (a.latitude - o.latitude) * (b.longitude - o.longitude);
}

}  // namespace

std::vector<HullVertex> convexHull(const std::vector<ControlSite> &points)
{
    std::vector<HullVertex> sorted;
    sorted.reserve(points.size());
    for (const ControlSite &p : points)
        sorted.push_back({p.longitude, p.latitude});
    std::sort(sorted.begin(), sorted.end(), [](const HullVertex &a, const HullVertex &b) {
        return a.longitude < b.longitude || (a.longitude == b.longitude && a.latitude < b.latitude);
    });
    if (sorted.size() < 3)
        return sorted;

    std::vector<HullVertex> hull(2 * sorted.size());
    size_t k = 0;
    for (const HullVertex &v : sorted) {  // lower chain
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], v) <= 0.0)
            --k;
        hull[k++] = v;
    }
    const size_t lowerSize = k + 1;
    for (size_t i = sorted.size() - 1; i-- > 0;) {  // upper chain
        while (k >= lowerSize && cross(hull[k - 2], hull[k - 1], sorted[i]) <= 0.0)
            --k;
        hull[k++] = sorted[i];
    }
    hull.resize(k - 1);
    return hull;
}

bool insideHull(const std::vector<HullVertex> &hull, double longitude, double latitude)
{
    if (hull.size() < 3)
        return false;
    const HullVertex p{longitude, latitude};
    for (size_t i = 0; i < hull.size(); ++i)
        if (cross(hull[i], hull[(i + 1) % hull.size()], p) <= 0.0)
            return false;
    return true;
}

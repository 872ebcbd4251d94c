#include "engine/geometry/hullcompletion.h"

#include "engine/geometry/exactorientation.h"
#include "engine/geometry/networkoutline.h"
#include "engine/geometry/trianglesides.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace veltrane {

namespace {

// exactOrientation of a clockwise turn (y up): the sense of every triangle.
constexpr int kClockwise = -1;
// Entries of the outline's next-vertex table.
constexpr int32_t kNoOutline = -1;
constexpr int32_t kSeveralOutlines = -2;

int orientation(const PointRecord *p, int32_t a, int32_t b, int32_t c)
{
    return exactOrientation(p[a].x, p[a].y, p[b].x, p[b].y, p[c].x, p[c].y);
}

// Corners of the convex hull of the finite points, clockwise from the
// lowest of the leftmost ones. Points on a hull side between two corners,
// and repeated points, are not corners. Empty when the points span no area.
std::vector<int32_t> clockwiseHull(uint32_t nv, const PointRecord *points)
{
    std::vector<int32_t> order;
    for (uint32_t i = 0; i < nv; ++i)
        if (std::isfinite(points[i].x) && std::isfinite(points[i].y))
            order.push_back(int32_t(i));
    if (order.size() < 3)
        return {};
    std::sort(order.begin(), order.end(), [points](int32_t a, int32_t b) {
        if (points[a].x != points[b].x)
            return points[a].x < points[b].x;
        if (points[a].y != points[b].y)
            return points[a].y < points[b].y;
        return a < b;
    });
    // Lower then upper chain, counter-clockwise, keeping strict left turns.
    std::vector<int32_t> hull(2 * order.size());
    size_t k = 0;
    for (const int32_t i : order) {
        while (k >= 2 && orientation(points, hull[k - 2], hull[k - 1], i) <= 0)
            --k;
        hull[k++] = i;
    }
    for (size_t n = order.size() - 1, lower = k + 1; n-- > 0;) {
        const int32_t i = order[n];
        while (k >= lower && orientation(points, hull[k - 2], hull[k - 1], i) <= 0)
            --k;
        hull[k++] = i;
    }
    hull.resize(k - 1);  // the last entry repeats the first
    if (hull.size() < 3)
        return {};
    std::reverse(hull.begin() + 1, hull.end());
    return hull;
}

// True when d lies strictly inside the circle through the clockwise
// triangle (a, b, c).
bool insideCircle(const PointRecord &a, const PointRecord &b, const PointRecord &c, const PointRecord &d)
{
    const double adx = a.x - d.x, ady = a.y - d.y;
    const double bdx = b.x - d.x, bdy = b.y - d.y;
    const double cdx = c.x - d.x, cdy = c.y - d.y;
    const double det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) -
                       (bdx * bdx + bdy * bdy) * (adx * cdy - cdx * ady) +
                       (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    return det < 0.0;  // positive inside for a counter-clockwise triangle
}

// Triangulates the gap between the lid chain[0] -> chain.back() and the
// outline chain[0] -> chain[1] -> ... -> chain.back(), which runs on the
// lid's right. Each lid takes the chain vertex right of it whose circle
// through the lid's ends holds no other such vertex (the one that sees the
// lid under the largest angle; the first on ties); the two shorter lids it
// makes are filled the same way, the one nearer the chain's start first.
// False when a lid has no vertex on its right.
bool fillGap(const PointRecord *points, const std::vector<int32_t> &chain, std::vector<Triangle> &out)
{
    std::vector<std::pair<size_t, size_t>> lids = {{0, chain.size() - 1}};
    while (!lids.empty()) {
        const auto [i, j] = lids.back();
        lids.pop_back();
        if (j - i < 2)
            continue;  // a side of the outline: the triangulation lies beyond it
        const int32_t a = chain[i], b = chain[j];
        size_t apex = 0;
        for (size_t k = i + 1; k < j; ++k) {
            if (orientation(points, a, b, chain[k]) != kClockwise)
                continue;
            if (apex == 0 || insideCircle(points[a], points[b], points[chain[apex]], points[chain[k]]))
                apex = k;
        }
        if (apex == 0)
            return false;
        out.push_back(Triangle{a, b, chain[apex]});
        lids.emplace_back(apex, j);
        lids.emplace_back(i, apex);
    }
    return true;
}

}  // namespace

void completeTinToHull(uint32_t nv, const PointRecord *points, std::vector<Triangle> &triangles)
{
    if (triangles.empty())
        return;
    const std::vector<int32_t> hull = clockwiseHull(nv, points);
    if (hull.empty())
        return;

    const std::vector<uint64_t> sides = sortedSides(triangles, int64_t(nv), false);
    auto hasSide = [&sides](int32_t from, int32_t to) {
        return std::binary_search(sides.begin(), sides.end(), sideKey(from, to));
    };

    // Clockwise triangles lie on the right of their sides, so following the
    // one-sided outline sides from vertex to vertex runs clockwise around
    // the triangulation, as the hull does. The walk stops at a vertex with
    // more than one way on, or with an outline side that has triangles on
    // both sides or on neither.
    std::vector<int32_t> next(nv, kNoOutline);
    for (const OutlineSide &side : networkOutline(points, nv, triangles)) {
        if (!side.oneSided) {
            next[size_t(side.from)] = kSeveralOutlines;
            next[size_t(side.to)] = kSeveralOutlines;
            continue;
        }
        int32_t &way = next[size_t(side.from)];
        way = way == kNoOutline ? side.to : kSeveralOutlines;
    }
    std::vector<bool> corner(nv, false);
    for (const int32_t v : hull)
        corner[size_t(v)] = true;

    // A hull side that no triangle has closes a gap, whose other border is
    // the outline from its first end to its second.
    std::vector<Triangle> added;
    std::vector<int32_t> chain;
    for (size_t k = 0; k < hull.size(); ++k) {
        const int32_t from = hull[k], to = hull[(k + 1) % hull.size()];
        if (hasSide(from, to))
            continue;
        chain.assign(1, from);
        int32_t v = from;
        while (chain.size() <= nv) {
            v = next[size_t(v)];
            if (v < 0)
                break;
            chain.push_back(v);
            if (corner[size_t(v)])
                break;
        }
        if (v != to)
            continue;  // the outline does not lead to the other end alone
        std::vector<Triangle> gap;
        if (fillGap(points, chain, gap))
            added.insert(added.end(), gap.begin(), gap.end());
    }
    triangles.insert(triangles.end(), added.begin(), added.end());
}

}  // namespace veltrane

#include "engine/geometry/networkoutline.h"

#include "engine/geometry/exactorientation.h"
#include "engine/geometry/trianglesides.h"

#include <algorithm>

namespace veltrane {

namespace {

// One triangle's use of a side: the vertex pair, and where the triangle lies
// relative to the line from the lower to the higher index (+1 left, -1
// right, 0 without area).
struct SideUse {
    uint64_t pair;
    int8_t side;
};

}  // namespace

std::vector<OutlineSide> networkOutline(const PointRecord *points, size_t pointCount,
                                        const std::vector<Triangle> &triangles)
{
    std::vector<SideUse> uses;
    uses.reserve(triangles.size() * 3);
    for (const Triangle &t : triangles) {
        if (!triangleIndicesValid(t, int64_t(pointCount)))
            continue;
        const PointRecord &a = points[t.p1], &b = points[t.p2], &c = points[t.p3];
        const int turn = exactOrientation(a.x, a.y, b.x, b.y, c.x, c.y);
        const int32_t v[3] = {t.p1, t.p2, t.p3};
        for (int k = 0; k < 3; ++k) {
            const int32_t from = v[k], to = v[(k + 1) % 3];
            // A counter-clockwise triangle lies left of each of its sides as it runs them.
            const bool ascending = uint32_t(from) < uint32_t(to);
            uses.push_back(SideUse{undirectedSideKey(from, to), int8_t(ascending ? turn : -turn)});
        }
    }
    std::sort(uses.begin(), uses.end(), [](const SideUse &l, const SideUse &r) { return l.pair < r.pair; });

    std::vector<OutlineSide> outline;
    for (size_t first = 0, last; first < uses.size(); first = last) {
        bool left = false, right = false;
        for (last = first; last < uses.size() && uses[last].pair == uses[first].pair; ++last) {
            left = left || uses[last].side > 0;
            right = right || uses[last].side < 0;
        }
        if (last - first == 2 && left && right)
            continue;  // inside: the network goes on across it
        const int32_t low = sideKeyFrom(uses[first].pair), high = sideKeyTo(uses[first].pair);
        const bool oneSided = left != right;
        // Triangles left of low -> high lie right of high -> low.
        if (oneSided && left)
            outline.push_back(OutlineSide{high, low, true});
        else
            outline.push_back(OutlineSide{low, high, oneSided});
    }
    return outline;
}

std::vector<bool> outlineVertices(size_t pointCount, const std::vector<OutlineSide> &outline)
{
    std::vector<bool> on(pointCount, false);
    for (const OutlineSide &side : outline) {
        on[size_t(side.from)] = true;
        on[size_t(side.to)] = true;
    }
    return on;
}

}  // namespace veltrane

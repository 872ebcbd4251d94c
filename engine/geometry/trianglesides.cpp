#include "engine/geometry/trianglesides.h"

#include <algorithm>

namespace veltrane {

std::vector<uint64_t> sortedSides(const std::vector<Triangle> &triangles, int64_t pointCount, bool undirected)
{
    std::vector<uint64_t> sides;
    sides.reserve(triangles.size() * 3);
    const auto add = [&sides, undirected](int32_t from, int32_t to) {
        sides.push_back(undirected ? undirectedSideKey(from, to) : sideKey(from, to));
    };
    for (const Triangle &t : triangles) {
        if (!triangleIndicesValid(t, pointCount))
            continue;
        add(t.p1, t.p2);
        add(t.p2, t.p3);
        add(t.p3, t.p1);
    }
    std::sort(sides.begin(), sides.end());
    return sides;
}

}  // namespace veltrane

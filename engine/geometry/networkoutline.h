#pragma once
// The outline of a TIN: the sides across which the network does not go on.
// A side is inside the network when exactly two triangles use it and they
// lie on opposite sides of it (exactly decided); every other side of a
// triangle is on the outline: a side used once, by triangles lying on the
// same side of it (a fold), by three or more triangles, or by a triangle
// without area. Triangles with an index outside the points are left out.

#include "engine/types/pointrecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

struct OutlineSide {
    int32_t from;
    int32_t to;
    // True when the triangles using the side all lie on one side of it, which
    // is then the right of from -> to: following such sides runs clockwise
    // around the network (y up). False when they lie on both sides (three or
    // more triangles) or on neither (only triangles without area); from is
    // then the lower index.
    bool oneSided;
};

// The outline sides of `triangles` over points[0..pointCount), ordered by
// their lower then their higher vertex index.
std::vector<OutlineSide> networkOutline(const PointRecord *points, size_t pointCount,
                                        const std::vector<Triangle> &triangles);

// The vertices at an end of an outline side.
std::vector<bool> outlineVertices(size_t pointCount, const std::vector<OutlineSide> &outline);

}  // namespace veltrane

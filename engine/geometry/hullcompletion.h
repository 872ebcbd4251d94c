#pragma once
// Completion of a triangulation to the convex hull of its points.

#include "engine/types/pointrecord.h"

#include <cstdint>
#include <vector>

namespace veltrane {

// Appends to `triangles` (a triangulation of the nv points, clockwise with y
// up, as buildDelaunayTin gives it) the triangles that fill the gaps between
// its outline and the convex hull of the points, so that the table covers
// the hull; the triangles already there keep their places. For points in
// general position the appended ones are the Delaunay triangles that the
// removal of the super-triangle dropped. Gaps are filled along the hull
// clockwise from its leftmost point, each gap from its hull edge inwards,
// every new triangle clockwise. A gap whose border is not one simple chain
// of sides, or that would need a triangle without area, is left as it is.
void completeTinToHull(uint32_t nv, const PointRecord *points, std::vector<Triangle> &triangles);

}  // namespace veltrane

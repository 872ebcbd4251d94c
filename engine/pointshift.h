#pragma once
// The shift of one point: its geodesic length and azimuth, and the rule by
// which one TIN triangle takes an input point (plane interpolation inside the
// triangle, or a copy of the control record the point coincides with).

#include "engine/formats/pointrecord.h"

#include <cstdint>
#include <vector>

namespace veltrane {

// Sets p.s and p.azimuth (degrees) for the step from (x, y) to (xTo, yTo) on
// the GRS80 ellipsoid. Coincident points and a failed iteration leave the
// azimuth 0.
void measureShift(PointRecord &p);

enum class TriangleTake {
    None,          // the triangle leaves the point as it is
    Interpolated,  // the point lies in the triangle and took the interpolated shift
    VertexCopy,    // the point equals a vertex and became a copy of its control record
};

// Applies triangle t (indices into control, already checked) to p: when the
// vertical-ray crossing count is exactly 1 the shifts are interpolated over
// the triangle's plane; otherwise p becomes a copy of the first vertex equal
// to it in x, y and h. A degenerate triangle (plane C == 0) or a non-finite
// interpolated shift takes nothing. The caller has already made the
// inclusive bounding-box test.
TriangleTake applyTriangle(PointRecord &p, const PointRecord *control, const Triangle &t);

// Converts every point in place: target coordinates start at 0, then every
// triangle whose inclusive bounding box holds the point is applied in table
// order, a later one overwriting an earlier one. Returns the number of
// points no triangle took (they keep zero targets, shifts, s and azimuth).
// Triangles with an index outside `control` are ignored.
uint32_t convertPoints(std::vector<PointRecord> &points, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles);

}  // namespace veltrane

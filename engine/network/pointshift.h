#pragma once
// The shift of one point: its geodesic length and azimuth, and the rule by
// which one TIN triangle takes an input point (plane interpolation inside the
// triangle, or a copy of the control record the point coincides with).

#include "engine/base/parallel.h"
#include "engine/types/pointrecord.h"
#include "engine/geometry/trianglegrid.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
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

// A control network ready to convert points, built once and used for any
// number of point batches (from any number of threads at a time).
class NetworkInterpolator {
public:
    // Builds the triangle search structure. Triangles with an index outside
    // control are ignored.
    NetworkInterpolator(std::shared_ptr<const std::vector<PointRecord>> control,
                        std::shared_ptr<const std::vector<Triangle>> triangles);

    // Converts points[0..count) in place, spread over the cores: target
    // coordinates start at 0, then every triangle whose inclusive bounding
    // box holds the point is applied in table order, a later one overwriting
    // an earlier one. A point no triangle takes that way is then given to the
    // first triangle (table order) that holds it by an exact orientation test
    // (the border counts as inside), which interpolates over its planes.
    // status (optional, count entries) receives each point's PointStatus.
    // triangleOf (optional, count entries) receives the table index of the
    // triangle that gave the point its shift (for a vertex copy, the triangle
    // that made the copy), -1 for a point left outside.
    // extrapolateOutside: a point that no triangle holds takes the linear
    // planes of the triangle with the nearest side (smallest planar distance,
    // in degrees, from the point to one of its three sides; the first such
    // triangle in table order on ties), evaluated at the point. Only the
    // triangles touching the network's outline (its hull and the borders of
    // its holes) can be nearest, so each such point costs a scan of those
    // (about 180 of the 39,971 triangles of a 20,000-point network completed to
    // its hull), found once on first use.
    // cores: Cores::CallingThread from a thread that is already one of a set
    // converting on every core.
    // Returns the number of points left with status Outside.
    uint64_t convert(PointRecord *points, size_t count, PointStatus *status, int32_t *triangleOf,
                     bool extrapolateOutside, Cores cores = Cores::All) const;

private:
    int32_t nearestSideTriangle(double x, double y) const;
    void findSideCandidates() const;

    std::shared_ptr<const std::vector<PointRecord>> control_;
    std::shared_ptr<const std::vector<Triangle>> triangles_;
    TriangleGrid grid_;
    // Triangles that can have the nearest side for a point outside every
    // triangle, ascending; found on first use.
    mutable std::once_flag sideCandidatesFound_;
    mutable std::vector<uint32_t> sideCandidates_;
};

// Converts every point in place as NetworkInterpolator::convert does without
// extrapolation. Returns the number of points no triangle holds.
uint32_t convertPoints(std::vector<PointRecord> &points, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles);

}  // namespace veltrane

#pragma once
// A uniform grid over the bounding boxes of a TIN's triangles, built once per
// run, so that each input point is tested only against the triangles whose
// inclusive bounding box holds it. Candidates come back in ascending table
// order, which keeps the "later triangle overwrites" rule of the walk intact.

#include "engine/geometry/celllists.h"
#include "engine/types/pointrecord.h"
#include "engine/geometry/trianglegeometry.h"

#include <cstdint>
#include <vector>

namespace veltrane {

// Bounds on the grid's size. Whatever the triangles, the cell lists hold at
// most max(minCellEntries, cellEntriesPerTriangle * triangles) entries: the
// boxes spanning the most cells go to the list tried for every point instead.
struct TriangleGridLimits {
    uint64_t maxCells = 4 * 1024 * 1024;   // cells in the whole grid
    uint64_t maxCellsPerTriangle = 1024;   // a box spanning more is tried everywhere
    uint64_t cellEntriesPerTriangle = 32;  // budget of cell-list entries, per triangle
    uint64_t minCellEntries = 64 * 1024;   // budget for small networks
};

class TriangleGrid {
public:
    // Triangles with an index outside [0, pointCount) are never candidates.
    TriangleGrid(const PointRecord *points, uint32_t pointCount, const std::vector<Triangle> &triangles,
                 const TriangleGridLimits &limits = TriangleGridLimits());

    // Replaces `out` by the triangles, in ascending table order, whose
    // bounding box holds (x, y) with both bounds inclusive.
    void candidatesAt(double x, double y, std::vector<uint32_t> &out) const;

    // Number of triangles left out because an index was out of range.
    uint32_t invalidTriangles() const { return invalidTriangles_; }

    // Entries of all cell lists, and triangles tried for every point.
    uint64_t cellEntries() const { return cells_.items.size(); }
    uint64_t everywhereTriangles() const { return everywhere_.size(); }

private:
    uint32_t columnOf(double x) const;
    uint32_t rowOf(double y) const;
    uint64_t cellsSpanned(const TriangleExtentBox &box) const;
    bool boxHolds(uint32_t triangle, double x, double y) const;

    std::vector<TriangleExtentBox> boxes_;  // per triangle, as triangleExtent gives it
    double originX_ = 0.0;
    double originY_ = 0.0;
    double cellWidth_ = 0.0;   // degrees; 0 when there is one column
    double cellHeight_ = 0.0;  // degrees; 0 when there is one row
    uint32_t columns_ = 1;
    uint32_t rows_ = 1;
    CellLists<uint64_t> cells_;         // the triangles of each of the columns_ * rows_ cells
    std::vector<uint32_t> everywhere_;  // boxes too large or unbounded for the grid: tried for every point
    uint32_t invalidTriangles_ = 0;
};

}  // namespace veltrane

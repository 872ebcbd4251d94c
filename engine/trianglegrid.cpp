#include "engine/trianglegrid.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Aim for about this many triangles per cell.
constexpr double kTrianglesPerCell = 1.0;
// Upper bound of the grid size, cells.
constexpr double kMaxCells = 4.0 * 1024 * 1024;
// A box covering more cells than this is tried for every point instead.
constexpr uint64_t kMaxCellsPerTriangle = 1024;

// Cell number of a coordinate. Monotone non-decreasing in v, so a value
// between a box's bounds always falls into a cell the box covers; NaN and
// values below the origin give cell 0, values beyond the last cell the last.
uint32_t cellIndex(double v, double origin, double cellSize, uint32_t cells)
{
    if (cells <= 1 || !(cellSize > 0.0))
        return 0;
    const double cell = std::floor((v - origin) / cellSize);
    if (!(cell > 0.0))
        return 0;
    if (cell >= static_cast<double>(cells - 1))
        return cells - 1;
    return static_cast<uint32_t>(cell);
}

bool isFiniteBox(const TriangleExtentBox &box)
{
    return std::isfinite(box.xMin) && std::isfinite(box.xMax) && std::isfinite(box.yMin) && std::isfinite(box.yMax);
}

// False for a box that no point can pass (inverted, or a bound not a number).
bool canHoldAnyPoint(const TriangleExtentBox &box)
{
    return box.xMin <= box.xMax && box.yMin <= box.yMax;
}

}  // namespace

TriangleGrid::TriangleGrid(const PointRecord *points, uint32_t pointCount, const std::vector<Triangle> &triangles)
{
    const uint32_t triangleCount = static_cast<uint32_t>(triangles.size());
    boxes_.resize(triangleCount);

    // Boxes, validity, and the extent of the finite boxes.
    enum class Placement : uint8_t { Never, Grid, Everywhere };
    std::vector<Placement> placement(triangleCount, Placement::Never);
    double xMin = 0.0, xMax = 0.0, yMin = 0.0, yMax = 0.0;
    uint32_t finiteCount = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const Triangle &tri = triangles[t];
        if (!triangleIndicesValid(tri, pointCount)) {
            ++invalidTriangles_;
            continue;
        }
        const TriangleExtentBox box = triangleExtent(points, triangles.data(), t);
        boxes_[t] = box;
        if (!canHoldAnyPoint(box))
            continue;
        if (!isFiniteBox(box)) {
            placement[t] = Placement::Everywhere;
            continue;
        }
        placement[t] = Placement::Grid;
        if (finiteCount++ == 0) {
            xMin = box.xMin, xMax = box.xMax, yMin = box.yMin, yMax = box.yMax;
        } else {
            xMin = std::min(xMin, box.xMin), xMax = std::max(xMax, box.xMax);
            yMin = std::min(yMin, box.yMin), yMax = std::max(yMax, box.yMax);
        }
    }

    // Grid shape: about kTrianglesPerCell per cell, cells roughly square.
    originX_ = xMin;
    originY_ = yMin;
    const double width = xMax - xMin;
    const double height = yMax - yMin;
    const double targetCells = std::min(kMaxCells, std::max(1.0, finiteCount / kTrianglesPerCell));
    if (std::isfinite(width) && std::isfinite(height) && width > 0.0 && height > 0.0) {
        const double side = std::sqrt(targetCells * width / height);
        const double cols = std::clamp(std::round(side), 1.0, targetCells);
        columns_ = static_cast<uint32_t>(cols);
        rows_ = static_cast<uint32_t>(std::clamp(std::round(targetCells / cols), 1.0, targetCells));
    } else if (std::isfinite(width) && width > 0.0) {
        columns_ = static_cast<uint32_t>(targetCells);
    } else if (std::isfinite(height) && height > 0.0) {
        rows_ = static_cast<uint32_t>(targetCells);
    }
    cellWidth_ = columns_ > 1 ? width / columns_ : 0.0;
    cellHeight_ = rows_ > 1 ? height / rows_ : 0.0;

    // Boxes spanning too many cells are tried everywhere instead.
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (placement[t] != Placement::Grid)
            continue;
        const TriangleExtentBox &box = boxes_[t];
        const uint64_t spanned =
            uint64_t(columnOf(box.xMax) - columnOf(box.xMin) + 1) * uint64_t(rowOf(box.yMax) - rowOf(box.yMin) + 1);
        if (spanned > kMaxCellsPerTriangle)
            placement[t] = Placement::Everywhere;
    }

    // Compressed cell lists, filled in ascending triangle order.
    const size_t cellCount = size_t(columns_) * rows_;
    cellStart_.assign(cellCount + 1, 0);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<uint32_t> fill;
        if (pass == 1) {
            for (size_t c = 0; c < cellCount; ++c)
                cellStart_[c + 1] += cellStart_[c];
            cellTriangles_.resize(cellStart_[cellCount]);
            fill.assign(cellStart_.begin(), cellStart_.end() - 1);
        }
        for (uint32_t t = 0; t < triangleCount; ++t) {
            if (placement[t] == Placement::Everywhere && pass == 0)
                everywhere_.push_back(t);
            if (placement[t] != Placement::Grid)
                continue;
            const TriangleExtentBox &box = boxes_[t];
            for (uint32_t r = rowOf(box.yMin), rEnd = rowOf(box.yMax); r <= rEnd; ++r) {
                for (uint32_t c = columnOf(box.xMin), cEnd = columnOf(box.xMax); c <= cEnd; ++c) {
                    const size_t cell = size_t(r) * columns_ + c;
                    if (pass == 0)
                        ++cellStart_[cell + 1];
                    else
                        cellTriangles_[fill[cell]++] = t;
                }
            }
        }
    }
}

uint32_t TriangleGrid::columnOf(double x) const
{
    return cellIndex(x, originX_, cellWidth_, columns_);
}

uint32_t TriangleGrid::rowOf(double y) const
{
    return cellIndex(y, originY_, cellHeight_, rows_);
}

bool TriangleGrid::boxHolds(uint32_t triangle, double x, double y) const
{
    const TriangleExtentBox &box = boxes_[triangle];
    return box.xMin <= x && x <= box.xMax && box.yMin <= y && y <= box.yMax;
}

void TriangleGrid::candidatesAt(double x, double y, std::vector<uint32_t> &out) const
{
    out.clear();
    const size_t cell = size_t(rowOf(y)) * columns_ + columnOf(x);
    const uint32_t *inCell = cellTriangles_.data() + cellStart_[cell];
    const uint32_t *inCellEnd = cellTriangles_.data() + cellStart_[cell + 1];
    const uint32_t *wide = everywhere_.data();
    const uint32_t *wideEnd = wide + everywhere_.size();

    // Merge the two ascending lists, keeping the boxes that hold the point.
    while (inCell != inCellEnd || wide != wideEnd) {
        uint32_t t;
        if (wide == wideEnd || (inCell != inCellEnd && *inCell < *wide))
            t = *inCell++;
        else
            t = *wide++;
        if (boxHolds(t, x, y))
            out.push_back(t);
    }
}

}  // namespace veltrane

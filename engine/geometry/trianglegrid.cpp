#include "engine/geometry/trianglegrid.h"

#include <algorithm>
#include <utility>
#include <cmath>

namespace veltrane {

namespace {

// Aim for about this many triangles per cell.
constexpr double kTrianglesPerCell = 1.0;
// Largest grid the limits may ask for, cells: with fewer than 2^32
// triangles the sum of their cell spans then fits 64 bits with room to spare.
constexpr uint64_t kLargestGrid = uint64_t(1) << 28;

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

uint64_t saturatingProduct(uint64_t a, uint64_t b)
{
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

// The largest span such that the triangles spanning at most that many cells
// together fill no more than `budget` cell-list entries (0: none of them).
// Triangles of equal span are kept or moved out together.
uint64_t largestSpanWithinBudget(std::vector<uint64_t> spans, uint64_t budget)
{
    std::sort(spans.begin(), spans.end());
    uint64_t total = 0, largest = 0;
    for (size_t k = 0; k < spans.size(); ++k) {
        total += spans[k];
        if (total > budget)
            break;
        if (k + 1 == spans.size() || spans[k + 1] != spans[k])
            largest = spans[k];
    }
    return largest;
}

}  // namespace

TriangleGrid::TriangleGrid(const PointRecord *points, uint32_t pointCount, const std::vector<Triangle> &triangles,
                           const TriangleGridLimits &limits)
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
    const double maxCells = static_cast<double>(std::clamp<uint64_t>(limits.maxCells, 1, kLargestGrid));
    const double targetCells = std::min(maxCells, std::max(1.0, finiteCount / kTrianglesPerCell));
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

    // Boxes spanning too many cells are tried everywhere instead; so are the
    // widest boxes when all together would fill more cell-list entries than
    // the budget (many large overlapping faces).
    std::vector<uint64_t> spans;
    uint64_t totalSpan = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (placement[t] != Placement::Grid)
            continue;
        const uint64_t spanned = cellsSpanned(boxes_[t]);
        if (spanned > limits.maxCellsPerTriangle) {
            placement[t] = Placement::Everywhere;
            continue;
        }
        spans.push_back(spanned);
        totalSpan += spanned;
    }
    const uint64_t budget =
        std::max(limits.minCellEntries, saturatingProduct(limits.cellEntriesPerTriangle, triangleCount));
    if (totalSpan > budget) {
        const uint64_t largestSpan = largestSpanWithinBudget(std::move(spans), budget);
        for (uint32_t t = 0; t < triangleCount; ++t) {
            if (placement[t] != Placement::Grid)
                continue;
            if (cellsSpanned(boxes_[t]) > largestSpan)
                placement[t] = Placement::Everywhere;
        }
    }
    spans = std::vector<uint64_t>();

    // Compressed cell lists, filled in ascending triangle order; 64-bit
    // offsets, and at most `budget` entries.
    for (uint32_t t = 0; t < triangleCount; ++t)
        if (placement[t] == Placement::Everywhere)
            everywhere_.push_back(t);
    cells_ = buildCellLists<uint64_t>(size_t(columns_) * rows_, triangleCount, [&](size_t t, auto visit) {
        if (placement[t] != Placement::Grid)
            return;
        const TriangleExtentBox &box = boxes_[t];
        for (uint32_t r = rowOf(box.yMin), rEnd = rowOf(box.yMax); r <= rEnd; ++r)
            for (uint32_t c = columnOf(box.xMin), cEnd = columnOf(box.xMax); c <= cEnd; ++c)
                visit(size_t(r) * columns_ + c);
    });
}

uint32_t TriangleGrid::columnOf(double x) const
{
    return cellIndex(x, originX_, cellWidth_, columns_);
}

uint32_t TriangleGrid::rowOf(double y) const
{
    return cellIndex(y, originY_, cellHeight_, rows_);
}

uint64_t TriangleGrid::cellsSpanned(const TriangleExtentBox &box) const
{
    return uint64_t(columnOf(box.xMax) - columnOf(box.xMin) + 1) * uint64_t(rowOf(box.yMax) - rowOf(box.yMin) + 1);
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
    const uint32_t *inCell = cells_.items.data() + cells_.start[cell];
    const uint32_t *inCellEnd = cells_.items.data() + cells_.start[cell + 1];
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

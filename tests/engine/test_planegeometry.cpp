// The shared plane geometry: orientation and barycentric weights, the
// nearest place on a segment and on a triangle, side keys and the
// counting-sort cell lists.

#include "engine/celllists.h"
#include "engine/planegeometry.h"
#include "engine/trianglesides.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace veltrane;

namespace {

const PlanePoint kA{0.0, 0.0};
const PlanePoint kB{4.0, 0.0};
const PlanePoint kC{0.0, 2.0};

}  // namespace

TEST(PlaneGeometry, OrientationAndWeights)
{
    EXPECT_EQ(orientation(kA, kB, kC), 8.0);  // counter-clockwise: twice the area
    EXPECT_EQ(orientation(kA, kC, kB), -8.0);
    EXPECT_EQ(orientation(kA, kB, PlanePoint{2.0, 0.0}), 0.0);

    BarycentricWeights w{{-1.0, -1.0, -1.0}};
    ASSERT_TRUE(barycentricWeights(kA, kB, kC, PlanePoint{1.0, 0.5}, w));
    EXPECT_DOUBLE_EQ(w.w[0], 0.5);
    EXPECT_DOUBLE_EQ(w.w[1], 0.25);
    EXPECT_DOUBLE_EQ(w.w[2], 0.25);
    // Outside: a negative weight for the corner opposite the side crossed.
    ASSERT_TRUE(barycentricWeights(kA, kB, kC, PlanePoint{1.0, -1.0}, w));
    EXPECT_LT(w.w[2], 0.0);
    // A flat triangle has none, and leaves the weights as they were.
    BarycentricWeights kept{{7.0, 8.0, 9.0}};
    EXPECT_FALSE(barycentricWeights(kA, kB, PlanePoint{8.0, 0.0}, PlanePoint{1.0, 1.0}, kept));
    EXPECT_EQ(kept.w[0], 7.0);
}

TEST(PlaneGeometry, NearestPlaceOnASegment)
{
    const SegmentPlace foot = nearestOnSegment(PlanePoint{1.0, 3.0}, kA, kB);
    EXPECT_DOUBLE_EQ(foot.t, 0.25);
    EXPECT_DOUBLE_EQ(foot.squaredDistance, 9.0);
    // Beyond an end: the distance to that end, computed from the end itself.
    const PlanePoint q{0.7, 0.2};
    const PlanePoint a{0.3, 0.1}, b{-0.1, 0.3};
    const SegmentPlace end = nearestOnSegment(q, a, b);
    EXPECT_EQ(end.t, 0.0);
    EXPECT_EQ(end.squaredDistance, (q.x - a.x) * (q.x - a.x) + (q.y - a.y) * (q.y - a.y));
    EXPECT_EQ(nearestOnSegment(q, b, a).squaredDistance, end.squaredDistance);
    EXPECT_EQ(nearestOnSegment(q, b, a).t, 1.0);
    // A segment without length is its first end.
    const SegmentPlace point = nearestOnSegment(PlanePoint{3.0, 4.0}, kA, kA);
    EXPECT_EQ(point.t, 0.0);
    EXPECT_EQ(point.squaredDistance, 25.0);

    EXPECT_DOUBLE_EQ(squaredDistanceToSides(PlanePoint{2.0, 2.0}, kA, kB, kC), 0.8);  // to side b-c
    EXPECT_EQ(squaredDistanceToSides(PlanePoint{-3.0, -4.0}, kA, kB, kC), 25.0);      // to corner a
}

TEST(PlaneGeometry, WeightsOfTheNearestPlaceOfATriangle)
{
    // Inside: the point's own weights, summing to one exactly.
    const BarycentricWeights inside = nearestPlaceWeights(kA, kB, kC, PlanePoint{1.0, 0.5});
    EXPECT_DOUBLE_EQ(inside.w[0], 0.5);
    EXPECT_EQ(inside.w[0] + inside.w[1] + inside.w[2], 1.0);
    // Beyond side a-b: the foot a quarter of the way from a.
    const BarycentricWeights below = nearestPlaceWeights(kA, kB, kC, PlanePoint{1.0, -5.0});
    EXPECT_DOUBLE_EQ(below.w[0], 0.75);
    EXPECT_DOUBLE_EQ(below.w[1], 0.25);
    EXPECT_EQ(below.w[2], 0.0);
    // Beyond corner b: all of b.
    const BarycentricWeights corner = nearestPlaceWeights(kA, kB, kC, PlanePoint{6.0, -1.0});
    EXPECT_EQ(corner.w[0], 0.0);
    EXPECT_EQ(corner.w[1], 1.0);
    EXPECT_EQ(corner.w[2], 0.0);
    // A flat triangle: the nearest place on its sides.
    const BarycentricWeights flat = nearestPlaceWeights(kA, kB, PlanePoint{2.0, 0.0}, PlanePoint{3.0, 1.0});
    EXPECT_DOUBLE_EQ(flat.w[0], 0.25);
    EXPECT_DOUBLE_EQ(flat.w[1], 0.75);
}

TEST(TriangleSides, KeysAndTheirEnds)
{
    EXPECT_NE(sideKey(3, 7), sideKey(7, 3));
    EXPECT_EQ(undirectedSideKey(3, 7), sideKey(3, 7));
    EXPECT_EQ(undirectedSideKey(7, 3), sideKey(3, 7));
    EXPECT_EQ(sideKeyFrom(sideKey(7, 3)), 7);
    EXPECT_EQ(sideKeyTo(sideKey(7, 3)), 3);
    // A negative index sorts as a large unsigned one: after every real vertex.
    EXPECT_EQ(undirectedSideKey(-1, 5), sideKey(5, -1));
    EXPECT_EQ(sideKeyTo(undirectedSideKey(-1, 5)), -1);
    EXPECT_EQ(undirectedSideKey(-1, -1), ~uint64_t(0));

    const std::vector<Triangle> triangles = {{0, 1, 2}, {2, 1, 3}, {0, 1, 9}};  // the last is out of range
    EXPECT_EQ(sortedSides(triangles, 4, false), (std::vector<uint64_t>{sideKey(0, 1), sideKey(1, 2), sideKey(1, 3),
                                                                       sideKey(2, 0), sideKey(2, 1), sideKey(3, 2)}));
    EXPECT_EQ(sortedSides(triangles, 4, true), (std::vector<uint64_t>{sideKey(0, 1), sideKey(0, 2), sideKey(1, 2),
                                                                      sideKey(1, 2), sideKey(1, 3), sideKey(2, 3)}));
}

TEST(CellLists, EveryCellListsItsItemsInAscendingOrder)
{
    // Random items spanning runs of cells, some none, some a cell twice;
    // checked against lists filled one item at a time.
    std::mt19937 rng(7);
    const size_t cellCount = 50, itemCount = 400;
    std::vector<std::vector<size_t>> cellsOf(itemCount);
    for (auto &cells : cellsOf) {
        const size_t first = rng() % cellCount, count = rng() % 4;
        for (size_t k = 0; k < count && first + k < cellCount; ++k)
            cells.push_back(first + k);
        if (rng() % 10 == 0 && !cells.empty())
            cells.push_back(cells.front());
    }
    const CellLists<uint64_t> lists = buildCellLists<uint64_t>(cellCount, itemCount, [&](size_t item, auto visit) {
        for (const size_t cell : cellsOf[item])
            visit(cell);
    });
    std::vector<std::vector<uint32_t>> expected(cellCount);
    for (size_t item = 0; item < itemCount; ++item)
        for (const size_t cell : cellsOf[item])
            expected[cell].push_back(uint32_t(item));
    ASSERT_EQ(lists.cellCount(), cellCount);
    for (size_t cell = 0; cell < cellCount; ++cell) {
        const std::vector<uint32_t> got(lists.items.begin() + lists.start[cell],
                                        lists.items.begin() + lists.start[cell + 1]);
        EXPECT_EQ(got, expected[cell]) << cell;
    }
    EXPECT_EQ(lists.start.back(), lists.items.size());

    const CellLists<uint32_t> none = buildCellLists<uint32_t>(3, 5, [](size_t, auto) {});
    EXPECT_EQ(none.start, (std::vector<uint32_t>{0, 0, 0, 0}));
    EXPECT_TRUE(none.items.empty());
}

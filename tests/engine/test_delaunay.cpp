#include "engine/geometry/delaunay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <vector>

using namespace veltrane;

namespace {

std::vector<PointRecord> pointsAt(const std::vector<std::pair<double, double>> &xy)
{
    std::vector<PointRecord> points;
    for (const auto &p : xy) {
        PointRecord record;
        record.x = p.first;
        record.y = p.second;
        record.id = QString::number(points.size());
        points.push_back(record);
    }
    return points;
}

std::vector<PointRecord> sortedRandomPoints(uint32_t n, unsigned seed, double width = 1.0, double height = 1.0)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> ux(0.0, width), uy(0.0, height);
    std::vector<PointRecord> points(n);
    for (PointRecord &p : points) {
        p.x = ux(random);
        p.y = uy(random);
    }
    sortPointsByX(points.data(), n);
    return points;
}

std::vector<Triangle> triangulate(const std::vector<PointRecord> &points)
{
    return buildDelaunayTin(uint32_t(points.size()), points.data());
}

// The triangulation written out step by step as the textbook form of the
// method does it: a full scan of the table with complete flags, circles
// recomputed for every test, an edge buffer with pairwise cancellation. The
// library must produce the same triangles in the same order.
struct ReferenceRun {
    std::vector<Triangle> triangles;
    size_t largestTable = 0;     // most triangles held at once
    bool sawTripleEdge = false;  // an edge collected three times for one point
};

ReferenceRun referenceTriangulation(const std::vector<PointRecord> &input)
{
    ReferenceRun run;
    const uint32_t nv = uint32_t(input.size());
    if (nv == 0)
        return run;
    std::vector<double> x(nv + 3), y(nv + 3);
    for (uint32_t i = 0; i < nv; ++i) {
        x[i] = input[i].x;
        y[i] = input[i].y;
    }
    const SuperTriangle super = superTriangleFor(nv, input.data());
    for (int k = 0; k < 3; ++k) {
        x[nv + k] = super.x[k];
        y[nv + k] = super.y[k];
    }
    std::vector<Triangle> table{{int32_t(nv), int32_t(nv + 1), int32_t(nv + 2)}};
    std::vector<bool> complete{false};
    std::vector<std::array<int32_t, 2>> edges;
    double xc = 0, yc = 0, r = 0;
    for (uint32_t i = 0; i < nv; ++i) {
        const double xp = x[i], yp = y[i];
        edges.clear();
        for (size_t j = 0; j < table.size();) {
            if (complete[j]) {
                ++j;
                continue;
            }
            const Triangle t = table[j];
            const bool inside =
                circumcircleContains(xp, yp, x[t.p1], y[t.p1], x[t.p2], y[t.p2], x[t.p3], y[t.p3], xc, yc, r);
            if (xc + r < xp)
                complete[j] = true;
            if (inside) {
                edges.push_back({t.p1, t.p2});
                edges.push_back({t.p2, t.p3});
                edges.push_back({t.p3, t.p1});
                table[j] = table.back();
                complete[j] = complete.back();
                table.pop_back();
                complete.pop_back();
            } else {
                ++j;
            }
        }
        auto same = [&](size_t j, size_t k) {
            return edges[j] == edges[k] || (edges[j][0] == edges[k][1] && edges[j][1] == edges[k][0]);
        };
        for (size_t j = 0; j < edges.size(); ++j) {
            int copies = 1;
            for (size_t k = j + 1; k < edges.size(); ++k)
                copies += edges[j][0] >= 0 && same(j, k) ? 1 : 0;
            run.sawTripleEdge |= copies >= 3;
            for (size_t k = j + 1; k < edges.size(); ++k) {
                if (same(j, k)) {
                    edges[j] = {-1, -1};
                    edges[k] = {-1, -1};
                }
            }
        }
        for (const auto &e : edges) {
            if (e[0] >= 0 && e[1] >= 0) {
                table.push_back({e[0], e[1], int32_t(i)});
                complete.push_back(false);
            }
        }
        run.largestTable = std::max(run.largestTable, table.size());
    }
    for (size_t j = 0; j < table.size();) {
        const Triangle t = table[j];
        if (t.p1 >= int32_t(nv) || t.p2 >= int32_t(nv) || t.p3 >= int32_t(nv)) {
            table[j] = table.back();
            table.pop_back();
        } else {
            ++j;
        }
    }
    run.triangles = table;
    return run;
}

void expectSameTriangles(const std::vector<Triangle> &actual, const std::vector<Triangle> &expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t k = 0; k < actual.size(); ++k) {
        ASSERT_EQ(actual[k].p1, expected[k].p1) << "triangle " << k;
        ASSERT_EQ(actual[k].p2, expected[k].p2) << "triangle " << k;
        ASSERT_EQ(actual[k].p3, expected[k].p3) << "triangle " << k;
    }
}

void expectIndicesWithin(const std::vector<Triangle> &tin, size_t n)
{
    for (const Triangle &t : tin)
        for (const int32_t v : {t.p1, t.p2, t.p3}) {
            ASSERT_GE(v, 0);
            ASSERT_LT(size_t(v), n);
        }
}

// Twice the signed area: negative for clockwise with y up.
long double signedArea2(const PointRecord &a, const PointRecord &b, const PointRecord &c)
{
    return (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
           (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
}

// Positive when d lies strictly inside the circle through the clockwise
// triangle a, b, c.
long double inCircleClockwise(const PointRecord &a, const PointRecord &b, const PointRecord &c, const PointRecord &d)
{
    const long double adx = a.x - static_cast<long double>(d.x), ady = a.y - static_cast<long double>(d.y);
    const long double bdx = b.x - static_cast<long double>(d.x), bdy = b.y - static_cast<long double>(d.y);
    const long double cdx = c.x - static_cast<long double>(d.x), cdy = c.y - static_cast<long double>(d.y);
    const long double det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) -
                            (bdx * bdx + bdy * bdy) * (adx * cdy - cdx * ady) +
                            (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    return -det;
}

}  // namespace

TEST(ComparePointsByX, OrdersByXOnly)
{
    const auto p = pointsAt({{1, 5}, {2, 0}, {1, -3}});
    EXPECT_EQ(comparePointsByX(&p[0], &p[1]), -1);
    EXPECT_EQ(comparePointsByX(&p[1], &p[0]), 1);
    EXPECT_EQ(comparePointsByX(&p[0], &p[2]), 0);
    auto nan = pointsAt({{std::nan(""), 0}});
    EXPECT_EQ(comparePointsByX(&nan[0], &p[0]), 0);
    EXPECT_EQ(comparePointsByX(&p[0], &nan[0]), 0);
}

TEST(SortPointsByX, IsStableAndKeepsWholeRecords)
{
    auto points = pointsAt({{3, 0}, {1, 1}, {2, 2}, {1, 3}, {3, 4}, {1, 5}});
    sortPointsByX(points.data(), uint32_t(points.size()));
    std::vector<QString> ids;
    for (const PointRecord &p : points)
        ids.push_back(p.id);
    const std::vector<QString> expected{"1", "3", "5", "2", "0", "4"};
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(points[2].y, 5.0);
}

TEST(SortPointsByX, RecordsWithoutANumberGoLastAndTheRestIsSorted)
{
    const double nan = std::nan("");
    auto points = pointsAt({{nan, 0}, {3, 1}, {nan, 2}, {1, 3}, {2, 4}, {nan, 5}, {0, 6}});
    sortPointsByX(points.data(), uint32_t(points.size()));
    const std::vector<double> xs{0, 1, 2, 3};
    for (size_t k = 0; k < xs.size(); ++k)
        EXPECT_EQ(points[k].x, xs[k]);
    EXPECT_EQ(points[4].id, "0");
    EXPECT_EQ(points[5].id, "2");
    EXPECT_EQ(points[6].id, "5");
}

TEST(CircumcircleContains, CentreRadiusAndBoundary)
{
    double xc = 0, yc = 0, r = 0;
    // Right angle at the origin: centre (1, 1), radius sqrt(2); (2, 2) lies
    // exactly on the circle and counts as inside.
    EXPECT_TRUE(circumcircleContains(2, 2, 0, 0, 2, 0, 0, 2, xc, yc, r));
    EXPECT_EQ(xc, 1.0);
    EXPECT_EQ(yc, 1.0);
    EXPECT_EQ(r, std::sqrt(2.0));
    EXPECT_FALSE(circumcircleContains(2.001, 2, 0, 0, 2, 0, 0, 2, xc, yc, r));
    // Second and third vertex level: the other special branch.
    EXPECT_TRUE(circumcircleContains(1, 1, 0, 2, 0, 0, 2, 0, xc, yc, r));
    EXPECT_EQ(xc, 1.0);
    EXPECT_EQ(yc, 1.0);
    // General position.
    EXPECT_TRUE(circumcircleContains(0.5, 0.5, 0, 0, 1, 1, 2, 0, xc, yc, r));
    EXPECT_DOUBLE_EQ(xc, 1.0);
    EXPECT_DOUBLE_EQ(yc, 0.0);
    EXPECT_DOUBLE_EQ(r, 1.0);
}

TEST(CircumcircleContains, DegenerateTriangleContainsNothingAndWritesNothing)
{
    double xc = -5, yc = -6, r = -7;
    // y values within 0.000001 of each other: a flat triangle.
    EXPECT_FALSE(circumcircleContains(0.5, 0, 0, 0, 1, 0.0000005, 2, 0.0000009, xc, yc, r));
    EXPECT_FALSE(circumcircleContains(0, 0, 0, 0, 0, 0, 0, 0, xc, yc, r));
    EXPECT_EQ(xc, -5);
    EXPECT_EQ(yc, -6);
    EXPECT_EQ(r, -7);
}

TEST(SuperTriangle, ReachesTwentyTimesTheLargerSide)
{
    const auto unit = pointsAt({{0, 0}, {1, 0}, {0, 1}});
    const SuperTriangle a = superTriangleFor(3, unit.data());
    EXPECT_EQ(a.x[0], -19.5);
    EXPECT_EQ(a.y[0], -0.5);
    EXPECT_EQ(a.x[1], 0.5);
    EXPECT_EQ(a.y[1], 20.5);
    EXPECT_EQ(a.x[2], 20.5);
    EXPECT_EQ(a.y[2], -0.5);

    const auto wide = pointsAt({{-50, 5}, {50, -5}, {0, 0}});
    const SuperTriangle b = superTriangleFor(3, wide.data());
    EXPECT_EQ(b.x[0], -2000);
    EXPECT_EQ(b.y[0], -100);
    EXPECT_EQ(b.x[1], 0);
    EXPECT_EQ(b.y[1], 2000);
    EXPECT_EQ(b.x[2], 2000);
    EXPECT_EQ(b.y[2], -100);

    const auto tall = pointsAt({{-5, 50}, {5, -50}});
    const SuperTriangle c = superTriangleFor(2, tall.data());
    EXPECT_EQ(c.x[0], -2000);
    EXPECT_EQ(c.y[1], 2000);
}

TEST(CancelSharedEdges, PairsCancelAndAThirdCopyStays)
{
    std::vector<TinEdge> edges{{1, 2}, {2, 3}, {3, 1}, {2, 1}, {4, 5}, {1, 2}, {5, 4}};
    cancelSharedEdges(edges.data(), edges.size());
    // (1,2) pairs with (2,1); the later (1,2) is the third copy and stays.
    const std::vector<std::pair<int, int>> expected{{-1, -1}, {2, 3}, {3, 1}, {-1, -1}, {-1, -1}, {1, 2}, {-1, -1}};
    ASSERT_EQ(edges.size(), expected.size());
    for (size_t k = 0; k < edges.size(); ++k) {
        EXPECT_EQ(edges[k].a, expected[k].first) << k;
        EXPECT_EQ(edges[k].b, expected[k].second) << k;
    }
    cancelSharedEdges(edges.data(), 0);  // nothing collected: nothing happens
}

TEST(BuildDelaunayTin, TooFewPointsGiveNothing)
{
    const auto points = pointsAt({{0, 0}, {1, 0}});
    EXPECT_TRUE(buildDelaunayTin(0, nullptr).empty());
    EXPECT_TRUE(buildDelaunayTin(1, points.data()).empty());
    EXPECT_TRUE(buildDelaunayTin(2, points.data()).empty());

    uint32_t ntri = 99;
    Triangle *triangles = reinterpret_cast<Triangle *>(&ntri);
    buildDelaunayTin(0, nullptr, ntri, triangles);
    EXPECT_EQ(ntri, 0u);
    EXPECT_EQ(triangles, nullptr);
}

TEST(BuildDelaunayTin, ThreePointsGiveOneClockwiseTriangle)
{
    const auto points = pointsAt({{0, 0}, {0, 1}, {1, 0}});
    const auto tin = triangulate(points);
    ASSERT_EQ(tin.size(), 1u);
    const Triangle &t = tin[0];
    EXPECT_EQ(std::set<int32_t>({t.p1, t.p2, t.p3}), std::set<int32_t>({0, 1, 2}));
    EXPECT_LT(signedArea2(points[t.p1], points[t.p2], points[t.p3]), 0);

    uint32_t ntri = 0;
    Triangle *triangles = nullptr;
    buildDelaunayTin(3, points.data(), ntri, triangles);
    ASSERT_EQ(ntri, 1u);
    EXPECT_EQ(triangles[0].p1, t.p1);
    EXPECT_EQ(triangles[0].p2, t.p2);
    EXPECT_EQ(triangles[0].p3, t.p3);
    delete[] triangles;
}

TEST(BuildDelaunayTin, QuadrilateralSplitsAlongTheDelaunayDiagonal)
{
    // Convex, not on one circle: 1 and 2 are close together, so the diagonal
    // 1-2 is the short one whose triangles have empty circles.
    const auto points = pointsAt({{0, 0}, {1.9, 0.5}, {2.1, -0.5}, {4, 0}});
    const auto tin = triangulate(points);
    ASSERT_EQ(tin.size(), 2u);
    for (const Triangle &t : tin) {
        const std::set<int32_t> corners{t.p1, t.p2, t.p3};
        EXPECT_TRUE(corners.count(1) && corners.count(2));
        EXPECT_LT(signedArea2(points[t.p1], points[t.p2], points[t.p3]), 0);
    }
}

TEST(BuildDelaunayTin, PointOnACircleStillReachesItsTriangle)
{
    // The circle of 0, 1, 2 has centre (1, 1) and radius 1, so it is retired
    // only by a point with x > 2. Point 3 at x = 2 is outside it; point 4 at
    // x = 2 lies on it and must still replace the triangle 0, 1, 2.
    const auto points = pointsAt({{0, 1}, {1, 0}, {1, 2}, {2, 3}, {2, 1}});
    const auto tin = triangulate(points);
    expectIndicesWithin(tin, points.size());
    for (const Triangle &t : tin)
        EXPECT_NE(std::set<int32_t>({t.p1, t.p2, t.p3}), std::set<int32_t>({0, 1, 2}));
    expectSameTriangles(tin, referenceTriangulation(points).triangles);
}

TEST(BuildDelaunayTin, RandomPointsGiveAnEmptyCircleTriangulation)
{
    const uint32_t n = 1000;
    const auto points = sortedRandomPoints(n, 20240611);
    const auto tin = triangulate(points);
    expectIndicesWithin(tin, n);
    EXPECT_LE(tin.size(), size_t(2 * n - 5));
    EXPECT_GE(tin.size(), size_t(2 * n - 2 - 60));  // all but a few hull triangles

    std::set<std::array<int32_t, 3>> distinct;
    for (const Triangle &t : tin) {
        const PointRecord &a = points[t.p1], &b = points[t.p2], &c = points[t.p3];
        ASSERT_LT(signedArea2(a, b, c), 0) << t.p1 << " " << t.p2 << " " << t.p3;
        std::array<int32_t, 3> key{t.p1, t.p2, t.p3};
        std::sort(key.begin(), key.end());
        EXPECT_TRUE(distinct.insert(key).second);
        const long double scale = 1e-12L;
        for (uint32_t k = 0; k < n; ++k) {
            if (int32_t(k) == t.p1 || int32_t(k) == t.p2 || int32_t(k) == t.p3)
                continue;
            ASSERT_LE(inCircleClockwise(a, b, c, points[k]), scale) << "point " << k;
        }
    }
}

TEST(BuildDelaunayTin, SameTrianglesInTheSameOrderAsTheStepByStepMethod)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        const auto points = sortedRandomPoints(2000, seed, 3.0, 1.0);
        expectSameTriangles(triangulate(points), referenceTriangulation(points).triangles);
    }
    // A regular grid: four points on every circle, decided by the order rule.
    std::vector<std::pair<double, double>> grid;
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 30; ++j)
            grid.push_back({-123.0 + i * 0.01, 45.0 + j * 0.01});
    auto gridPoints = pointsAt(grid);
    sortPointsByX(gridPoints.data(), uint32_t(gridPoints.size()));
    expectSameTriangles(triangulate(gridPoints), referenceTriangulation(gridPoints).triangles);
}

TEST(BuildDelaunayTin, DegenerateInputGivesValidIndicesAndTheStepByStepResult)
{
    // All identical, and all on one line: nothing.
    EXPECT_TRUE(triangulate(pointsAt({{1, 1}, {1, 1}, {1, 1}, {1, 1}})).empty());
    EXPECT_TRUE(triangulate(pointsAt({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}})).empty());
    EXPECT_TRUE(triangulate(pointsAt({{0, 5}, {1, 5}, {2, 5}, {3, 5}})).empty());

    // Duplicates, collinear runs and a coarse lattice full of repeats.
    bool sawTripleEdge = false;
    bool sawTableBeyondThreePerPoint = false;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> cell(0, 6);
        std::vector<std::pair<double, double>> xy;
        for (int k = 0; k < 60; ++k)
            xy.push_back({cell(random) * 0.5, cell(random) * 0.25});
        for (int k = 0; k < 10; ++k)
            xy.push_back({k * 0.3, 0.7});  // a horizontal run
        auto points = pointsAt(xy);
        sortPointsByX(points.data(), uint32_t(points.size()));
        const ReferenceRun reference = referenceTriangulation(points);
        const auto tin = triangulate(points);
        expectIndicesWithin(tin, points.size());
        expectSameTriangles(tin, reference.triangles);
        sawTripleEdge |= reference.sawTripleEdge;
        sawTableBeyondThreePerPoint |= reference.largestTable > 3 * points.size();
    }
    // The cases above really exercise the odd paths: an edge met three times,
    // and more triangles at once than three per point.
    EXPECT_TRUE(sawTripleEdge);
    EXPECT_TRUE(sawTableBeyondThreePerPoint);
}

TEST(BuildDelaunayTin, PointsWithoutANumberArePassedOver)
{
    const double nan = std::nan("");
    auto points = pointsAt({{nan, 0}, {0, 0}, {1, 0}, {0, 1}, {0.5, nan}});
    sortPointsByX(points.data(), uint32_t(points.size()));
    const auto tin = triangulate(points);
    expectIndicesWithin(tin, points.size());
    for (const Triangle &t : tin)
        for (const int32_t v : {t.p1, t.p2, t.p3})
            EXPECT_FALSE(std::isnan(points[v].x) || std::isnan(points[v].y));
}

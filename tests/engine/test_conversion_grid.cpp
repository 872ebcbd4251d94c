// The triangle search through the grid index against the plain walk over
// every triangle in table order, followed by the exact second look: the
// converted records must be identical, byte for byte as written, on random
// networks with points on vertices, edges and cell boundaries. Also the
// per-triangle rule on its own.

#include "engine/geometry/delaunay.h"
#include "engine/geometry/exactorientation.h"
#include "engine/geometry/trianglegeometry.h"
#include "engine/formats/outputwriter.h"
#include "engine/network/pointshift.h"
#include "engine/geometry/trianglegrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace veltrane;

namespace {

// Exactly inside or on the border of a triangle with an area.
bool holds(const std::vector<PointRecord> &c, const Triangle &t, double x, double y)
{
    const PointRecord &a = c[t.p1], &b = c[t.p2], &d = c[t.p3];
    const int sense = exactOrientation(a.x, a.y, b.x, b.y, d.x, d.y);
    return sense != 0 && exactOrientation(a.x, a.y, b.x, b.y, x, y) != -sense &&
           exactOrientation(b.x, b.y, d.x, d.y, x, y) != -sense && exactOrientation(d.x, d.y, a.x, a.y, x, y) != -sense;
}

// The plane interpolation of the rule, with its failures.
bool interpolateAt(PointRecord &p, const std::vector<PointRecord> &c, const Triangle &t)
{
    const PointRecord &a = c[t.p1], &b = c[t.p2], &d = c[t.p3];
    double shift[3];
    const double PointRecord::*components[3] = {&PointRecord::dx, &PointRecord::dy, &PointRecord::dh};
    for (int k = 0; k < 3; ++k) {
        const double PointRecord::*m = components[k];
        const PlaneCoefficients plane = planeThroughPoints(a.x, a.y, a.*m, b.x, b.y, b.*m, d.x, d.y, d.*m);
        shift[k] = -((plane.A * p.x + plane.D) + plane.B * p.y) / plane.C;
        if (plane.C == 0.0 || !std::isfinite(shift[k]))
            return false;
    }
    p.dx = shift[0], p.dy = shift[1], p.dh = shift[2];
    p.xTo = p.x + p.dx, p.yTo = p.y + p.dy, p.hTo = p.h + p.dh;
    measureShift(p);
    return true;
}

// Reference: every triangle in table order, inclusive box test, no index;
// then, for a point none took, the first triangle that holds it exactly
// gives it its planes (the rule's interpolation on a point it would take).
uint32_t convertByWalk(std::vector<PointRecord> &points, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles)
{
    const int64_t n = static_cast<int64_t>(control.size());
    uint32_t untaken = 0;
    for (PointRecord &p : points) {
        p.xTo = p.yTo = p.hTo = 0.0;
        bool taken = false;
        for (uint32_t t = 0; t < triangles.size(); ++t) {
            const Triangle &tri = triangles[t];
            if (tri.p1 < 0 || tri.p2 < 0 || tri.p3 < 0 || tri.p1 >= n || tri.p2 >= n || tri.p3 >= n)
                continue;
            const TriangleExtentBox e = triangleExtent(control.data(), triangles.data(), t);
            if (!(e.xMin <= p.x && p.x <= e.xMax && e.yMin <= p.y && p.y <= e.yMax))
                continue;
            if (applyTriangle(p, control.data(), tri) != TriangleTake::None)
                taken = true;
        }
        for (uint32_t t = 0; !taken && t < triangles.size(); ++t) {
            const Triangle &tri = triangles[t];
            if (tri.p1 < 0 || tri.p2 < 0 || tri.p3 < 0 || tri.p1 >= n || tri.p2 >= n || tri.p3 >= n ||
                !holds(control, tri, p.x, p.y))
                continue;
            taken = interpolateAt(p, control, tri);
        }
        untaken += taken ? 0 : 1;
    }
    return untaken;
}

PointRecord controlPoint(double x, double y, double h, std::mt19937_64 &rng, int number)
{
    std::uniform_real_distribution<double> shift(-2e-5, 2e-5);
    PointRecord r;
    r.x = x;
    r.y = y;
    r.h = h;
    r.dx = shift(rng);
    r.dy = shift(rng);
    r.dh = shift(rng) * 1e4;
    r.xTo = x + r.dx;
    r.yTo = y + r.dy;
    r.hTo = h + r.dh;
    measureShift(r);
    r.id = QStringLiteral("C%1").arg(number);
    return r;
}

// Points on every vertex, on every edge's midpoint and ends, random points
// over and around the network, and a few non-finite ones.
std::vector<PointRecord> probePoints(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                                     std::mt19937_64 &rng, int randomCount)
{
    std::vector<PointRecord> probes;
    auto add = [&probes](double x, double y, double h) {
        PointRecord p;
        p.x = x, p.y = y, p.h = h;
        p.id = QStringLiteral("I%1").arg(probes.size());
        probes.push_back(p);
    };
    double xMin = 1e300, xMax = -1e300, yMin = 1e300, yMax = -1e300;
    for (const PointRecord &c : control) {
        add(c.x, c.y, c.h);
        xMin = std::min(xMin, c.x), xMax = std::max(xMax, c.x);
        yMin = std::min(yMin, c.y), yMax = std::max(yMax, c.y);
    }
    const int64_t n = static_cast<int64_t>(control.size());
    for (const Triangle &t : triangles) {
        const int32_t v[3] = {t.p1, t.p2, t.p3};
        for (int k = 0; k < 3; ++k) {
            const int32_t a = v[k], b = v[(k + 1) % 3];
            if (a < 0 || b < 0 || a >= n || b >= n)
                continue;
            add((control[a].x + control[b].x) / 2, (control[a].y + control[b].y) / 2, 0.0);
            add(control[a].x, (control[a].y + control[b].y) / 2, 0.0);  // on a vertical through a vertex
        }
    }
    const double marginX = (xMax - xMin) * 0.1, marginY = (yMax - yMin) * 0.1;
    std::uniform_real_distribution<double> rx(xMin - marginX, xMax + marginX), ry(yMin - marginY, yMax + marginY);
    for (int i = 0; i < randomCount; ++i)
        add(rx(rng), ry(rng), 50.0);
    const double inf = std::numeric_limits<double>::infinity();
    add(std::nan(""), ry(rng), 0.0);
    add(rx(rng), -inf, 0.0);
    add(inf, inf, 0.0);
    return probes;
}

void expectSameAsWalk(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                      std::vector<PointRecord> probes)
{
    std::vector<PointRecord> byWalk = probes;
    const uint32_t untakenByWalk = convertByWalk(byWalk, control, triangles);
    const uint32_t untakenByGrid = convertPoints(probes, control, triangles);
    EXPECT_EQ(untakenByGrid, untakenByWalk);
    ASSERT_EQ(probes.size(), byWalk.size());
    for (size_t i = 0; i < probes.size(); ++i) {
        for (int mode : {1, 2}) {
            ASSERT_EQ(formatShiftLine(probes[i], directionFromMode(mode)),
                      formatShiftLine(byWalk[i], directionFromMode(mode)))
                << "point " << i;
        }
    }
}

TEST(TriangleGridSearch, MatchesWalkOnDelaunayNetworks)
{
    std::mt19937_64 rng(20240601);
    for (int network = 0; network < 12; ++network) {
        std::uniform_real_distribution<double> lon(-124.0, -122.0), lat(44.0, 46.0), height(0.0, 500.0);
        const int count = 5 + network * 30;
        std::vector<PointRecord> control;
        for (int i = 0; i < count; ++i)
            control.push_back(controlPoint(lon(rng), lat(rng), height(rng), rng, i));
        if (network % 3 == 0)  // a duplicate and a short collinear run
            control.push_back(controlPoint(control[0].x, control[0].y, control[0].h, rng, count));
        for (int k = 0; k < network % 4; ++k)
            control.push_back(controlPoint(-123.0 + 0.01 * k, 45.0 + 0.01 * k, 10.0, rng, count + 1 + k));
        sortPointsByX(control.data(), static_cast<uint32_t>(control.size()));
        const std::vector<Triangle> triangles = buildDelaunayTin(static_cast<uint32_t>(control.size()), control.data());
        ASSERT_FALSE(triangles.empty());
        expectSameAsWalk(control, triangles, probePoints(control, triangles, rng, 2000));
    }
}

TEST(TriangleGridSearch, MatchesWalkOnLatticeNetworks)
{
    // Lattice vertices put many edges and probes exactly on cell boundaries.
    std::mt19937_64 rng(7);
    for (int side : {2, 5, 16}) {
        std::vector<PointRecord> control;
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j)
                control.push_back(controlPoint(-123.0 + 0.125 * i, 45.0 + 0.125 * j, i + j, rng, i * side + j));
        sortPointsByX(control.data(), static_cast<uint32_t>(control.size()));
        const std::vector<Triangle> triangles = buildDelaunayTin(static_cast<uint32_t>(control.size()), control.data());
        std::vector<PointRecord> probes = probePoints(control, triangles, rng, 500);
        for (int i = 0; i <= 4 * side; ++i)
            for (int j = 0; j <= 4 * side; ++j) {
                PointRecord p;
                p.x = -123.0 + 0.03125 * i;
                p.y = 45.0 + 0.03125 * j;
                probes.push_back(p);
            }
        expectSameAsWalk(control, triangles, probes);
    }
}

TEST(TriangleGridSearch, MatchesWalkOnOverlappingAndInvalidTriangles)
{
    // A triangle soup: a cover of the whole area first (every later triangle
    // overwrites it), many small triangles, large overlapping ones, slivers,
    // repeated vertices, an unbounded one and indices out of range.
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> lon(-10.0, 10.0), lat(-10.0, 10.0), near(-0.3, 0.3);
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<PointRecord> control = {controlPoint(-10.5, -10.5, 0.0, rng, 0), controlPoint(10.5, -10.5, 0.0, rng, 1),
                                        controlPoint(0.0, 10.5, 0.0, rng, 2), controlPoint(inf, 0.0, 0.0, rng, 3)};
    std::vector<Triangle> triangles = {{0, 1, 2}, {3, 4, 5}};
    for (int i = 0; i < 300; ++i)
        control.push_back(controlPoint(lon(rng), lat(rng), 0.0, rng, static_cast<int>(control.size())));
    std::uniform_int_distribution<int32_t> shared(4, 303);
    for (int t = 0; t < 100; ++t)
        triangles.push_back({shared(rng), shared(rng), shared(rng)});
    for (int t = 0; t < 2000; ++t) {
        const double cx = lon(rng), cy = lat(rng);
        const int32_t first = static_cast<int32_t>(control.size());
        for (int k = 0; k < 3; ++k)
            control.push_back(controlPoint(cx + near(rng), cy + near(rng), 0.0, rng, first + k));
        triangles.push_back({first, first + 1, first + 2});
    }
    triangles.push_back({5, 5, 6});
    triangles.push_back({1, 2, static_cast<int32_t>(control.size())});
    triangles.push_back({-1, 2, 3});
    expectSameAsWalk(control, triangles, probePoints(control, triangles, rng, 3000));
}

TEST(TriangleGridSearch, ManyLargeOverlappingFacesStayWithinTheEntryBudget)
{
    // Hundreds of thousands of copies of one face over the whole area, with
    // the per-triangle cap lifted: cell lists for all of them would need
    // about 10^11 entries, past 32-bit offsets. The widest boxes must go to
    // the list tried everywhere, and the candidates stay those of the walk.
    constexpr uint32_t kCopies = 300000;
    constexpr uint32_t kSmall = 1000;
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> lon(-10.0, 10.0), lat(-10.0, 10.0), near(-0.05, 0.05);
    std::vector<PointRecord> control = {controlPoint(-10.5, -10.5, 0.0, rng, 0), controlPoint(10.5, -10.5, 0.0, rng, 1),
                                        controlPoint(0.0, 10.5, 0.0, rng, 2)};
    std::vector<Triangle> triangles;
    for (uint32_t t = 0; t < kCopies + kSmall; ++t) {
        if (t % ((kCopies + kSmall) / kSmall) != 0) {
            triangles.push_back({0, 1, 2});
            continue;
        }
        const double cx = lon(rng), cy = lat(rng);
        const int32_t first = static_cast<int32_t>(control.size());
        for (int k = 0; k < 3; ++k)
            control.push_back(controlPoint(cx + near(rng), cy + near(rng), 0.0, rng, first + k));
        triangles.push_back({first, first + 1, first + 2});
    }
    TriangleGridLimits limits;
    limits.maxCellsPerTriangle = UINT64_MAX;
    const TriangleGrid grid(control.data(), static_cast<uint32_t>(control.size()), triangles, limits);

    EXPECT_LE(grid.cellEntries(), limits.cellEntriesPerTriangle * triangles.size());
    EXPECT_GT(grid.cellEntries(), 0u);  // the small faces are still indexed
    EXPECT_GE(grid.everywhereTriangles(), uint64_t(kCopies) - kSmall);
    std::vector<uint32_t> candidates, byWalk;
    for (int probe = 0; probe < 40; ++probe) {
        const double x = lon(rng), y = lat(rng);
        byWalk.clear();
        for (uint32_t t = 0; t < triangles.size(); ++t) {
            const TriangleExtentBox e = triangleExtent(control.data(), triangles.data(), t);
            if (e.xMin <= x && x <= e.xMax && e.yMin <= y && y <= e.yMax)
                byWalk.push_back(t);
        }
        grid.candidatesAt(x, y, candidates);
        ASSERT_EQ(candidates, byWalk) << "probe " << probe;
    }
}

TEST(TriangleGridSearch, EmptyNetworkTakesNothing)
{
    std::mt19937_64 rng(1);
    std::vector<PointRecord> points(3);
    points[0].x = 1.0;
    EXPECT_EQ(convertPoints(points, {}, {}), 3u);
    std::vector<PointRecord> control = {controlPoint(0, 0, 0, rng, 0)};
    EXPECT_EQ(convertPoints(points, control, {{0, 0, 0}}), 1u);  // the two points on the lone vertex copy it
}

TEST(TriangleRule, OnlyOneOfTwoTrianglesTakesAPointOnTheirSharedEdge)
{
    std::mt19937_64 rng(3);
    const std::vector<PointRecord> control = {controlPoint(0, 0, 0, rng, 0), controlPoint(1, 0, 0, rng, 1),
                                              controlPoint(0.5, -1, 0, rng, 2), controlPoint(0.5, 1, 0, rng, 3)};
    const Triangle lower{0, 1, 2}, upper{0, 1, 3};
    PointRecord onEdge;
    onEdge.x = 0.5;
    EXPECT_EQ(applyTriangle(onEdge, control.data(), lower), TriangleTake::Interpolated);
    EXPECT_EQ(applyTriangle(onEdge, control.data(), upper), TriangleTake::None);
    EXPECT_NEAR(onEdge.dx, (control[0].dx + control[1].dx) / 2, 1e-18);
    EXPECT_NEAR(onEdge.dh, (control[0].dh + control[1].dh) / 2, 1e-12);
}

TEST(TriangleRule, DegenerateTriangleTakesNoPoint)
{
    // Three collinear vertices (plane C == 0 exactly) for which the
    // single-precision crossing rule still counts one crossing.
    std::mt19937_64 rng(5);
    const std::vector<PointRecord> control = {controlPoint(-122.4734169009798, 45.183446183376873, 0, rng, 0),
                                              controlPoint(-122.47251378129837, 45.184163429375829, 0, rng, 1),
                                              controlPoint(-122.47161066161695, 45.184880675374785, 0, rng, 2)};
    ASSERT_EQ(
        planeThroughPoints(control[0].x, control[0].y, 0, control[1].x, control[1].y, 1, control[2].x, control[2].y, 2)
            .C,
        0.0);
    PointRecord p;
    p.x = -122.47251815364044;
    p.y = 45.184164037469564;
    ASSERT_EQ(countEdgeCrossings(p.x, p.y, control.data(), 0, 1, 2), 1);
    EXPECT_EQ(applyTriangle(p, control.data(), {0, 1, 2}), TriangleTake::None);
    EXPECT_EQ(p.xTo, 0.0);
    EXPECT_EQ(p.dx, 0.0);
    EXPECT_EQ(p.s, 0.0);
}

}  // namespace

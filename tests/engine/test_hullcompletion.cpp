// Completion of the triangulation to the convex hull, and the exact
// orientation test it and the second look of the conversion rest on.

#include "engine/geometry/delaunay.h"
#include "engine/geometry/exactorientation.h"
#include "engine/geometry/hullcompletion.h"
#include "engine/network/pointshift.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace veltrane;

namespace {

// Hull corners by gift wrapping on the exact test: an independent count.
size_t hullCornerCount(const std::vector<PointRecord> &p)
{
    size_t start = 0;
    for (size_t i = 1; i < p.size(); ++i)
        if (p[i].x < p[start].x || (p[i].x == p[start].x && p[i].y < p[start].y))
            start = i;
    size_t corners = 0, at = start;
    do {
        size_t next = at == 0 ? 1 : 0;
        for (size_t i = 0; i < p.size(); ++i) {
            const int turn = exactOrientation(p[at].x, p[at].y, p[next].x, p[next].y, p[i].x, p[i].y);
            const bool farther =
                std::hypot(p[i].x - p[at].x, p[i].y - p[at].y) > std::hypot(p[next].x - p[at].x, p[next].y - p[at].y);
            if (turn > 0 || (turn == 0 && farther))
                next = i;
        }
        at = next;
        ++corners;
    } while (at != start);
    return corners;
}

// Points clustered in a thin band: many slivers along the hull.
std::vector<PointRecord> bandPoints(uint32_t n, std::mt19937_64 &rng)
{
    std::uniform_real_distribution<double> lon(-124.5, -116.5), lat(41.9, 46.3), bend(-0.3, 0.3);
    std::vector<PointRecord> points(n);
    for (size_t i = 0; i < n; ++i) {
        points[i].x = lon(rng);
        points[i].y = i % 2 ? lat(rng) : 44.0 + 0.05 * std::sin(points[i].x * 3.0) + bend(rng) * 0.01;
    }
    sortPointsByX(points.data(), n);
    return points;
}

// Slightly inside or outside the side a -> b, near its middle, by a distance
// in degrees (positive: towards c).
PointRecord besideSide(const PointRecord &a, const PointRecord &b, const PointRecord &c, double offset)
{
    const double ex = b.x - a.x, ey = b.y - a.y, length = std::hypot(ex, ey);
    double nx = -ey / length, ny = ex / length;
    if ((c.x - a.x) * nx + (c.y - a.y) * ny < 0)
        nx = -nx, ny = -ny;
    PointRecord p;
    p.x = a.x + 0.37 * ex + offset * nx;
    p.y = a.y + 0.37 * ey + offset * ny;
    return p;
}

}  // namespace

TEST(ExactOrientation, DecidesWhatRoundingGetsWrong)
{
    EXPECT_EQ(exactOrientation(0, 0, 1, 0, 0.5, 1e-300), 1);
    // The plain double determinant of these three rounds to 0.
    EXPECT_EQ(exactOrientation(0.5, std::nextafter(0.5, 1.0), 12, 12, 24, 24), 1);
    EXPECT_EQ(exactOrientation(0.5, 0.5, 12, 12, 24, std::nextafter(24.0, 25.0)), 1);
    EXPECT_EQ(exactOrientation(0.5, 0.5, 12, 12, 24, std::nextafter(24.0, 23.0)), -1);
    EXPECT_EQ(exactOrientation(0.5, 0.5, 12, 12, 24, 24), 0);
}

TEST(CompleteTinToHull, RandomPointsGiveTheFullDelaunayTriangulation)
{
    std::mt19937_64 rng(2718);
    for (int round = 0; round < 6; ++round) {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        std::vector<PointRecord> points(30 + 400 * round);
        for (PointRecord &p : points)
            p.x = -124.5 + 8 * u(rng), p.y = 41.9 + 4.4 * u(rng);
        if (round % 2)
            points = bandPoints(uint32_t(points.size()), rng);
        const uint32_t n = uint32_t(points.size());
        sortPointsByX(points.data(), n);
        const std::vector<Triangle> before = buildDelaunayTin(n, points.data());
        std::vector<Triangle> tin = before;
        completeTinToHull(n, points.data(), tin);

        EXPECT_EQ(tin.size(), 2 * n - 2 - hullCornerCount(points)) << "round " << round;
        ASSERT_GE(tin.size(), before.size());
        for (size_t k = 0; k < before.size(); ++k)
            ASSERT_TRUE(tin[k].p1 == before[k].p1 && tin[k].p2 == before[k].p2 && tin[k].p3 == before[k].p3);
        for (size_t k = before.size(); k < tin.size(); ++k) {
            const PointRecord &a = points[tin[k].p1], &b = points[tin[k].p2], &c = points[tin[k].p3];
            ASSERT_EQ(exactOrientation(a.x, a.y, b.x, b.y, c.x, c.y), -1) << "appended triangle " << k;
            double xc, yc, r;
            circumcircleContains(a.x, a.y, a.x, a.y, b.x, b.y, c.x, c.y, xc, yc, r);
            for (uint32_t i = 0; i < n; ++i)
                ASSERT_GE(std::hypot(points[i].x - xc, points[i].y - yc), r * (1 - 1e-9))
                    << "point " << i << " in the circle of appended triangle " << k;
        }
    }
}

TEST(CompleteTinToHull, PointJustInsideAHullSideIsConvertedAndJustOutsideIsNot)
{
    std::mt19937_64 rng(31);
    const uint32_t n = 400;
    std::vector<PointRecord> control = bandPoints(n, rng);
    for (PointRecord &c : control) {
        c.dx = 1e-5, c.dy = -2e-5, c.dh = 0.03;
        c.xTo = c.x + c.dx, c.yTo = c.y + c.dy, c.hTo = c.h + c.dh;
    }
    std::vector<Triangle> tin = buildDelaunayTin(n, control.data());
    const size_t first = tin.size();
    completeTinToHull(n, control.data(), tin);
    ASSERT_GT(tin.size(), first) << "the band should lose slivers to the super-triangle";

    // Beside every hull side: 1e-8 degrees (about 1 mm) in, and 1e-4 degrees
    // (about 10 m, beyond the single-precision steps of the crossing rule) out.
    auto onHull = [&](const PointRecord &a, const PointRecord &b, const PointRecord &c) {
        const int inward = exactOrientation(a.x, a.y, b.x, b.y, c.x, c.y);
        for (const PointRecord &q : control)
            if (exactOrientation(a.x, a.y, b.x, b.y, q.x, q.y) == -inward)
                return false;
        return true;
    };
    std::vector<PointRecord> probes;
    for (const Triangle &t : tin) {
        const PointRecord *v[3] = {&control[t.p1], &control[t.p2], &control[t.p3]};
        for (int k = 0; k < 3; ++k) {
            const PointRecord &a = *v[k], &b = *v[(k + 1) % 3], &c = *v[(k + 2) % 3];
            if (!onHull(a, b, c))
                continue;
            probes.push_back(besideSide(a, b, c, 1e-8));
            probes.push_back(besideSide(a, b, c, -1e-4));
        }
    }
    ASSERT_EQ(probes.size(), 2 * hullCornerCount(control));
    std::vector<PointRecord> converted = probes;
    EXPECT_EQ(convertPoints(converted, control, tin), probes.size() / 2);
    for (size_t i = 0; i < probes.size(); i += 2) {
        EXPECT_NEAR(converted[i].dx, 1e-5, 1e-15) << "inside probe " << i;
        EXPECT_EQ(converted[i + 1].xTo, 0.0) << "outside probe " << i + 1;
        EXPECT_EQ(converted[i + 1].s, 0.0) << "outside probe " << i + 1;
    }
}

// The reusable interpolator: the same bytes as the one-shot conversion, the
// status and triangle of every point, and the nearest-side extrapolation of
// points outside the network.

#include "engine/geometry/delaunay.h"
#include "engine/formats/outputwriter.h"
#include "engine/network/pointshift.h"
#include "engine/geometry/trianglegeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

using namespace veltrane;

namespace {

using Control = std::vector<PointRecord>;
using Tin = std::vector<Triangle>;

PointRecord at(double x, double y, double h = 0.0)
{
    PointRecord p;
    p.x = x, p.y = y, p.h = h;
    return p;
}

// A control point whose shifts are the given linear functions of x and y,
// plus an optional kink so that neighbouring triangles have different planes.
PointRecord controlAt(double x, double y, double kink = 0.0)
{
    PointRecord r = at(x, y, 100.0);
    r.dx = 1e-5 + 2e-6 * x - 3e-6 * y + kink;
    r.dy = -2e-5 + 1e-6 * x + 4e-6 * y - kink;
    r.dh = 0.05 + 0.01 * x - 0.02 * y + 100 * kink;
    r.xTo = r.x + r.dx, r.yTo = r.y + r.dy, r.hTo = r.h + r.dh;
    measureShift(r);
    return r;
}

struct Converted {
    std::vector<PointRecord> points;
    std::vector<PointStatus> status;
    std::vector<int32_t> triangleOf;
    uint64_t outside = 0;
};

Converted convertWith(const Control &control, const Tin &triangles, std::vector<PointRecord> points, bool extrapolate)
{
    const NetworkInterpolator interpolator(std::make_shared<const Control>(control),
                                           std::make_shared<const Tin>(triangles));
    Converted out;
    out.status.assign(points.size(), PointStatus::Converted);
    out.triangleOf.assign(points.size(), 99);
    out.outside =
        interpolator.convert(points.data(), points.size(), out.status.data(), out.triangleOf.data(), extrapolate);
    out.points = std::move(points);
    return out;
}

// Squared distance to the nearest side, over every triangle with an area:
// the exhaustive search the interpolator's pruned one must agree with.
int32_t nearestSideByScan(const Control &c, const Tin &triangles, double x, double y)
{
    auto segment = [&](const PointRecord &a, const PointRecord &b) {
        const double l = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
        const double t = ((x - a.x) * (b.x - a.x) + (y - a.y) * (b.y - a.y)) / l;
        const double fx = t <= 0 ? a.x : (t >= 1 ? b.x : a.x + t * (b.x - a.x));
        const double fy = t <= 0 ? a.y : (t >= 1 ? b.y : a.y + t * (b.y - a.y));
        return (x - fx) * (x - fx) + (y - fy) * (y - fy);
    };
    double best = std::numeric_limits<double>::infinity();
    int32_t nearest = -1;
    for (size_t k = 0; k < triangles.size(); ++k) {
        const PointRecord &a = c[triangles[k].p1], &b = c[triangles[k].p2], &d = c[triangles[k].p3];
        if ((b.x - a.x) * (d.y - a.y) - (b.y - a.y) * (d.x - a.x) == 0.0)
            continue;
        const double dist = std::min({segment(a, b), segment(b, d), segment(a, d)});
        if (dist < best)
            best = dist, nearest = int32_t(k);
    }
    return nearest;
}

// The unit square split along its diagonal, with a kink across it, and a
// triangle without a kink to its right.
const Control kSquare = {controlAt(0, 0), controlAt(1, 0, 3e-6), controlAt(1, 1), controlAt(0, 1, -2e-6),
                         controlAt(3, 0)};
const Triangle kLowerRight{0, 2, 1};
const Triangle kUpperLeft{0, 3, 2};
const Triangle kFlat{0, 2, 4};

}  // namespace

TEST(NetworkInterpolator, PointOutsideOneTriangleTakesThePlaneValue)
{
    const Converted extrapolated = convertWith(kSquare, {kFlat}, {at(2.5, -0.75, 10.0)}, true);
    EXPECT_EQ(extrapolated.outside, 0u);
    const PointRecord &p = extrapolated.points[0];
    // The vertices' shifts are linear functions of x and y.
    EXPECT_NEAR(p.dx, 1e-5 + 2e-6 * 2.5 + 3e-6 * 0.75, 1e-18);
    EXPECT_NEAR(p.dy, -2e-5 + 1e-6 * 2.5 - 4e-6 * 0.75, 1e-18);
    EXPECT_NEAR(p.dh, 0.05 + 0.01 * 2.5 + 0.02 * 0.75, 1e-12);
    EXPECT_EQ(p.xTo, p.x + p.dx);
    EXPECT_EQ(p.hTo, p.h + p.dh);
    EXPECT_GT(p.s, 0.0);
}

TEST(NetworkInterpolator, NearestSideTieGoesToTheFirstTriangle)
{
    // (-1, -2) is equally near both triangles: their common vertex (0, 0).
    const std::vector<PointRecord> points = {at(-1, -2)};
    const double byLowerRight = convertWith(kSquare, {kLowerRight}, points, true).points[0].dx;
    const double byUpperLeft = convertWith(kSquare, {kUpperLeft}, points, true).points[0].dx;
    ASSERT_NE(byLowerRight, byUpperLeft);
    for (const Tin &tin : {Tin{kLowerRight, kUpperLeft}, Tin{kUpperLeft, kLowerRight}}) {
        const Converted c = convertWith(kSquare, tin, points, true);
        EXPECT_EQ(c.triangleOf[0], 0);
        EXPECT_EQ(c.points[0].dx, tin[0].p2 == kLowerRight.p2 ? byLowerRight : byUpperLeft);
    }
}

TEST(NetworkInterpolator, StatusAndTriangleOfEveryPoint)
{
    const Tin tin = {kLowerRight, kUpperLeft};
    // Inside each triangle, a copy of vertex 3 (taken by the upper-left
    // triangle only), outside, and not a number.
    const std::vector<PointRecord> points = {at(0.75, 0.25), at(0.25, 0.75), at(0, 1, 100.0), at(3, 0.5),
                                             at(std::nan(""), 0.5)};
    const Converted c = convertWith(kSquare, tin, points, false);
    EXPECT_EQ(c.outside, 2u);
    EXPECT_EQ(c.status, (std::vector<PointStatus>{PointStatus::Converted, PointStatus::Converted,
                                                  PointStatus::Converted, PointStatus::Outside, PointStatus::Outside}));
    EXPECT_EQ(c.triangleOf, (std::vector<int32_t>{0, 1, 1, -1, -1}));
    EXPECT_EQ(c.points[2].xTo, kSquare[3].xTo);

    const Converted e = convertWith(kSquare, tin, points, true);
    EXPECT_EQ(e.outside, 1u);  // the point without coordinates stays outside
    EXPECT_EQ(e.status[3], PointStatus::Nearest);
    EXPECT_EQ(e.triangleOf[3], 0);
    EXPECT_EQ(e.status[4], PointStatus::Outside);
    EXPECT_EQ(e.triangleOf[4], -1);
}

TEST(NetworkInterpolator, MatchesTheOneShotConversionAndTheExhaustiveNearestSide)
{
    // Random networks with holes cut into them (every fifth triangle
    // dropped), points over and far around them.
    std::mt19937_64 rng(424242);
    std::uniform_real_distribution<double> lon(-124.0, -122.0), lat(44.0, 46.0), kink(-1e-6, 1e-6);
    std::uniform_real_distribution<double> aroundLon(-126.0, -120.0), aroundLat(42.0, 48.0);
    for (int network = 0; network < 4; ++network) {
        Control control;
        for (int i = 0; i < 50 + 300 * network; ++i)
            control.push_back(controlAt(lon(rng), lat(rng), kink(rng)));
        sortPointsByX(control.data(), uint32_t(control.size()));
        Tin tin = buildDelaunayTin(uint32_t(control.size()), control.data());
        if (network % 2 == 1) {
            Tin holed;
            for (size_t k = 0; k < tin.size(); ++k)
                if (k % 5 != 2)
                    holed.push_back(tin[k]);
            tin = holed;
        }
        std::vector<PointRecord> points;
        for (int i = 0; i < 1500; ++i)
            points.push_back(at(aroundLon(rng), aroundLat(rng), 20.0));

        std::vector<PointRecord> oneShot = points;
        const uint32_t untaken = convertPoints(oneShot, control, tin);
        const Converted plain = convertWith(control, tin, points, false);
        EXPECT_EQ(plain.outside, untaken);
        const Converted extrapolated = convertWith(control, tin, points, true);
        EXPECT_EQ(extrapolated.outside, 0u);
        for (size_t i = 0; i < points.size(); ++i) {
            ASSERT_EQ(formatShiftLine(plain.points[i], DatumDirection::Cors96ToCors96a),
                      formatShiftLine(oneShot[i], DatumDirection::Cors96ToCors96a))
                << "point " << i;
            if (plain.status[i] != PointStatus::Outside) {
                ASSERT_EQ(formatShiftLine(extrapolated.points[i], DatumDirection::Cors96ToCors96a),
                          formatShiftLine(oneShot[i], DatumDirection::Cors96ToCors96a));
                continue;
            }
            ASSERT_EQ(extrapolated.status[i], PointStatus::Nearest);
            ASSERT_EQ(extrapolated.triangleOf[i], nearestSideByScan(control, tin, points[i].x, points[i].y))
                << "point " << i << " network " << network;
        }
    }
}

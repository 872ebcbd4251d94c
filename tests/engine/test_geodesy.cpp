#include "engine/geodesy/geodesic.h"
#include "engine/geometry/trianglegeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace veltrane;

namespace {

// Azimuth value a caller presets, to see whether geodesicInverse wrote one.
constexpr double kUntouched = -7.0;

struct Inverse {
    double distance;
    double azimuth;  // radians, or kUntouched
};

Inverse inverseOnGrs80(double lat1, double lon1, double lat2, double lon2)
{
    Inverse result{0.0, kUntouched};
    result.distance = geodesicInverse(lat1, lon1, lat2, lon2, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis,
                                      kGrs80Flattening, result.azimuth);
    return result;
}

std::vector<PointRecord> pointsAt(std::initializer_list<std::pair<double, double>> xy)
{
    std::vector<PointRecord> points;
    for (const auto &p : xy) {
        PointRecord record;
        record.x = p.first;
        record.y = p.second;
        points.push_back(record);
    }
    return points;
}

}  // namespace

TEST(TriangleExtent, SpansTheThreeVerticesOfTheChosenTriangle)
{
    const auto points = pointsAt({{5, 5}, {-1, 2}, {3, -4}, {0, 9}});
    const Triangle triangles[] = {{0, 1, 3}, {1, 2, 0}};
    const TriangleExtentBox box = triangleExtent(points.data(), triangles, 1);
    EXPECT_EQ(box.xMax, 5.0);
    EXPECT_EQ(box.xMin, -1.0);
    EXPECT_EQ(box.yMax, 5.0);
    EXPECT_EQ(box.yMin, -4.0);
}

TEST(CountEdgeCrossings, TwoTrianglesSharingAnEdge)
{
    // 0, 1: the shared edge; 2 below it, 3 above it.
    const auto points = pointsAt({{0, 0}, {1, 0}, {0.5, -1}, {0.5, 1}});
    auto lower = [&](double x, double y) { return countEdgeCrossings(x, y, points.data(), 0, 1, 2); };
    auto upper = [&](double x, double y) { return countEdgeCrossings(x, y, points.data(), 0, 1, 3); };

    // On the shared edge: inside the lower triangle only.
    EXPECT_EQ(lower(0.5, 0.0), 1);
    EXPECT_EQ(upper(0.5, 0.0), 2);
    EXPECT_EQ(lower(0.5, -0.5), 1);
    EXPECT_EQ(upper(0.5, -0.5), 2);
    EXPECT_EQ(lower(0.5, 0.5), 0);
    EXPECT_EQ(upper(0.5, 0.5), 1);
    // Outside the x range, and above the upper triangle.
    EXPECT_EQ(upper(-0.5, 0.1), 0);
    EXPECT_EQ(upper(1.5, 0.1), 0);
    EXPECT_EQ(upper(0.5, 2.0), 0);
}

TEST(CountEdgeCrossings, XRangeIsOpenOnTheLeftAndClosedOnTheRight)
{
    const auto points = pointsAt({{0, 0}, {1, 0}, {0.5, 1}});
    // At x = 0 no edge has 0 strictly left of it; at x = 1 the bottom edge and
    // the right edge both reach it.
    EXPECT_EQ(countEdgeCrossings(0.0, -1.0, points.data(), 0, 1, 2), 0);
    EXPECT_EQ(countEdgeCrossings(1.0, -1.0, points.data(), 0, 1, 2), 2);
}

TEST(CountEdgeCrossings, VerticalEdgeNeverCounts)
{
    // Right-angled triangle whose edge 1 -> 2 is vertical at x = 1.
    const auto points = pointsAt({{0, 0}, {1, 0}, {1, 1}});
    EXPECT_EQ(countEdgeCrossings(1.0, 0.5, points.data(), 0, 1, 2), 1);  // the hypotenuse only
    EXPECT_EQ(countEdgeCrossings(1.0, 2.0, points.data(), 0, 1, 2), 0);
    // Nearly vertical (below the single-precision limit): steep slope, no crash.
    const auto steep = pointsAt({{0, 0}, {1, 0}, {1 + 1e-12, 1}});
    EXPECT_EQ(countEdgeCrossings(0.5, 0.25, steep.data(), 0, 1, 2), 1);
}

TEST(CountEdgeCrossings, SinglePrecisionDecidesPointsCloseToAnEdge)
{
    // The edge (0, 0) -> (1, 0.1) passes x = 0.5 at y = 0.05 exactly, but in
    // single precision at 0.0500000007450580597. A point between the two lies
    // inside the triangle geometrically, yet the rule puts it below the edge.
    const auto points = pointsAt({{0, 0}, {1, 0.1}, {1, 5}});
    EXPECT_EQ(countEdgeCrossings(0.5, 0.0500000005, points.data(), 0, 1, 2), 2);
    EXPECT_EQ(countEdgeCrossings(0.5, 0.0500000008, points.data(), 0, 1, 2), 1);
}

TEST(PlaneThroughPoints, InterpolatesLinearly)
{
    const PlaneCoefficients p = planeThroughPoints(0, 0, 1, 1, 0, 2, 0, 1, 3);
    EXPECT_EQ(p.A, -1.0);
    EXPECT_EQ(p.B, -2.0);
    EXPECT_EQ(p.C, 1.0);
    EXPECT_EQ(p.D, -1.0);
    const double x = 0.25, y = 0.25;
    EXPECT_DOUBLE_EQ(-((p.A * x + p.D) + p.B * y) / p.C, 1.75);

    // The plane passes through each of its points.
    const double q[3][3] = {{-122.5, 45.25, 0.3}, {-122.25, 45.5, -0.1}, {-122.75, 45.75, 0.2}};
    const PlaneCoefficients r =
        planeThroughPoints(q[0][0], q[0][1], q[0][2], q[1][0], q[1][1], q[1][2], q[2][0], q[2][1], q[2][2]);
    for (const auto &v : q)
        EXPECT_NEAR(-((r.A * v[0] + r.D) + r.B * v[1]) / r.C, v[2], 1e-12);
}

TEST(PlanarDistance, IsEuclidean)
{
    EXPECT_EQ(planarDistance(0, 0, 3, 4), 5.0);
    EXPECT_EQ(planarDistance(-1, -1, -1, -1), 0.0);
    EXPECT_EQ(planarDistance(2, 7, -1, 3), 5.0);
}

TEST(GeodesicInverse, KnownLines)
{
    const Inverse north = inverseOnGrs80(45, -123, 45.001, -123);
    EXPECT_NEAR(north.distance, 111.132, 0.001);
    EXPECT_NEAR(north.azimuth, 0.0, 1e-12);

    const Inverse east = inverseOnGrs80(45, -123, 45, -122.999);
    EXPECT_NEAR(east.distance, 78.847, 0.001);
    EXPECT_NEAR(azimuthRadiansToDegrees(east.azimuth), 89.9996, 0.0001);

    const Inverse southWest =
        inverseOnGrs80(-37.951033416666667, 144.424867888888889, -37.652821138888889, 143.926495527777778);
    EXPECT_NEAR(southWest.distance, 54972.271, 0.001);
    EXPECT_NEAR(azimuthRadiansToDegrees(southWest.azimuth), -53.13184, 0.00001);

    // Along the equator the iteration must survive cos^2(alpha) = 0. The
    // quarter of the equator is a*pi/2 = 10018754.171 m, shortened by the
    // single-precision degree factor to 10018754.094 m.
    const Inverse equator = inverseOnGrs80(0, 0, 0, 90);
    EXPECT_NEAR(equator.distance, 10018754.0938, 0.001);
    EXPECT_NEAR(azimuthRadiansToDegrees(equator.azimuth), 90.0, 1e-5);
}

TEST(GeodesicInverse, DirectionIsSymmetricAndSigned)
{
    const Inverse west = inverseOnGrs80(45, -123, 45, -123.001);
    EXPECT_LT(west.azimuth, 0.0);
    const Inverse east = inverseOnGrs80(45, -123, 45, -122.999);
    EXPECT_NEAR(west.distance, east.distance, 1e-9);
    const Inverse south = inverseOnGrs80(45, -123, 44.999, -123);
    EXPECT_NEAR(std::fabs(azimuthRadiansToDegrees(south.azimuth)), 180.0, 1e-5);
}

TEST(GeodesicInverse, CoincidentPointsLeaveTheAzimuthAlone)
{
    const Inverse same = inverseOnGrs80(45.5, -122.25, 45.5, -122.25);
    EXPECT_EQ(same.distance, 0.0);
    EXPECT_EQ(same.azimuth, kUntouched);
}

TEST(GeodesicInverse, NearlyAntipodalPointsFail)
{
    for (const double lon2 : {179.5, 179.7, 179.9}) {
        const Inverse far = inverseOnGrs80(0, 0, 0.5, lon2);
        EXPECT_EQ(far.distance, kGeodesicFailureDistance) << lon2;
        EXPECT_EQ(far.azimuth, kUntouched) << lon2;
    }
}

TEST(GeodesicInverse, NotANumberInputFailsWithoutAnAzimuth)
{
    const Inverse bad = inverseOnGrs80(std::nan(""), -123, 45, -123);
    EXPECT_EQ(bad.distance, kGeodesicFailureDistance);
    EXPECT_EQ(bad.azimuth, kUntouched);
}

TEST(AzimuthRadiansToDegrees, UsesTheSinglePrecisionPi)
{
    EXPECT_EQ(azimuthRadiansToDegrees(kPiF32), 180.0);
    EXPECT_EQ(azimuthRadiansToDegrees(0.0), 0.0);
    EXPECT_LT(azimuthRadiansToDegrees(M_PI / 2), 90.0);  // pi rounded up in single precision
    EXPECT_EQ(azimuthRadiansToDegrees(-1.0), 180.0 * -1.0 / 3.1415927410125732);
}

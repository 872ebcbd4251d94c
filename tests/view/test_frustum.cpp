// Frustum planes, the point test, corners and the frustum-box clipper.

#include "view/frustum.h"
#include "view/glc/glc_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace veltrane;

namespace {

Matrix4 identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

double signedDistance(const Plane &p, const Point3 &q)
{
    return p.a * q.x + p.b * q.y + p.c * q.z + p.d;
}

// A data box like the control network's: 9 x 5.5 degrees, heights scaled.
Extent dataBox()
{
    Extent s;
    s.xMin = -125.0;
    s.xMax = -116.0;
    s.yMin = 41.0;
    s.yMax = 46.5;
    s.zMin = -30.0 * 1e-7;
    s.zMax = 1500.0 * 1e-7;
    s.count = 4;
    return s;
}

// Frustum of a camera looking from eye at target with a 35 degree view.
FrustumPlanes cameraFrustum(const GLC_Vector3d &eye, const GLC_Vector3d &target, double zNear, double zFar)
{
    return extractFrustumPlanes(glcPerspective(35.0, 1.0, zNear, zFar), glcLookAt(eye, target, GLC_Vector3d(0, 1, 0)));
}

TEST(FrustumPlanes, IdentityMatricesGiveTheUnitCubeInTheFixedOrder)
{
    const FrustumPlanes f = extractFrustumPlanes(identity(), identity());
    // right x < 1, left x > -1, bottom y > -1, top y < 1, far z < 1, near z > -1
    const double expected[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                                   {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(f[i].a, expected[i][0]) << "plane " << i;
        EXPECT_DOUBLE_EQ(f[i].b, expected[i][1]) << "plane " << i;
        EXPECT_DOUBLE_EQ(f[i].c, expected[i][2]) << "plane " << i;
        EXPECT_DOUBLE_EQ(f[i].d, expected[i][3]) << "plane " << i;
    }
}

TEST(FrustumPlanes, AreNormalisedAndUseProjectionTimesModelView)
{
    // Scale by 2 in the projection, translate by +3 in x in the model-view:
    // C = P x M keeps clip x = 2 (x + 3), so the right plane is x < -2.5.
    Matrix4 p = identity();
    p[0] = p[5] = p[10] = 2.0;
    Matrix4 m = identity();
    m[12] = 3.0;
    const FrustumPlanes f = extractFrustumPlanes(p, m);
    for (const Plane &pl : f)
        EXPECT_NEAR(std::sqrt(pl.a * pl.a + pl.b * pl.b + pl.c * pl.c), 1.0, 1e-12);
    EXPECT_NEAR(f[kRightPlane].a, -1.0, 1e-12);
    EXPECT_NEAR(f[kRightPlane].d, -2.5, 1e-12);
    EXPECT_NEAR(f[kLeftPlane].d, 3.5, 1e-12);
}

TEST(FrustumPlanes, PerspectiveCameraKeepsWhatItSees)
{
    const FrustumPlanes f = cameraFrustum({0, 0, 10}, {0, 0, 0}, 1.0, 100.0);
    EXPECT_TRUE(pointInFrustum(f, 0, 0, 0, kCullRadius));
    EXPECT_FALSE(pointInFrustum(f, 0, 0, 11, kCullRadius));   // behind the eye
    EXPECT_FALSE(pointInFrustum(f, 0, 0, 9.5, kCullRadius));  // before the near plane
    EXPECT_FALSE(pointInFrustum(f, 0, 0, -95, kCullRadius));  // beyond the far plane
    EXPECT_FALSE(pointInFrustum(f, -20, 0, 0, kCullRadius));  // far to the left
    // Half of the 35 degree view at distance 10 is 3.15 units wide.
    EXPECT_TRUE(pointInFrustum(f, -3.1, 0, 0, kCullRadius));
    EXPECT_FALSE(pointInFrustum(f, -3.2, 0, 0, kCullRadius));
    EXPECT_LT(signedDistance(f[kLeftPlane], {-3.2, 0, 0}), 0.0);
    EXPECT_GT(signedDistance(f[kRightPlane], {-3.2, 0, 0}), 0.0);
}

TEST(PointInFrustum, RadiusDecidesPointsOnAndNearThePlanes)
{
    const FrustumPlanes cube = extractFrustumPlanes(identity(), identity());
    EXPECT_FALSE(pointInFrustum(cube, 1.0, 0.0, 0.0, 0.0));  // exactly on the right plane
    EXPECT_TRUE(pointInFrustum(cube, 0.999, 0.0, 0.0, 0.0));
    // Less than a unit outside the right, top and far planes at once.
    EXPECT_TRUE(pointInFrustum(cube, 1.9, 1.9, 1.9, 1.0));
    EXPECT_FALSE(pointInFrustum(cube, 1.9, 1.9, 1.9, 0.0));
    EXPECT_FALSE(pointInFrustum(cube, 2.0, 0.0, 0.0, 1.0));  // exactly one unit out
}

TEST(PointInFrustum, APlaneThatIsNotANumberNeverRejects)
{
    FrustumPlanes f = extractFrustumPlanes(identity(), identity());
    // x = 5 lies outside the right plane only.
    EXPECT_FALSE(pointInFrustum(f, 5.0, 0.0, 0.0, 0.0));
    f[kRightPlane].a = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(pointInFrustum(f, 5.0, 0.0, 0.0, 0.0));
    EXPECT_FALSE(pointInFrustum(f, 0.0, 5.0, 0.0, 0.0));  // the other planes still work
}

TEST(IntersectPlanes, FindsTheCommonPointAndFlagsParallelPlanes)
{
    const Plane x1{1, 0, 0, -1}, y2{0, 1, 0, -2}, z3{0, 0, 1, -3};
    const Point3 p = intersectPlanes(x1, y2, z3);
    EXPECT_DOUBLE_EQ(p.x, 1.0);
    EXPECT_DOUBLE_EQ(p.y, 2.0);
    EXPECT_DOUBLE_EQ(p.z, 3.0);
    // Oblique planes: the result lies on all three.
    const Plane a{0.6, 0.8, 0, -2}, b{0, 0.6, 0.8, 1}, c{0.8, 0, 0.6, 0.5};
    const Point3 q = intersectPlanes(a, b, c);
    for (const Plane &pl : {a, b, c})
        EXPECT_NEAR(signedDistance(pl, q), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(planeTripleDeterminant(x1, Plane{1, 0, 0, 5}, z3), 0.0);
}

TEST(FrustumCorners, NearFaceThenFarFaceFromBottomLeft)
{
    const FrustumPlanes f = cameraFrustum({0, 0, 10}, {0, 0, 0}, 1.0, 100.0);
    const std::array<Point3, 8> c = frustumCorners(f);
    // Camera looks down -z with +y up: near face at z = 9, far face at z = -90.
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(c[i].z, 9.0, 1e-9);
        EXPECT_NEAR(c[i + 4].z, -90.0, 1e-9);
    }
    const int xSign[4] = {-1, 1, 1, -1};  // bottom-left, bottom-right, top-right, top-left
    const int ySign[4] = {-1, -1, 1, 1};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(c[i].x > 0 ? 1 : -1, xSign[i % 4]) << "corner " << i;
        EXPECT_EQ(c[i].y > 0 ? 1 : -1, ySign[i % 4]) << "corner " << i;
    }
    // Side edges widen with the view angle: far half-width = 100 tan(17.5 deg).
    EXPECT_NEAR(c[6].x, 100.0 * std::tan(17.5 * M_PI / 180.0), 1e-9);
}

TEST(ClipFrustumToBox, ABoxSeenWholeFromAfarGivesItsEightCorners)
{
    const Extent s = dataBox();
    const BoxPlanes planes = makeBoxPlanes(s, 1.0);
    const BoxCorners corners = makeBoxCorners(s, 1.0);
    const FrustumPlanes f = cameraFrustum({-120.5, 43.75, 60}, {-120.5, 43.75, 0}, 1.0, 1000.0);
    const std::vector<Point3> clip = clipFrustumToBox(f, planes, corners, s);
    ASSERT_EQ(clip.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(clip[i].x, corners[i].x);
        EXPECT_EQ(clip[i].y, corners[i].y);
        EXPECT_EQ(clip[i].z, corners[i].z);
    }
    const ClipBox box = pointsExtent(clip);
    const ClipBox expected{s.xMin, s.yMin, s.zMin, s.xMax, s.yMax, s.zMax};
    EXPECT_EQ(box, expected);
}

TEST(ClipFrustumToBox, APartialViewKeepsOnlyVerticesInsideBoxAndFrustum)
{
    // Close above the west part of the box: the frustum cuts the box.
    const Extent s = dataBox();
    const FrustumPlanes f = cameraFrustum({-123.0, 43.75, 8}, {-123.0, 43.75, 0}, 0.5, 50.0);
    const std::vector<Point3> clip = clipFrustumToBox(f, makeBoxPlanes(s, 1.0), makeBoxCorners(s, 1.0), s);
    ASSERT_GT(clip.size(), 3u);
    EXPECT_LE(clip.size(), 8u + 200u);
    bool someCandidate = false;
    for (const Point3 &p : clip) {
        EXPECT_GE(p.x, s.xMin - kClipEpsilon);
        EXPECT_LE(p.x, s.xMax + kClipEpsilon);
        EXPECT_GE(p.z, s.zMin - kClipEpsilon);
        EXPECT_LE(p.z, s.zMax + kClipEpsilon);
        EXPECT_TRUE(pointInFrustum(f, p.x, p.y, p.z, kClipRadius));
        if (p.x > s.xMin + 0.01 && p.x < s.xMax - 0.01)
            someCandidate = true;  // an edge crossing, not a box corner
    }
    EXPECT_TRUE(someCandidate);
    // The view covers x from about -125.5 to -120.5: the extent stays west.
    const ClipBox box = pointsExtent(clip);
    EXPECT_LT(box[3], -119.0);
}

TEST(ClipFrustumToBox, ABoxBehindTheCameraGivesFewerThanFourVertices)
{
    const Extent s = dataBox();
    // Eye 20 units above the box looking straight up.
    const FrustumPlanes f = cameraFrustum({-120.5, 43.75, 20}, {-120.5, 43.75, 40}, 1.0, 100.0);
    const std::vector<Point3> clip = clipFrustumToBox(f, makeBoxPlanes(s, 1.0), makeBoxCorners(s, 1.0), s);
    EXPECT_LT(clip.size(), 4u);
}

TEST(PointsExtent, TakesMinimaAndMaximaPerAxis)
{
    const std::vector<Point3> pts{{1, 5, -2}, {-3, 7, 0}, {2, -1, 4}};
    const ClipBox expected{-3, -1, -2, 2, 7, 4};
    EXPECT_EQ(pointsExtent(pts), expected);
    EXPECT_EQ(pointsExtent({}), ClipBox{});
}

TEST(BoxTables, FollowTheStatsWithScaledHeights)
{
    Extent s = dataBox();
    s.zMin = -30.0;
    s.zMax = 1500.0;
    const BoxPlanes p = makeBoxPlanes(s, 1e-7);
    EXPECT_DOUBLE_EQ(p[0].d, -46.5);
    EXPECT_DOUBLE_EQ(p[3].d, 125.0);
    EXPECT_DOUBLE_EQ(p[4].d, -1500.0 * 1e-7);
    const BoxCorners c = makeBoxCorners(s, 1e-7);
    EXPECT_DOUBLE_EQ(c[2].x, -116.0);
    EXPECT_DOUBLE_EQ(c[2].y, 46.5);
    EXPECT_DOUBLE_EQ(c[2].z, -30.0 * 1e-7);
    EXPECT_DOUBLE_EQ(c[7].x, -125.0);
    EXPECT_DOUBLE_EQ(c[7].z, 1500.0 * 1e-7);
}

}  // namespace

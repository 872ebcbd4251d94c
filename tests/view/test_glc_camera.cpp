// Camera, projection and movers of the scene layer, without a window.

#include "view/glc/glc_boundingbox.h"
#include "view/glc/glc_movers.h"
#include "view/glc/glc_viewport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

GLC_Vector3d project(const GLC_Viewport &vp, const GLC_Vector3d &p)
{
    GLC_Vector3d win;
    EXPECT_TRUE(glcProject(p, vp.modelViewMatrix(), vp.projectionMatrix(), vp.viewHSize(), vp.viewVSize(), win));
    return win;
}

TEST(Matrices, InverseAndUnprojectUndoProjection)
{
    const GLC_Matrix4 p = glcPerspective(35.0, 1.5, 0.5, 200.0);
    const GLC_Matrix4 m = glcLookAt({3, -4, 10}, {1, 2, 0}, {0, 0, 1});
    GLC_Matrix4 inv;
    ASSERT_TRUE(glcInvert(glcMultiply(p, m), inv));
    const GLC_Matrix4 id = glcMultiply(glcMultiply(p, m), inv);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(id[i], (i % 5 == 0) ? 1.0 : 0.0, 1e-9) << i;

    const GLC_Vector3d point(1.5, 2.5, 0.25);
    GLC_Vector3d win, back;
    ASSERT_TRUE(glcProject(point, m, p, 600, 400, win));
    ASSERT_TRUE(glcUnProject(win, m, p, 600, 400, back));
    EXPECT_NEAR(back.x(), point.x(), 1e-7);
    EXPECT_NEAR(back.y(), point.y(), 1e-7);
    EXPECT_NEAR(back.z(), point.z(), 1e-7);

    GLC_Matrix4 singular{};
    EXPECT_FALSE(glcInvert(singular, inv));
}

TEST(BoundingBox, GrowsByUnionFromEmpty)
{
    GLC_BoundingBox box;
    EXPECT_TRUE(box.isEmpty());
    box.combine(GLC_BoundingBox());
    EXPECT_TRUE(box.isEmpty());
    box.combine(GLC_BoundingBox({2, 5, -1}, {-1, 3, 4}));  // corners in any order
    EXPECT_FALSE(box.isEmpty());
    EXPECT_EQ(box.lowerCorner(), GLC_Vector3d(-1, 3, -1));
    EXPECT_EQ(box.upperCorner(), GLC_Vector3d(2, 5, 4));
    box.combine(GLC_BoundingBox({10, 0, 0}, {10, 0, 0}));
    EXPECT_EQ(box.lowerCorner(), GLC_Vector3d(-1, 0, -1));
    EXPECT_EQ(box.upperCorner(), GLC_Vector3d(10, 5, 4));
    const GLC_BoundingBox copy(box);
    EXPECT_EQ(copy.upperCorner(), box.upperCorner());
}

TEST(Camera, ZoomAboveOneApproachesTheTarget)
{
    GLC_Camera cam;
    cam.setCam({0, 0, 12}, {1, 1, 0}, {0, 1, 0});
    const double d = cam.distEyeTarget();
    cam.zoom(1.5);
    EXPECT_NEAR(cam.distEyeTarget(), d / 1.5, 1e-12);
    EXPECT_EQ(cam.target(), GLC_Vector3d(1, 1, 0));
    cam.zoom(1.0 / 1.5);
    EXPECT_NEAR(cam.distEyeTarget(), d, 1e-12);
    cam.zoom(0.0);  // ignored
    EXPECT_NEAR(cam.distEyeTarget(), d, 1e-12);
}

TEST(Camera, DefaultUpVectorPutsHeightUpOnScreen)
{
    GLC_Camera cam;
    cam.setDefaultUpVector({0, 0, 1});
    EXPECT_EQ(cam.defaultUpVector(), GLC_Vector3d(0, 0, 1));
    // Up on screen leans towards +Z; the eye stands south of and above the target.
    EXPECT_GT(cam.upVector().z(), 0.5);
    EXPECT_NEAR(cam.upVector().dot(cam.forward()), 0.0, 1e-12);
    EXPECT_LT(cam.eye().y(), cam.target().y());
    EXPECT_GT(cam.eye().z(), cam.target().z());
}

TEST(Viewport, ReframeShowsTheWholeBoxAndDepthRangeEnclosesIt)
{
    GLC_Viewport vp(nullptr);
    vp.setWinSize(500, 300);
    vp.cameraHandle()->setDefaultUpVector({0, 0, 1});
    const GLC_BoundingBox box({-125, 41, -3e-6}, {-116, 46.5, 1.5e-4});
    vp.reframe(box);
    vp.setDistMinAndMax(box);
    EXPECT_EQ(vp.cameraHandle()->target(), box.center());
    const GLC_Vector3d lo = box.lowerCorner(), hi = box.upperCorner();
    for (int i = 0; i < 8; ++i) {
        const GLC_Vector3d c(i & 1 ? hi.x() : lo.x(), i & 2 ? hi.y() : lo.y(), i & 4 ? hi.z() : lo.z());
        const GLC_Vector3d win = project(vp, c);
        EXPECT_GE(win.x(), 0.0);
        EXPECT_LE(win.x(), 500.0);
        EXPECT_GE(win.y(), 0.0);
        EXPECT_LE(win.y(), 300.0);
        EXPECT_GT(win.z(), 0.0);  // between near and far
        EXPECT_LT(win.z(), 1.0);
    }
    // After zooming far in, the near distance stays positive and the box's
    // far side stays in front of the far plane.
    vp.cameraHandle()->zoom(50.0);
    vp.setDistMinAndMax(box);
    EXPECT_GT(vp.nearDistance(), 0.0);
    EXPECT_LT(vp.nearDistance(), vp.farDistance());
}

TEST(Movers, PanKeepsTheGrabbedPointUnderTheCursor)
{
    GLC_Viewport vp(nullptr);
    vp.cameraHandle()->setCam({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    vp.setWinSize(400, 300);
    GLC_PanMover pan(&vp);
    const GLC_Vector3d before = project(vp, {0, 0, 0});
    pan.init(QPoint(200, 150));
    EXPECT_FALSE(pan.move(QPoint(200, 150)));
    ASSERT_TRUE(pan.move(QPoint(230, 140)));  // right and up (window y grows downwards)
    const GLC_Vector3d after = project(vp, {0, 0, 0});
    EXPECT_NEAR(after.x() - before.x(), 30.0, 1e-9);
    EXPECT_NEAR(after.y() - before.y(), 10.0, 1e-9);
    EXPECT_NEAR(vp.cameraHandle()->distEyeTarget(), 10.0, 1e-12);
}

TEST(Movers, TrackBallTurnsAboutTheTarget)
{
    GLC_Viewport vp(nullptr);
    vp.cameraHandle()->setCam({0, -10, 0}, {0, 0, 0}, {0, 0, 1});
    vp.setWinSize(400, 400);
    GLC_TrackBallMover ball(&vp);
    ball.init(QPoint(200, 200));
    ASSERT_TRUE(ball.move(QPoint(260, 200)));
    const GLC_Camera &cam = *vp.cameraHandle();
    EXPECT_NEAR(cam.distEyeTarget(), 10.0, 1e-9);
    EXPECT_EQ(cam.target(), GLC_Vector3d(0, 0, 0));
    EXPECT_NEAR(cam.upVector().length(), 1.0, 1e-12);
    EXPECT_NEAR(cam.upVector().dot(cam.forward()), 0.0, 1e-9);
    // A horizontal drag turns about the screen's vertical: the eye leaves the
    // -y axis sideways and the up vector stays +Z.
    EXPECT_GT(std::fabs(cam.eye().x()), 0.1);
    EXPECT_NEAR(cam.upVector().z(), 1.0, 1e-9);
    // No motion, no change.
    EXPECT_FALSE(ball.move(QPoint(260, 200)));
}

}  // namespace

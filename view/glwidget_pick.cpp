// The middle-button pick: which drawn scene point lies under a pixel.

#include "view/glwidget.h"

#include "view/basemap.h"

#include <cmath>

using namespace veltrane;

namespace {
// Window depths of a 24-bit depth buffer differ by at least this much.
constexpr double kDepthQuantum = 1.0 / 16777216.0;
// A candidate counts as the drawn surface when its depth is this close to
// the depth read back.
constexpr double kSnapDepthTolerance = 16 * kDepthQuantum;
// Pixels around a point's size within which a click still hits the point.
constexpr double kPointPickMargin = 1.0;

struct Candidate {
    GLC_Vector3d point;
    double depthGap = 1.0;  // window depth difference to the read depth
};
}  // namespace

// The depth buffer holds the depth of whatever was drawn last at each pixel
// (paintGL writes depth in every frame). Its precision along the view ray is
// far too coarse for heights scaled by dScaleZ, so the unprojected point is
// replaced by the base-map or data point drawn under the cursor at that
// depth, when there is one; over lines the unprojected point stays.
bool GLWidget::pickScenePoint(const QPoint &pixel, GLC_Vector3d &picked)
{
    GLC_Vector3d approx;
    if (!viewport.unProjectPixel(pixel.x(), pixel.y(), approx))
        return false;
    picked = approx;

    const GLC_Matrix4 modelView = viewport.modelViewMatrix();
    const GLC_Matrix4 projection = viewport.projectionMatrix();
    const int w = viewport.viewHSize();
    const int h = viewport.viewVSize();
    GLC_Vector3d window;
    if (!glcProject(approx, modelView, projection, w, h, window))
        return true;
    const double readDepth = window.z();
    const double cx = pixel.x() + 0.5;
    const double cy = h - 1 - pixel.y() + 0.5;

    Candidate best;
    const auto consider = [&](const GLC_Vector3d &point, double depth) {
        const double gap = std::abs(depth - readDepth);
        if (gap < best.depthGap)
            best = {point, gap};
    };

    if (bDrawBaseMap) {
        GLC_Vector3d nearPoint, farPoint;
        const double mapZ = kMapHeight * dScaleZ;
        if (glcUnProject(GLC_Vector3d(cx, cy, 0.0), modelView, projection, w, h, nearPoint) &&
            glcUnProject(GLC_Vector3d(cx, cy, 1.0), modelView, projection, w, h, farPoint) &&
            farPoint.z() != nearPoint.z()) {
            const double t = (mapZ - nearPoint.z()) / (farPoint.z() - nearPoint.z());
            const GLC_Vector3d onMap = nearPoint + (farPoint - nearPoint) * t;
            if (t >= 0.0 && t <= 1.0 && onMap.x() >= kMapWest && onMap.x() <= kMapEast && onMap.y() >= kMapSouth &&
                onMap.y() <= kMapNorth && glcProject(onMap, modelView, projection, w, h, window))
                consider(GLC_Vector3d(onMap.x(), onMap.y(), mapZ), window.z());
        }
    }

    const double reach = 0.5 * iPointSize + kPointPickMargin;
    const auto considerPoints = [&](const PointRecord *pts, uint32_t count) {
        if (!pts)
            return;
        for (uint32_t i = 0; i < count; ++i) {
            const PointRecord &p = pts[i];
            for (const GLC_Vector3d &v :
                 {GLC_Vector3d(p.x, p.y, p.h * dScaleZ), GLC_Vector3d(p.xTo, p.yTo, p.hTo * dScaleZ)}) {
                if (glcProject(v, modelView, projection, w, h, window) && std::abs(window.x() - cx) <= reach &&
                    std::abs(window.y() - cy) <= reach)
                    consider(v, window.z());
            }
        }
    };
    if (bDrawDs1)
        considerPoints(ptsDs1, drawableCountDs1());
    if (bDrawDs2)
        considerPoints(ptsDs2, drawableCountDs2());

    if (best.depthGap <= kSnapDepthTolerance)
        picked = best.point;
    return true;
}

// The middle-button pick: which drawn scene point lies under a pixel.

#include "view/glwidget.h"

#include "view/basemap.h"

#include <cmath>
#include <limits>

using namespace veltrane;

namespace {
// Pixels around a point's size within which a click still hits the point.
constexpr double kPointPickMargin = 2.0;
}  // namespace

// Heights are scaled by dScaleZ, far below what the depth buffer resolves
// along a tilted view ray, so the pick never unprojects a depth. The records
// drawn as points are projected with the camera of the frame on screen and
// the one nearest the cursor within a point's reach wins (the nearer to the
// eye on a tie). Elsewhere the cursor's ray meets the base map when it is
// drawn, or the map's plane when something else (a line) is drawn there;
// over the background nothing is picked.
bool GLWidget::pickScenePoint(const QPoint &pixel, GLC_Vector3d &picked)
{
    const GLC_Matrix4 modelView = viewport.modelViewMatrix();
    const GLC_Matrix4 projection = viewport.projectionMatrix();
    const int w = viewport.viewHSize();
    const int h = viewport.viewVSize();
    if (w <= 0 || h <= 0)
        return false;
    const double cx = pixel.x() + 0.5;
    const double cy = h - 1 - pixel.y() + 0.5;

    const double reach = 0.5 * iPointSize + kPointPickMargin;
    double bestDistance = std::numeric_limits<double>::max();
    double bestDepth = std::numeric_limits<double>::max();
    bool found = false;
    GLC_Vector3d window;
    const auto considerPoints = [&](const PointRecord *pts, uint32_t count) {
        if (!pts)
            return;
        for (uint32_t i = 0; i < count; ++i) {
            const PointRecord &p = pts[i];
            for (const GLC_Vector3d &v :
                 {GLC_Vector3d(p.x, p.y, p.h * dScaleZ), GLC_Vector3d(p.xTo, p.yTo, p.hTo * dScaleZ)}) {
                if (!glcProject(v, modelView, projection, w, h, window) || window.z() < 0.0 || window.z() > 1.0)
                    continue;
                const double distance = std::hypot(window.x() - cx, window.y() - cy);
                if (distance > reach)
                    continue;
                if (distance < bestDistance - 0.5 || (distance <= bestDistance + 0.5 && window.z() < bestDepth)) {
                    bestDistance = distance;
                    bestDepth = window.z();
                    picked = v;
                    found = true;
                }
            }
        }
    };
    if (bDrawDs1)
        considerPoints(ptsDs1, drawableCountDs1());
    if (bDrawDs2)
        considerPoints(ptsDs2, drawableCountDs2());
    if (found)
        return true;

    // Whether anything at all was drawn under the cursor.
    GLC_Vector3d unused;
    const bool somethingDrawn = viewport.unProjectPixel(pixel.x(), pixel.y(), unused);
    if (!somethingDrawn && !bDrawBaseMap)
        return false;

    GLC_Vector3d nearPoint, farPoint;
    if (!glcUnProject(GLC_Vector3d(cx, cy, 0.0), modelView, projection, w, h, nearPoint) ||
        !glcUnProject(GLC_Vector3d(cx, cy, 1.0), modelView, projection, w, h, farPoint) ||
        farPoint.z() == nearPoint.z())
        return false;
    const double mapZ = kMapHeight * dScaleZ;
    const double t = (mapZ - nearPoint.z()) / (farPoint.z() - nearPoint.z());
    if (t < 0.0 || t > 1.0)
        return false;
    const GLC_Vector3d onMap = nearPoint + (farPoint - nearPoint) * t;
    const bool onDrawnMap = bDrawBaseMap && onMap.x() >= kMapWest && onMap.x() <= kMapEast && onMap.y() >= kMapSouth &&
                            onMap.y() <= kMapNorth;
    if (!onDrawnMap && !somethingDrawn)
        return false;
    picked = GLC_Vector3d(onMap.x(), onMap.y(), mapZ);
    return true;
}

#include "view/glc/glc_movers.h"

#include "engine/geodesy/geodesic.h"

#include "view/glc/glc_viewport.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {
using veltrane::kPi;
constexpr double kMarkHalfSize = 8.0;  // pixels

void drawCross(const QPoint &c)
{
    glBegin(GL_LINES);
    glVertex2d(c.x() - kMarkHalfSize, c.y());
    glVertex2d(c.x() + kMarkHalfSize, c.y());
    glVertex2d(c.x(), c.y() - kMarkHalfSize);
    glVertex2d(c.x(), c.y() + kMarkHalfSize);
    glEnd();
}
}  // namespace

void GLC_PanMover::init(const QPoint &pos)
{
    m_lastPos = pos;
}

bool GLC_PanMover::move(const QPoint &pos)
{
    const QPoint delta = pos - m_lastPos;
    m_lastPos = pos;
    m_markMovedOnly = false;
    if (delta.isNull())
        return false;
    GLC_Camera *cam = m_viewport->cameraHandle();
    // Scene units per pixel in the plane of the target.
    const double scale =
        2.0 * cam->distEyeTarget() * std::tan(m_viewport->viewAngle() * kPi / 360.0) / double(m_viewport->viewVSize());
    const GLC_Vector3d offset = cam->sideVector() * (-delta.x() * scale) + cam->upVector() * (delta.y() * scale);
    cam->translate(offset);
    return true;
}

void GLC_PanMover::drawMark() const
{
    drawCross(m_lastPos);
}

GLC_Vector3d GLC_TrackBallMover::ballPoint(const QPoint &pos, int width, int height)
{
    const double half = 0.5 * std::max(std::min(width, height), 1);
    const double x = (pos.x() - 0.5 * width) / half;
    const double y = (0.5 * height - pos.y()) / half;
    const double r = kBallRatio;
    const double d2 = x * x + y * y;
    // Inside, the sphere; outside, a hyperbolic sheet that meets it smoothly.
    const double z = d2 < 0.5 * r * r ? std::sqrt(r * r - d2) : 0.5 * r * r / std::sqrt(d2);
    return GLC_Vector3d(x, y, z);
}

void GLC_TrackBallMover::init(const QPoint &pos)
{
    m_lastPos = pos;
}

bool GLC_TrackBallMover::move(const QPoint &pos)
{
    const int w = m_viewport->viewHSize();
    const int h = m_viewport->viewVSize();
    const GLC_Vector3d v0 = ballPoint(m_lastPos, w, h).normalized();
    const GLC_Vector3d v1 = ballPoint(pos, w, h).normalized();
    m_lastPos = pos;
    m_markMovedOnly = false;
    const GLC_Vector3d axisCam = v0.cross(v1);
    const double sinAngle = axisCam.length();
    if (sinAngle < 1e-12)
        return false;
    const double angle = std::atan2(sinAngle, v0.dot(v1));
    GLC_Camera *cam = m_viewport->cameraHandle();
    const GLC_Vector3d back = -cam->forward();
    const GLC_Vector3d axisWorld =
        (cam->sideVector() * axisCam.x() + cam->upVector() * axisCam.y() + back * axisCam.z()).normalized();
    // Turning the scene one way is turning the camera the other way.
    cam->rotateAroundTarget(axisWorld, -angle);
    return true;
}

void GLC_TrackBallMover::drawMark() const
{
    const int w = m_viewport->viewHSize();
    const int h = m_viewport->viewVSize();
    const double radius = kBallRatio * 0.5 * std::min(w, h);
    constexpr int kSegments = 64;
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < kSegments; ++i) {
        const double a = 2.0 * kPi * i / kSegments;
        glVertex2d(0.5 * w + radius * std::cos(a), 0.5 * h + radius * std::sin(a));
    }
    glEnd();
}

void GLC_TargetMover::init(const QPoint &pos)
{
    m_lastPos = pos;
    GLC_Vector3d picked;
    if (!m_viewport->unProjectPixel(pos.x(), pos.y(), picked))
        return;
    GLC_Camera *cam = m_viewport->cameraHandle();
    cam->translate(picked - cam->target());
}

bool GLC_TargetMover::move(const QPoint &)
{
    m_markMovedOnly = false;
    return false;
}

void GLC_TargetMover::drawMark() const
{
    drawCross(m_lastPos);
}

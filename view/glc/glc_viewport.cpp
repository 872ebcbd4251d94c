#include "view/glc/glc_viewport.h"

#include "engine/geodesy/geodesic.h"

#include <QGLWidget>

#include <algorithm>
#include <cmath>

namespace {
using veltrane::kPi;
// Near distance never smaller than this share of the far distance, so that
// the depth buffer keeps its resolution when the eye enters the box.
constexpr double kMinNearFarRatio = 1e-4;
// Room around the box so that nothing on its surface is clipped.
constexpr double kDepthMargin = 1.02;
}  // namespace

GLC_Viewport::GLC_Viewport(QGLWidget *widget) : m_widget(widget) {}

void GLC_Viewport::setWinSize(int width, int height)
{
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
}

void GLC_Viewport::setWinGLSize(int width, int height)
{
    setWinSize(width, height);
    glViewport(0, 0, m_width, m_height);
    const GLC_Matrix4 p = projectionMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(p.data());
    glMatrixMode(GL_MODELVIEW);
}

GLC_Matrix4 GLC_Viewport::projectionMatrix() const
{
    return glcPerspective(m_viewAngle, double(m_width) / double(m_height), m_distMin, m_distMax);
}

void GLC_Viewport::glExecuteCam() const
{
    const GLC_Matrix4 p = projectionMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(p.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    m_camera.glExecute();
}

void GLC_Viewport::reframe(const GLC_BoundingBox &box)
{
    if (box.isEmpty())
        return;
    // The sphere about the box must fit the narrower of the two view angles.
    const double aspect = double(m_width) / double(m_height);
    const double halfV = m_viewAngle * kPi / 360.0;
    const double halfH = std::atan(std::tan(halfV) * aspect);
    const double halfAngle = std::min(halfV, halfH);
    double radius = box.boundingSphereRadius();
    if (radius <= 0.0)
        radius = 1.0;
    const double dist = radius / std::sin(halfAngle);
    GLC_Vector3d dir = m_camera.eye() - m_camera.target();
    dir = dir.isNull() ? GLC_Vector3d(0, 0, 1) : dir.normalized();
    const GLC_Vector3d center = box.center();
    m_camera.setCam(center + dir * dist, center, m_camera.upVector());
}

void GLC_Viewport::setDistMinAndMax(const GLC_BoundingBox &box)
{
    if (box.isEmpty())
        return;
    const double radius = std::max(box.boundingSphereRadius() * kDepthMargin, 1e-9);
    const double depth = (box.center() - m_camera.eye()).dot(m_camera.forward());
    double farDist = depth + radius;
    if (farDist <= 0.0)  // the box is behind the eye: any valid pair will do
        farDist = radius;
    m_distMax = farDist;
    m_distMin = std::max(depth - radius, farDist * kMinNearFarRatio);
}

void GLC_Viewport::setBackgroundColor(const QColor &color)
{
    m_background = color;
    glClearColor(GLfloat(color.redF()), GLfloat(color.greenF()), GLfloat(color.blueF()), GLfloat(color.alphaF()));
}

void GLC_Viewport::updatePointSize(double size)
{
    m_pointSize = size;
    glPointSize(GLfloat(size));
}

void GLC_Viewport::updateLineWidth(double width)
{
    m_lineWidth = width;
    glLineWidth(GLfloat(width));
}

bool GLC_Viewport::unProjectPixel(int x, int y, GLC_Vector3d &point) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return false;
    if (m_widget)
        m_widget->makeCurrent();
    const int glY = m_height - 1 - y;
    GLfloat depth = 1.0f;
    glReadPixels(x, glY, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    if (!(depth < 1.0f))
        return false;
    return glcUnProject(GLC_Vector3d(x + 0.5, glY + 0.5, depth), modelViewMatrix(), projectionMatrix(), m_width,
                        m_height, point);
}

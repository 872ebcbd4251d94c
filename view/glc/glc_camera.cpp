#include "view/glc/glc_camera.h"

#include <GL/gl.h>

#include <cmath>

namespace {
constexpr double kDefaultElevationRad = 55.0 * 3.14159265358979323846 / 180.0;

// A unit vector perpendicular to v (v non-null).
GLC_Vector3d anyPerpendicular(const GLC_Vector3d &v)
{
    const GLC_Vector3d helper = std::fabs(v.x()) < 0.9 ? GLC_Vector3d(1, 0, 0) : GLC_Vector3d(0, 1, 0);
    return v.cross(helper).normalized();
}
}  // namespace

GLC_Camera::GLC_Camera() : m_eye(0, 0, 1), m_target(0, 0, 0), m_up(0, 1, 0), m_defaultUp(0, 1, 0) {}

void GLC_Camera::setCam(const GLC_Vector3d &eye, const GLC_Vector3d &target, const GLC_Vector3d &up)
{
    m_eye = eye;
    m_target = target;
    const GLC_Vector3d f = forward();
    const GLC_Vector3d orthoUp = up - f * up.dot(f);
    if (orthoUp.length() > 1e-12)
        m_up = orthoUp.normalized();
    else if (std::fabs(m_up.dot(f)) > 1.0 - 1e-12)
        m_up = anyPerpendicular(f);
}

void GLC_Camera::setDefaultUpVector(const GLC_Vector3d &up)
{
    if (up.isNull())
        return;
    m_defaultUp = up.normalized();
    // "Front" is the horizontal direction the default view looks along; for
    // +Z up it is +Y (north), so the eye stands to the south.
    GLC_Vector3d front = m_defaultUp.cross(GLC_Vector3d(1, 0, 0));
    if (front.length() < 1e-9)
        front = anyPerpendicular(m_defaultUp);
    front = front.normalized();
    double dist = distEyeTarget();
    if (dist <= 0.0)
        dist = 1.0;
    const GLC_Vector3d toEye = (m_defaultUp * std::sin(kDefaultElevationRad) - front * std::cos(kDefaultElevationRad));
    setCam(m_target + toEye * dist, m_target, m_defaultUp);
}

void GLC_Camera::zoom(double factor)
{
    if (!(factor > 0.0))
        return;
    m_eye = m_target + (m_eye - m_target) / factor;
}

void GLC_Camera::translate(const GLC_Vector3d &offset)
{
    m_eye += offset;
    m_target += offset;
}

void GLC_Camera::rotateAroundTarget(const GLC_Vector3d &unitAxis, double angle)
{
    m_eye = m_target + (m_eye - m_target).rotated(unitAxis, angle);
    m_up = m_up.rotated(unitAxis, angle).normalized();
}

void GLC_Camera::glExecute() const
{
    const GLC_Matrix4 m = modelViewMatrix();
    glMultMatrixd(m.data());
}

#pragma once
// The camera: an eye looking at a target, with an up direction. The target is
// the point the view orbits about and zooms towards.

#include "view/glc/glc_matrix.h"
#include "view/glc/glc_vector3d.h"

class GLC_Camera {
public:
    // Looks straight down the -Z axis from (0, 0, 1) at the origin, +Y up.
    GLC_Camera();

    const GLC_Vector3d &eye() const { return m_eye; }
    const GLC_Vector3d &target() const { return m_target; }
    const GLC_Vector3d &upVector() const { return m_up; }
    const GLC_Vector3d &defaultUpVector() const { return m_defaultUp; }
    double distEyeTarget() const { return (m_eye - m_target).length(); }
    // Unit direction from the eye to the target, and the unit right-hand side.
    GLC_Vector3d forward() const { return (m_target - m_eye).normalized(); }
    GLC_Vector3d sideVector() const { return forward().cross(m_up).normalized(); }

    // Places the camera; the up vector is made perpendicular to the view
    // direction (a parallel up vector keeps the previous one).
    void setCam(const GLC_Vector3d &eye, const GLC_Vector3d &target, const GLC_Vector3d &up);
    // Sets the up direction of the scene and turns the camera, about its
    // target and at its distance, into the default view for that direction:
    // from the side opposite the scene's "front", 55 degrees above the
    // horizon, with the default up pointing up on screen.
    void setDefaultUpVector(const GLC_Vector3d &up);

    // factor > 1 moves the eye towards the target (distance / factor), a
    // factor below 1 away from it; factors <= 0 are ignored.
    void zoom(double factor);
    // Moves eye and target together.
    void translate(const GLC_Vector3d &offset);
    // Turns the eye and the up vector about the target by angle (radians)
    // about the unit axis.
    void rotateAroundTarget(const GLC_Vector3d &unitAxis, double angle);

    GLC_Matrix4 modelViewMatrix() const { return glcLookAt(m_eye, m_target, m_up); }
    // Multiplies the current OpenGL matrix by modelViewMatrix().
    void glExecute() const;

private:
    GLC_Vector3d m_eye;
    GLC_Vector3d m_target;
    GLC_Vector3d m_up;
    GLC_Vector3d m_defaultUp;
};

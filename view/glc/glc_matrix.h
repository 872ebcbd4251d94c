#pragma once
// 4 x 4 matrices of doubles in OpenGL's column-major order (row r, column c
// at index 4c + r), with the camera and projection matrices the scene uses.

#include "view/glc/glc_vector3d.h"

#include <array>

using GLC_Matrix4 = std::array<double, 16>;

GLC_Matrix4 glcIdentityMatrix();
// a x b: b is applied first, then a.
GLC_Matrix4 glcMultiply(const GLC_Matrix4 &a, const GLC_Matrix4 &b);
// Inverse of m; false (and out untouched) when m is singular.
bool glcInvert(const GLC_Matrix4 &m, GLC_Matrix4 &out);
// Symmetric perspective projection; fovY in degrees.
GLC_Matrix4 glcPerspective(double fovYDegrees, double aspect, double zNear, double zFar);
// Model-view of an eye looking at target with the given up direction.
GLC_Matrix4 glcLookAt(const GLC_Vector3d &eye, const GLC_Vector3d &target, const GLC_Vector3d &up);

// Window coordinates (x, y from the lower-left corner, depth 0..1) of a scene
// point, for a viewport at (0, 0) of size w x h; false when the point is at
// or behind the eye plane (w clip <= 0).
bool glcProject(const GLC_Vector3d &point, const GLC_Matrix4 &modelView, const GLC_Matrix4 &projection, int w, int h,
                GLC_Vector3d &window);
// Scene point of window coordinates (inverse of glcProject); false when the
// matrices are singular.
bool glcUnProject(const GLC_Vector3d &window, const GLC_Matrix4 &modelView, const GLC_Matrix4 &projection, int w, int h,
                  GLC_Vector3d &point);

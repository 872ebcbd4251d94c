#include "view/glc/glc_matrix.h"

#include "engine/geodesy/geodesic.h"

#include <cmath>
#include <utility>

namespace {
using veltrane::kPi;
}

GLC_Matrix4 glcIdentityMatrix()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

GLC_Matrix4 glcMultiply(const GLC_Matrix4 &a, const GLC_Matrix4 &b)
{
    GLC_Matrix4 c{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += a[4 * k + row] * b[4 * col + k];
            c[4 * col + row] = sum;
        }
    return c;
}

bool glcInvert(const GLC_Matrix4 &m, GLC_Matrix4 &out)
{
    // Gauss-Jordan elimination with partial pivoting on [m | I], row-major
    // working copy so that rows can be swapped.
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = m[4 * c + r];
            a[r][c + 4] = (r == c) ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (a[pivot][col] == 0.0)
            return false;
        if (pivot != col)
            for (int c = 0; c < 8; ++c)
                std::swap(a[pivot][c], a[col][c]);
        const double inv = 1.0 / a[col][col];
        for (int c = 0; c < 8; ++c)
            a[col][c] *= inv;
        for (int r = 0; r < 4; ++r) {
            if (r == col)
                continue;
            const double f = a[r][col];
            for (int c = 0; c < 8; ++c)
                a[r][c] -= f * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[4 * c + r] = a[r][c + 4];
    return true;
}

GLC_Matrix4 glcPerspective(double fovYDegrees, double aspect, double zNear, double zFar)
{
    const double f = 1.0 / std::tan(fovYDegrees * kPi / 360.0);
    GLC_Matrix4 p{};
    p[0] = f / aspect;
    p[5] = f;
    p[10] = (zFar + zNear) / (zNear - zFar);
    p[11] = -1.0;
    p[14] = 2.0 * zFar * zNear / (zNear - zFar);
    return p;
}

GLC_Matrix4 glcLookAt(const GLC_Vector3d &eye, const GLC_Vector3d &target, const GLC_Vector3d &up)
{
    const GLC_Vector3d f = (target - eye).normalized();
    const GLC_Vector3d s = f.cross(up).normalized();
    const GLC_Vector3d u = s.cross(f);
    GLC_Matrix4 m = glcIdentityMatrix();
    m[0] = s.x();
    m[4] = s.y();
    m[8] = s.z();
    m[1] = u.x();
    m[5] = u.y();
    m[9] = u.z();
    m[2] = -f.x();
    m[6] = -f.y();
    m[10] = -f.z();
    m[12] = -s.dot(eye);
    m[13] = -u.dot(eye);
    m[14] = f.dot(eye);
    return m;
}

namespace {
void transform(const GLC_Matrix4 &m, const double in[4], double out[4])
{
    for (int r = 0; r < 4; ++r)
        out[r] = m[r] * in[0] + m[4 + r] * in[1] + m[8 + r] * in[2] + m[12 + r] * in[3];
}
}  // namespace

bool glcProject(const GLC_Vector3d &point, const GLC_Matrix4 &modelView, const GLC_Matrix4 &projection, int w, int h,
                GLC_Vector3d &window)
{
    const double in[4] = {point.x(), point.y(), point.z(), 1.0};
    double clip[4];
    transform(glcMultiply(projection, modelView), in, clip);
    if (clip[3] <= 0.0)
        return false;
    const double nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
    window = GLC_Vector3d((nx + 1.0) * 0.5 * w, (ny + 1.0) * 0.5 * h, (nz + 1.0) * 0.5);
    return true;
}

bool glcUnProject(const GLC_Vector3d &window, const GLC_Matrix4 &modelView, const GLC_Matrix4 &projection, int w, int h,
                  GLC_Vector3d &point)
{
    GLC_Matrix4 inverse;
    if (w <= 0 || h <= 0 || !glcInvert(glcMultiply(projection, modelView), inverse))
        return false;
    const double ndc[4] = {2.0 * window.x() / w - 1.0, 2.0 * window.y() / h - 1.0, 2.0 * window.z() - 1.0, 1.0};
    double p[4];
    transform(inverse, ndc, p);
    if (p[3] == 0.0)
        return false;
    point = GLC_Vector3d(p[0] / p[3], p[1] / p[3], p[2] / p[3]);
    return true;
}

#include "view/frustum.h"

#include <cmath>

namespace veltrane {

namespace {
double rowValue(const Matrix4 &m, int row, int col)
{
    return m[4 * col + row];
}

Plane normalised(double a, double b, double c, double d)
{
    const double len = std::sqrt(a * a + b * b + c * c);
    return Plane{a / len, b / len, c / len, d / len};
}

Point3 cross(const Plane &u, const Plane &v)
{
    return Point3{u.b * v.c - u.c * v.b, u.c * v.a - u.a * v.c, u.a * v.b - u.b * v.a};
}

bool insideBox(const Point3 &p, const Extent &s)
{
    return p.x >= s.xMin - kClipEpsilon && p.x <= s.xMax + kClipEpsilon && p.y >= s.yMin - kClipEpsilon &&
           p.y <= s.yMax + kClipEpsilon && p.z >= s.zMin - kClipEpsilon && p.z <= s.zMax + kClipEpsilon;
}

void appendIfInside(const Plane &p1, const Plane &p2, const Plane &p3, const FrustumPlanes &frustum,
                    const Extent &stats, std::vector<Point3> &out)
{
    if (std::fabs(planeTripleDeterminant(p1, p2, p3)) < kClipEpsilon)
        return;
    const Point3 p = intersectPlanes(p1, p2, p3);
    if (insideBox(p, stats) && pointInFrustum(frustum, p.x, p.y, p.z, kClipRadius))
        out.push_back(p);
}
}  // namespace

FrustumPlanes extractFrustumPlanes(const Matrix4 &projection, const Matrix4 &modelView)
{
    const Matrix4 c = glcMultiply(projection, modelView);
    auto plane = [&c](int row, double sign) {
        return normalised(
            rowValue(c, 3, 0) + sign * rowValue(c, row, 0), rowValue(c, 3, 1) + sign * rowValue(c, row, 1),
            rowValue(c, 3, 2) + sign * rowValue(c, row, 2), rowValue(c, 3, 3) + sign * rowValue(c, row, 3));
    };
    FrustumPlanes f;
    f[kRightPlane] = plane(0, -1.0);
    f[kLeftPlane] = plane(0, +1.0);
    f[kBottomPlane] = plane(1, +1.0);
    f[kTopPlane] = plane(1, -1.0);
    f[kFarPlane] = plane(2, -1.0);
    f[kNearPlane] = plane(2, +1.0);
    return f;
}

bool pointInFrustum(const FrustumPlanes &planes, double x, double y, double z, double radius)
{
    for (const Plane &p : planes)
        if (p.a * x + p.b * y + p.c * z + p.d <= -radius)
            return false;
    return true;
}

double planeTripleDeterminant(const Plane &p1, const Plane &p2, const Plane &p3)
{
    const Point3 n23 = cross(p2, p3);
    return p1.a * n23.x + p1.b * n23.y + p1.c * n23.z;
}

Point3 intersectPlanes(const Plane &p1, const Plane &p2, const Plane &p3)
{
    const double det = planeTripleDeterminant(p1, p2, p3);
    const Point3 n23 = cross(p2, p3);
    const Point3 n31 = cross(p3, p1);
    const Point3 n12 = cross(p1, p2);
    return Point3{-(p1.d * n23.x + p2.d * n31.x + p3.d * n12.x) / det,
                  -(p1.d * n23.y + p2.d * n31.y + p3.d * n12.y) / det,
                  -(p1.d * n23.z + p2.d * n31.z + p3.d * n12.z) / det};
}

std::array<Point3, 8> frustumCorners(const FrustumPlanes &f)
{
    const Plane &r = f[kRightPlane], &l = f[kLeftPlane], &b = f[kBottomPlane], &t = f[kTopPlane];
    const Plane &n = f[kNearPlane], &fa = f[kFarPlane];
    return {intersectPlanes(b, l, n),  intersectPlanes(b, r, n),  intersectPlanes(t, r, n),  intersectPlanes(t, l, n),
            intersectPlanes(b, l, fa), intersectPlanes(b, r, fa), intersectPlanes(t, r, fa), intersectPlanes(t, l, fa)};
}

std::vector<Point3> clipFrustumToBox(const FrustumPlanes &frustum, const BoxPlanes &boxPlanes,
                                     const BoxCorners &boxCorners, const Extent &stats)
{
    std::vector<Point3> out;
    out.reserve(kClipPointsReserve);
    for (const Point3 &corner : boxCorners)
        if (pointInFrustum(frustum, corner.x, corner.y, corner.z, kClipRadius))
            out.push_back(corner);
    if (out.size() == boxCorners.size())
        return out;

    // Two frustum planes and a box plane: frustum edges through box faces.
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            for (int k = 0; k < 6; ++k)
                appendIfInside(frustum[i], frustum[j], boxPlanes[k], frustum, stats, out);
    // Three frustum planes: the frustum's own corners.
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            for (int k = j + 1; k < 6; ++k)
                appendIfInside(frustum[i], frustum[j], frustum[k], frustum, stats, out);
    // Two box planes and a frustum plane: box edges through frustum faces.
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            for (int k = 0; k < 6; ++k)
                appendIfInside(boxPlanes[i], boxPlanes[j], frustum[k], frustum, stats, out);
    return out;
}

ClipBox pointsExtent(const std::vector<Point3> &points)
{
    if (points.empty())
        return ClipBox{};
    ClipBox box{points[0].x, points[0].y, points[0].z, points[0].x, points[0].y, points[0].z};
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Point3 &p = points[i];
        box[0] = std::fmin(box[0], p.x);
        box[1] = std::fmin(box[1], p.y);
        box[2] = std::fmin(box[2], p.z);
        box[3] = std::fmax(box[3], p.x);
        box[4] = std::fmax(box[4], p.y);
        box[5] = std::fmax(box[5], p.z);
    }
    return box;
}

BoxPlanes makeBoxPlanes(const Extent &s, double scaleZ)
{
    return {Plane{0, 1, 0, -s.yMax}, Plane{0, 1, 0, -s.yMin},          Plane{1, 0, 0, -s.xMax},
            Plane{1, 0, 0, -s.xMin}, Plane{0, 0, 1, -s.zMax * scaleZ}, Plane{0, 0, 1, -s.zMin * scaleZ}};
}

BoxCorners makeBoxCorners(const Extent &s, double scaleZ)
{
    const double z0 = s.zMin * scaleZ;
    const double z1 = s.zMax * scaleZ;
    return {Point3{s.xMin, s.yMin, z0}, Point3{s.xMax, s.yMin, z0}, Point3{s.xMax, s.yMax, z0},
            Point3{s.xMin, s.yMax, z0}, Point3{s.xMin, s.yMin, z1}, Point3{s.xMax, s.yMin, z1},
            Point3{s.xMax, s.yMax, z1}, Point3{s.xMin, s.yMax, z1}};
}

}  // namespace veltrane

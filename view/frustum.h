#pragma once
// View-frustum geometry: the six planes of a camera's frustum taken from the
// OpenGL matrices, the point test used for culling, the frustum's corners and
// the vertices where the frustum cuts the data box.
//
// A plane (a, b, c, d) holds the points with a*x + b*y + c*z + d = 0; a point
// is on the inner side when the sum is positive. Coordinates are scene units
// (heights already multiplied by the vertical scale).

#include "engine/types/pointrecord.h"
#include "view/glc/glc_matrix.h"

#include <array>
#include <vector>

namespace veltrane {

struct Plane {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double d = 0.0;
};

struct Point3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Frustum planes in this order, normals pointing inside.
enum FrustumSide { kRightPlane = 0, kLeftPlane, kBottomPlane, kTopPlane, kFarPlane, kNearPlane };

using FrustumPlanes = std::array<Plane, 6>;
using BoxPlanes = std::array<Plane, 6>;
using BoxCorners = std::array<Point3, 8>;
// Smallest x, y, z, then largest x, y, z.
using ClipBox = std::array<double, 6>;
// 4 x 4 matrix in OpenGL's column-major order (row r, column c at 4c + r),
// the scene layer's.
using Matrix4 = GLC_Matrix4;

// Radius of the culling test: a point exactly on a plane is outside.
constexpr double kCullRadius = 0.0;
// Radius of the clipper's tests: one scene unit (one degree in x and y).
constexpr double kClipRadius = 1.0;
// Smallest |determinant| of a plane triple the clipper intersects, and the
// tolerance of its box test.
constexpr double kClipEpsilon = 1e-7;
// Room the clipper reserves; its list grows beyond it when needed (up to
// 8 corners + 200 candidates).
constexpr std::size_t kClipPointsReserve = 144;

// Planes of C = projection x modelView: R3-R0, R3+R0, R3+R1, R3-R1, R3-R2,
// R3+R2 (Ri = row i of C), each divided by the length of its normal.
FrustumPlanes extractFrustumPlanes(const Matrix4 &projection, const Matrix4 &modelView);

// False as soon as a plane gives a*x + b*y + c*z + d <= -radius. A plane with
// a value that is not a number never rejects.
bool pointInFrustum(const FrustumPlanes &planes, double x, double y, double z, double radius);

// N1 . (N2 x N3): zero when the three planes have no single common point.
double planeTripleDeterminant(const Plane &p1, const Plane &p2, const Plane &p3);
// The common point of three planes (the determinant must not be zero).
Point3 intersectPlanes(const Plane &p1, const Plane &p2, const Plane &p3);

// Near face bottom-left, bottom-right, top-right, top-left, then the far face
// in the same order: corner i and corner i + 4 form a side edge.
std::array<Point3, 8> frustumCorners(const FrustumPlanes &frustum);

// Vertices of the frustum-box intersection: the box corners inside the
// frustum (all eight when the box is wholly inside), otherwise those corners
// followed by the plane-triple intersections that lie in the box and the
// frustum. Duplicates are kept.
std::vector<Point3> clipFrustumToBox(const FrustumPlanes &frustum, const BoxPlanes &boxPlanes,
                                     const BoxCorners &boxCorners, const Extent &stats);

// Axis-aligned extent of the points; all zeros for an empty list.
ClipBox pointsExtent(const std::vector<Point3> &points);

// The data box of a point set's extents, heights multiplied by scaleZ: its
// six face planes (y max, y min, x max, x min, z max, z min) and its eight
// corners (bottom face then top face, counter-clockwise from (xMin, yMin)).
BoxPlanes makeBoxPlanes(const Extent &stats, double scaleZ);
BoxCorners makeBoxCorners(const Extent &stats, double scaleZ);

}  // namespace veltrane

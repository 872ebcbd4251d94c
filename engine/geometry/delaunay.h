#pragma once
// Delaunay triangulation by incremental insertion in ascending x.

#include "engine/types/pointrecord.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

// Comparator for qsort-style sorting of PointRecord by x: -1, +1, or 0 when
// equal or either value is not a number.
int comparePointsByX(const void *a, const void *b);

// Sorts points in place by ascending x (the order buildDelaunayTin needs).
// Records with equal x keep their relative order; records whose x is not a
// number go last, also in their order (the triangulation passes over them).
void sortPointsByX(PointRecord *points, uint32_t count);

// True when (xp, yp) lies inside or on the circle through the three vertices.
// The centre and radius are written unless the triangle is degenerate (all
// three y values within the tolerance), in which case false is returned.
bool circumcircleContains(double xp, double yp, double x1, double y1, double x2, double y2, double x3, double y3,
                          double &xc, double &yc, double &r);

// Corners of the triangle that encloses every point at the start of the
// triangulation: lower left, top, lower right (clockwise with y up).
struct SuperTriangle {
    double x[3];
    double y[3];
};

// The super-triangle for nv >= 1 points: it reaches 20 times the larger side
// of the points' bounding box from the box's centre.
SuperTriangle superTriangleFor(uint32_t nv, const PointRecord *points);

// One directed edge collected from the triangles a new point removes.
struct TinEdge {
    int32_t a;
    int32_t b;
};

// Cancels, in place, every pair of edges that join the same two points (in
// either direction), pairing each edge with the first later match; cancelled
// edges become (-1, -1). An edge present three times leaves its last copy.
void cancelSharedEdges(TinEdge *edges, size_t count);

// Triangulates nv points sorted by ascending x. The result indexes `points`.
// Fewer than three points, identical or collinear points give no triangle;
// so does a count too large for 32-bit indices.
std::vector<Triangle> buildDelaunayTin(uint32_t nv, const PointRecord *points);

// The classic out-parameter form: ntri receives the count and triangles a new
// array the caller releases with delete[] (nullptr when ntri is 0).
void buildDelaunayTin(uint32_t nv, const PointRecord *points, uint32_t &ntri, Triangle *&triangles);

}  // namespace veltrane

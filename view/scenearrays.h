#pragma once
// The vertex arrays a view draws its data from, built once per data set
// instead of being sent vertex by vertex every frame.
//
// Every vertex holds what the per-vertex path hands OpenGL, rounded to single
// precision the way OpenGL rounds a double vertex, so that both paths give
// the same pixels.

#include "engine/formats/pointrecord.h"
#include "view/frustum.h"

#include <cstdint>
#include <vector>

namespace veltrane {

struct Vertex3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Two vertices per record, in record order: the source position
// (x, y, h x scaleZ), then the converted position (xTo, yTo, hTo x scaleZ).
std::vector<Vertex3f> pointVertices(const PointRecord *pts, uint32_t count, double scaleZ);

// Two vertices per record: the source position and the tip of its shift
// vector, (x + mult x dx, y + mult x dy) at the source height.
std::vector<Vertex3f> vectorVertices(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult);

// Source positions in double precision, for the culling test.
std::vector<Point3> sourcePositions(const PointRecord *pts, uint32_t count, double scaleZ);

// The TIN as indexed triangles: one vertex per record of the point array and
// three indices per triangle, in triangle order. A triangle with an index
// outside the point array is left out whole.
struct TinArrays {
    std::vector<Vertex3f> vertices;
    std::vector<uint32_t> indices;
};
TinArrays tinArrays(const PointRecord *pts, uint32_t nPts, const Triangle *tris, uint32_t nTris, double scaleZ);

// Replaces `indices` with the vertex indices (2i, 2i + 1) of every record i
// whose source position passes the culling test, in record order; returns
// the number of such records.
uint32_t visiblePointIndices(const std::vector<Point3> &sources, const FrustumPlanes &frustum,
                             std::vector<uint32_t> &indices);

}  // namespace veltrane

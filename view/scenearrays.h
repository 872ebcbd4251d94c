#pragma once
// The vertex arrays a view draws its data from, built once per data set
// instead of being sent vertex by vertex every frame.
//
// Every vertex holds what the per-vertex path hands OpenGL, rounded to single
// precision the way OpenGL rounds a double vertex, so that both paths give
// the same pixels.

#include "engine/types/pointrecord.h"
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
// The same for `count` records first, first + stride, first + 2 stride, ...,
// written to out[0 .. 2 count).
void fillPointVertices(const PointRecord *pts, uint32_t first, uint32_t count, uint32_t stride, double scaleZ,
                       Vertex3f *out);

// Two vertices per record: the source position and the tip of its shift
// vector, (x + mult x dx, y + mult x dy) at the source height.
std::vector<Vertex3f> vectorVertices(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult);
void fillVectorVertices(const PointRecord *pts, uint32_t first, uint32_t count, uint32_t stride, double scaleZ,
                        int32_t vectorMult, Vertex3f *out);

// The TIN as indexed triangles: one vertex per record of the point array and
// three indices per triangle, in triangle order. A triangle with an index
// outside the point array is left out whole.
struct TinArrays {
    std::vector<Vertex3f> vertices;
    std::vector<uint32_t> indices;
};
TinArrays tinArrays(const PointRecord *pts, uint32_t nPts, const Triangle *tris, uint32_t nTris, double scaleZ);

// Of the records 0, stride, 2 stride, ... below `count` (the j-th of them
// record j x stride), replaces `indices` with the vertex indices (2j, 2j + 1)
// of those whose source position (x, y, h x scaleZ) passes the culling test,
// in record order: indices into arrays that hold only these records, two
// vertices each. Returns the number of such records. The test reads the
// records themselves: no copy of the positions is kept beside them.
uint32_t visibleRecordIndices(const PointRecord *pts, uint32_t count, uint32_t stride, double scaleZ,
                              const FrustumPlanes &frustum, std::vector<uint32_t> &indices);

// Number of the records 0, stride, 2 stride, ... below `count`: the subset
// a moving frame draws.
uint32_t subsetCount(uint32_t count, uint32_t stride);

// Every how many records a moving frame draws one: 1 up to `budget`
// records, else the smallest stride that leaves at most `budget` of them.
uint32_t subsetStride(uint32_t count, uint32_t budget);

}  // namespace veltrane

#include "view/scenearrays.h"

namespace veltrane {

namespace {
Vertex3f vertex(double x, double y, double z)
{
    return Vertex3f{float(x), float(y), float(z)};
}
}  // namespace

void fillPointVertices(const PointRecord *pts, uint32_t first, uint32_t count, uint32_t stride, double scaleZ,
                       Vertex3f *out)
{
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[first + std::size_t(i) * stride];
        out[2 * std::size_t(i)] = vertex(p.x, p.y, p.h * scaleZ);
        out[2 * std::size_t(i) + 1] = vertex(p.xTo, p.yTo, p.hTo * scaleZ);
    }
}

void fillVectorVertices(const PointRecord *pts, uint32_t first, uint32_t count, uint32_t stride, double scaleZ,
                        int32_t vectorMult, Vertex3f *out)
{
    const double m = double(vectorMult);
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[first + std::size_t(i) * stride];
        const double z = p.h * scaleZ;
        out[2 * std::size_t(i)] = vertex(p.x, p.y, z);
        out[2 * std::size_t(i) + 1] = vertex(p.x + m * p.dx, p.y + m * p.dy, z);
    }
}

std::vector<Vertex3f> pointVertices(const PointRecord *pts, uint32_t count, double scaleZ)
{
    std::vector<Vertex3f> out;
    if (!pts)
        return out;
    out.resize(std::size_t(count) * 2);
    fillPointVertices(pts, 0, count, 1, scaleZ, out.data());
    return out;
}

std::vector<Vertex3f> vectorVertices(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult)
{
    std::vector<Vertex3f> out;
    if (!pts)
        return out;
    out.resize(std::size_t(count) * 2);
    fillVectorVertices(pts, 0, count, 1, scaleZ, vectorMult, out.data());
    return out;
}

TinArrays tinArrays(const PointRecord *pts, uint32_t nPts, const Triangle *tris, uint32_t nTris, double scaleZ)
{
    TinArrays out;
    if (!pts || !tris)
        return out;
    out.vertices.resize(nPts);
    for (uint32_t i = 0; i < nPts; ++i)
        out.vertices[i] = vertex(pts[i].x, pts[i].y, pts[i].h * scaleZ);
    out.indices.reserve(std::size_t(nTris) * 3);
    for (uint32_t i = 0; i < nTris; ++i) {
        const Triangle &t = tris[i];
        if (!triangleIndicesValid(t, nPts))
            continue;
        out.indices.push_back(uint32_t(t.p1));
        out.indices.push_back(uint32_t(t.p2));
        out.indices.push_back(uint32_t(t.p3));
    }
    return out;
}

uint32_t visibleRecordIndices(const PointRecord *pts, uint32_t count, uint32_t stride, double scaleZ,
                              const FrustumPlanes &frustum, std::vector<uint32_t> &indices)
{
    indices.clear();
    if (!pts || stride == 0)
        return 0;
    uint32_t visible = 0;
    const uint32_t n = subsetCount(count, stride);
    for (uint32_t j = 0; j < n; ++j) {
        const PointRecord &p = pts[std::size_t(j) * stride];
        if (pointInFrustum(frustum, p.x, p.y, p.h * scaleZ, kCullRadius)) {
            indices.push_back(2 * j);
            indices.push_back(2 * j + 1);
            ++visible;
        }
    }
    return visible;
}

uint32_t subsetCount(uint32_t count, uint32_t stride)
{
    return stride == 0 ? 0 : uint32_t((uint64_t(count) + stride - 1) / stride);
}

uint32_t subsetStride(uint32_t count, uint32_t budget)
{
    if (budget == 0 || count <= budget)
        return 1;
    return uint32_t((uint64_t(count) + budget - 1) / budget);
}

}  // namespace veltrane

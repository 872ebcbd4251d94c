#include "view/scenearrays.h"

namespace veltrane {

namespace {
Vertex3f vertex(double x, double y, double z)
{
    return Vertex3f{float(x), float(y), float(z)};
}
}  // namespace

void fillPointVertices(const PointRecord *pts, uint32_t first, uint32_t count, double scaleZ, Vertex3f *out)
{
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[first + i];
        out[2 * std::size_t(i)] = vertex(p.x, p.y, p.h * scaleZ);
        out[2 * std::size_t(i) + 1] = vertex(p.xTo, p.yTo, p.hTo * scaleZ);
    }
}

void fillVectorVertices(const PointRecord *pts, uint32_t first, uint32_t count, double scaleZ, int32_t vectorMult,
                        Vertex3f *out)
{
    const double m = double(vectorMult);
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[first + i];
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
    fillPointVertices(pts, 0, count, scaleZ, out.data());
    return out;
}

std::vector<Vertex3f> vectorVertices(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult)
{
    std::vector<Vertex3f> out;
    if (!pts)
        return out;
    out.resize(std::size_t(count) * 2);
    fillVectorVertices(pts, 0, count, scaleZ, vectorMult, out.data());
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
    for (uint64_t i = 0; i < count; i += stride) {
        const PointRecord &p = pts[i];
        if (pointInFrustum(frustum, p.x, p.y, p.h * scaleZ, kCullRadius)) {
            indices.push_back(uint32_t(2 * i));
            indices.push_back(uint32_t(2 * i + 1));
            ++visible;
        }
    }
    return visible;
}

std::vector<uint32_t> strideIndices(uint32_t count, uint32_t stride)
{
    std::vector<uint32_t> out;
    if (stride == 0)
        return out;
    out.reserve(2 * (std::size_t(count) + stride - 1) / stride);
    for (uint64_t i = 0; i < count; i += stride) {
        out.push_back(uint32_t(2 * i));
        out.push_back(uint32_t(2 * i + 1));
    }
    return out;
}

uint32_t subsetStride(uint32_t count, uint32_t budget)
{
    if (budget == 0 || count <= budget)
        return 1;
    return uint32_t((uint64_t(count) + budget - 1) / budget);
}

}  // namespace veltrane

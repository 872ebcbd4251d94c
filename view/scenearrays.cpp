#include "view/scenearrays.h"

namespace veltrane {

namespace {
Vertex3f vertex(double x, double y, double z)
{
    return Vertex3f{float(x), float(y), float(z)};
}
}  // namespace

std::vector<Vertex3f> pointVertices(const PointRecord *pts, uint32_t count, double scaleZ)
{
    std::vector<Vertex3f> out;
    if (!pts)
        return out;
    out.resize(std::size_t(count) * 2);
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[i];
        out[2 * std::size_t(i)] = vertex(p.x, p.y, p.h * scaleZ);
        out[2 * std::size_t(i) + 1] = vertex(p.xTo, p.yTo, p.hTo * scaleZ);
    }
    return out;
}

std::vector<Vertex3f> vectorVertices(const PointRecord *pts, uint32_t count, double scaleZ, int32_t vectorMult)
{
    std::vector<Vertex3f> out;
    if (!pts)
        return out;
    const double m = double(vectorMult);
    out.resize(std::size_t(count) * 2);
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[i];
        const double z = p.h * scaleZ;
        out[2 * std::size_t(i)] = vertex(p.x, p.y, z);
        out[2 * std::size_t(i) + 1] = vertex(p.x + m * p.dx, p.y + m * p.dy, z);
    }
    return out;
}

std::vector<Point3> sourcePositions(const PointRecord *pts, uint32_t count, double scaleZ)
{
    std::vector<Point3> out;
    if (!pts)
        return out;
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        out[i] = Point3{pts[i].x, pts[i].y, pts[i].h * scaleZ};
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

uint32_t visiblePointIndices(const std::vector<Point3> &sources, const FrustumPlanes &frustum,
                             std::vector<uint32_t> &indices)
{
    indices.clear();
    indices.reserve(sources.size() * 2);
    uint32_t visible = 0;
    const uint32_t n = uint32_t(sources.size());
    for (uint32_t i = 0; i < n; ++i) {
        const Point3 &p = sources[i];
        if (pointInFrustum(frustum, p.x, p.y, p.z, kCullRadius)) {
            indices.push_back(2 * i);
            indices.push_back(2 * i + 1);
            ++visible;
        }
    }
    return visible;
}

}  // namespace veltrane

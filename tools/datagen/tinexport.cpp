#include "tools/datagen/tinexport.h"

#include "engine/geometry/delaunay.h"
#include "engine/types/pointrecord.h"
#include "tools/datagen/region.h"
#include "tools/datagen/textfile.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

using namespace veltrane;

bool writeTinFile(const std::string &path, const std::vector<ControlSite> &points)
{
    std::vector<PointRecord> records(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        records[i].x = points[i].longitude;
        records[i].y = points[i].latitude;
        records[i].h = points[i].height;
        records[i].id = QString::fromLatin1(points[i].id.c_str());
    }
    const uint32_t count = static_cast<uint32_t>(records.size());
    sortPointsByX(records.data(), count);
    const std::vector<Triangle> triangles = buildDelaunayTin(count, records.data());
    if (triangles.empty()) {
        std::fprintf(stderr, "cannot write %s: the triangulation gave no triangle\n", path.c_str());
        return false;
    }
    for (const Triangle &t : triangles) {
        if (t.p1 < 0 || t.p2 < 0 || t.p3 < 0 || uint32_t(t.p1) >= count || uint32_t(t.p2) >= count ||
            uint32_t(t.p3) >= count) {
            std::fprintf(stderr, "cannot write %s: a triangle indexes outside the %u points\n", path.c_str(), count);
            return false;
        }
    }

    // File order: by latitude, identifier on ties.
    std::vector<uint32_t> fileOrder(count);
    std::iota(fileOrder.begin(), fileOrder.end(), 0u);
    std::sort(fileOrder.begin(), fileOrder.end(), [&](uint32_t a, uint32_t b) {
        if (records[a].y != records[b].y)
            return records[a].y < records[b].y;
        return records[a].id < records[b].id;
    });
    std::vector<uint32_t> vertexNumber(count);  // triangulation index -> 1-based file number
    for (uint32_t k = 0; k < count; ++k)
        vertexNumber[fileOrder[k]] = k + 1;

    return writeTextFile(path, [&](std::FILE *file) {
        std::fprintf(file,
                     "# Tarvona control TIN: %u vertices (NAD83(CORS96) longitude, latitude, height), "
                     "%zu Delaunay triangles\n",
                     count, triangles.size());
        for (uint32_t index : fileOrder)
            std::fprintf(file, "v %.*f %.*f %.*f\n", kDegreeDecimals, records[index].x, kDegreeDecimals,
                         records[index].y, kHeightDecimals, records[index].h);
        for (const Triangle &t : triangles)
            std::fprintf(file, "f %u %u %u\n", vertexNumber[t.p1], vertexNumber[t.p2], vertexNumber[t.p3]);
    });
}

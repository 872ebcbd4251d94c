// Timing of the triangulation on uniform random points, of one geodesic
// inverse computation and of matching TIN vertices to control points.

#include "engine/network/controlnetwork.h"
#include "engine/geometry/delaunay.h"
#include "engine/geodesy/geodesic.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace veltrane;

namespace {

constexpr unsigned kSeed = 12345;

// Uniform points over a 2 x 1 degree block, sorted as the triangulation needs.
std::vector<PointRecord> sortedUniformPoints(uint32_t n)
{
    std::mt19937_64 random(kSeed);
    std::uniform_real_distribution<double> lon(-124.0, -122.0), lat(45.0, 46.0);
    std::vector<PointRecord> points(n);
    for (PointRecord &p : points) {
        p.x = lon(random);
        p.y = lat(random);
    }
    sortPointsByX(points.data(), n);
    return points;
}

void BM_BuildDelaunayTin(benchmark::State &state)
{
    const uint32_t n = uint32_t(state.range(0));
    const std::vector<PointRecord> points = sortedUniformPoints(n);
    size_t triangles = 0;
    for (auto _ : state) {
        const std::vector<Triangle> tin = buildDelaunayTin(n, points.data());
        triangles = tin.size();
        benchmark::DoNotOptimize(tin.data());
    }
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(BM_BuildDelaunayTin)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GeodesicInverse(benchmark::State &state)
{
    // A shift of a few centimetres in each direction, as the conversion sees.
    double lat2 = 45.0000003, lon2 = -122.9999996;
    for (auto _ : state) {
        double azimuth = 0.0;
        benchmark::DoNotOptimize(lat2);
        benchmark::DoNotOptimize(lon2);
        const double s = geodesicInverse(45.0, -123.0, lat2, lon2, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis,
                                         kGrs80Flattening, azimuth);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(azimuth);
    }
}
BENCHMARK(BM_GeodesicInverse);

void BM_MatchTinVertices(benchmark::State &state)
{
    // Every vertex a few millimetres off its control point, in another order.
    const uint32_t n = uint32_t(state.range(0));
    const std::vector<PointRecord> control = sortedUniformPoints(n);
    std::vector<PointRecord> vertices(control.rbegin(), control.rend());
    for (PointRecord &v : vertices)
        v.x += 3e-8;
    uint32_t unmatched = 0;
    for (auto _ : state) {
        const TinVertexMatch match = matchTinVertices(vertices, control);
        unmatched = match.unmatchedVertices;
        benchmark::DoNotOptimize(match.records.data());
    }
    state.counters["unmatched"] = double(unmatched);
}
BENCHMARK(BM_MatchTinVertices)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

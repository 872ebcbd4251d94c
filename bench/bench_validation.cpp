// Leave-one-out check of a dense control network. Takes the folder of a
// network written by "veltrane-datagen --network 20000 FOLDER" as its first
// argument; without one it checks 20,000 random control points with a smooth
// shift field. The network is triangulated and completed to its hull as the
// run does.

#include "engine/network/controlnetwork.h"
#include "engine/run/conversion.h"
#include "engine/geometry/delaunay.h"
#include "engine/formats/pointfile.h"
#include "engine/geometry/hullcompletion.h"
#include "engine/network/networkvalidation.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>

using namespace veltrane;

namespace {

constexpr uint32_t kRandomControlPoints = 20000;

struct Network {
    std::vector<PointRecord> control;
    std::vector<Triangle> triangles;
};

Network network;

std::vector<PointRecord> readControl(const QString &path)
{
    Extent stats;
    return readPointFile(QFile::encodeName(path).toStdString(), stats, LongitudeSign::AsRead);
}

void loadNetwork(const char *folder)
{
    if (folder) {
        const QDir dir(QString::fromLocal8Bit(folder));
        network.control = pairControlPoints(readControl(dir.filePath(kControlFileCors96)),
                                            readControl(dir.filePath(kControlFileCors96a)))
                              .paired;
    } else {
        std::mt19937_64 random(20000);
        std::uniform_real_distribution<double> lon(-124.0, -116.0), lat(42.0, 46.0);
        network.control.resize(kRandomControlPoints);
        for (PointRecord &p : network.control) {
            p.x = lon(random);
            p.y = lat(random);
            p.dx = 1e-5 * std::sin(p.x) * std::cos(p.y);
            p.dy = 1e-5 * std::cos(p.x + p.y);
            p.dh = 0.02 * std::sin(3.0 * p.y);
        }
    }
    sortPointsByX(network.control.data(), uint32_t(network.control.size()));
    network.triangles = buildDelaunayTin(uint32_t(network.control.size()), network.control.data());
    completeTinToHull(uint32_t(network.control.size()), network.control.data(), network.triangles);
}

void BM_ValidateNetwork(benchmark::State &state)
{
    ValidationSummary summary;
    for (auto _ : state) {
        const NetworkValidation validation = validateNetwork(network.control, network.triangles);
        summary = validation.summary;
        benchmark::DoNotOptimize(validation.residuals.data());
    }
    state.counters["control_points"] = double(network.control.size());
    state.counters["validated"] = double(summary.validated);
    state.counters["rms_horizontal_m"] = summary.rmsHorizontal;
    state.counters["max_horizontal_m"] = summary.maxHorizontal;
}
BENCHMARK(BM_ValidateNetwork)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    loadNetwork(argc > 1 ? argv[1] : nullptr);
    if (network.triangles.empty()) {
        std::fprintf(stderr, "bench_validation: the network has no triangles\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

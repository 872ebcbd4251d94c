// The whole conversion run (reading, pairing, triangulation, search,
// interpolation, writing) on generated input files of 20,000 and 1,000,000
// points, as the window runs it (keeping the records for its view) and as
// veltrane-convert runs it; at 1,000,000 the two in interleaved pairs. The network is the project's sample network in
// data/ when it is there, otherwise about 250 generated control points.

#include "engine/run/conversion.h"
#include "engine/run/conversionrun.h"
#include "engine/formats/pointfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace veltrane;

namespace {

// The window's run, without the network check it adds after converting.
RunResult runInFolder(const ConversionSettings &settings, const QString &input, const QString &echo,
                      const QString &workDir, const StatusSink &status)
{
    RunOptions options = folderRunOptions(settings, input, echo, workDir);
    options.checkNetwork = false;
    SinkReporter reporter(status);
    return executeRun(options, reporter);
}

constexpr int kGeneratedControlPoints = 250;
constexpr double kWestLongitude = -124.0;  // generated network extent, degrees
constexpr double kEastLongitude = -122.0;
constexpr double kSouthLatitude = 44.0;
constexpr double kNorthLatitude = 46.0;

struct ControlBox {
    double xMin, xMax, yMin, yMax;
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Control files in `folder`: copies of data/ when present, else generated.
ControlBox prepareNetwork(const QString &folder)
{
    const QDir sample(QStringLiteral(VELTRANE_SOURCE_DIR "/data"));
    if (QFile::exists(sample.filePath(kControlFileCors96))) {
        for (const char *name : {kControlFileCors96, kControlFileCors96a, kControlTinFile})
            QFile::copy(sample.filePath(name), folder + "/" + name);
        Extent stats;
        readPointFile(QFile::encodeName(sample.filePath(kControlFileCors96)).toStdString(), stats,
                      LongitudeSign::AsRead);
        return {stats.xMin, stats.xMax, stats.yMin, stats.yMax};
    }
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> lon(kWestLongitude, kEastLongitude), lat(kSouthLatitude, kNorthLatitude),
        height(0.0, 800.0), shift(-3e-6, 3e-6);
    QByteArray cors96, cors96a;
    char line[160];
    for (int i = 0; i < kGeneratedControlPoints; ++i) {
        const double x = lon(rng), y = lat(rng), h = height(rng);
        std::snprintf(line, sizeof line, "%.9f,%.9f,%.4f,CP%d\n", x, y, h, i);
        cors96 += line;
        std::snprintf(line, sizeof line, "%.9f,%.9f,%.4f,CP%d\n", x + shift(rng), y + shift(rng), h + shift(rng) * 1e4,
                      i);
        cors96a += line;
    }
    writeFile(folder + "/" + kControlFileCors96, cors96);
    writeFile(folder + "/" + kControlFileCors96a, cors96a);
    return {kWestLongitude, kEastLongitude, kSouthLatitude, kNorthLatitude};
}

QString preparePoints(const QString &folder, const ControlBox &extent, int count)
{
    std::mt19937_64 rng(count);
    std::uniform_real_distribution<double> lon(extent.xMin, extent.xMax), lat(extent.yMin, extent.yMax),
        height(0.0, 800.0);
    QByteArray bytes;
    bytes.reserve(count * 48);
    char line[160];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "%.9f,%.9f,%.4f,PT%d\n", lon(rng), lat(rng), height(rng), i);
        bytes += line;
    }
    const QString path = QStringLiteral("%1/points%2.csv").arg(folder).arg(count);
    writeFile(path, bytes);
    return path;
}

void BM_ConversionRun(benchmark::State &state)
{
    QTemporaryDir folder;
    const ControlBox extent = prepareNetwork(folder.path());
    const QString input = preparePoints(folder.path(), extent, static_cast<int>(state.range(0)));
    ConversionSettings settings;
    settings.tinSource = tinSourceFromMode(static_cast<int>(state.range(1)));
    const StatusSink quiet = [](const QString &, int) {};
    uint32_t unconverted = 0;
    for (auto _ : state) {
        const RunResult result = runInFolder(settings, input, QString(), folder.path(), quiet);
        if (result.outcome != RunOutcome::Completed)
            state.SkipWithError("outputs not written");
        unconverted = result.outside;
    }
    std::fflush(stdout);
    state.counters["unconverted"] = unconverted;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The command's run of the same files: its options, messages dropped.
class SilentReporter : public RunReporter {
public:
    void status(const QString &, int) override {}
    void error(const QString &, bool) override {}
};

RunOptions commandPlan(const QString &folder, const QString &input, int tinMode)
{
    RunOptions options;
    options.input = input;
    options.settings.tinSource = tinSourceFromMode(tinMode);
    options.network = defaultNetworkFiles(folder, options.settings.direction);
    options.networkByteLimit = kNetworkFileByteLimit;
    options.strict = true;
    options.output = QDir(folder).filePath(QStringLiteral("command_out.csv"));
    options.controlShift = QDir(folder).filePath(QLatin1String(kControlShiftFile));
    return options;
}

void BM_CommandRun(benchmark::State &state)
{
    QTemporaryDir folder;
    const ControlBox extent = prepareNetwork(folder.path());
    const RunOptions options =
        commandPlan(folder.path(), preparePoints(folder.path(), extent, int(state.range(0))), int(state.range(1)));
    SilentReporter reporter;
    for (auto _ : state) {
        if (executeRun(options, reporter).outcome != RunOutcome::Completed)
            state.SkipWithError("outputs not written");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The window's run and the command's run of the same file, one after the
// other in pairs, so that both see the same machine: the medians of each and
// their ratio (window over command).
void BM_WindowAgainstCommand(benchmark::State &state)
{
    QTemporaryDir folder;
    const ControlBox extent = prepareNetwork(folder.path());
    const QString input = preparePoints(folder.path(), extent, int(state.range(0)));
    const RunOptions options = commandPlan(folder.path(), input, int(state.range(1)));
    ConversionSettings settings;
    settings.tinSource = tinSourceFromMode(int(state.range(1)));
    const StatusSink quiet = [](const QString &, int) {};
    SilentReporter reporter;
    std::vector<double> window, command;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        {
            // The result goes with the pair, as the window drops the data of
            // its last run when the next one ends.
            const RunResult result = runInFolder(settings, input, QString(), folder.path(), quiet);
            if (result.outcome != RunOutcome::Completed)
                state.SkipWithError("outputs not written");
        }
        window.push_back(double(clock.nsecsElapsed()) * 1e-6);
        clock.restart();
        if (executeRun(options, reporter).outcome != RunOutcome::Completed)
            state.SkipWithError("outputs not written");
        command.push_back(double(clock.nsecsElapsed()) * 1e-6);
    }
    state.counters["window_ms"] = median(window);
    state.counters["command_ms"] = median(command);
    state.counters["ratio"] = median(window) / median(command);
}

}  // namespace

// Arguments: number of input points, TIN mode (2 generate, 1 from the TIN file).
BENCHMARK(BM_ConversionRun)->Args({20000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommandRun)->Args({20000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowAgainstCommand)->Args({1000000, 2})->Unit(benchmark::kMillisecond)->Iterations(7);

BENCHMARK_MAIN();

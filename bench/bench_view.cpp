// Milliseconds per frame of the 3D view with a million converted points,
// about 250 control points and their TIN, in each optimisation mode, with
// the whole data in view and zoomed in on a quarter of it.

#include "view/displaysetup.h"
#include "view/glwidget.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <memory>
#include <random>

using namespace veltrane;

namespace {
constexpr double kScaleZ = 1e-7;
constexpr int kInputPoints = 1000000;
constexpr int kControlCols = 26;
constexpr int kControlRows = 10;  // 260 control points, 450 triangles

struct BenchData {
    PointArray control;
    PointArray input;
    TriangleArray tris;
    STATS stats;
};

PointRecord record(double x, double y, double h, double dx, double dy)
{
    PointRecord r;
    r.x = x;
    r.y = y;
    r.h = h;
    r.dx = dx;
    r.dy = dy;
    r.xTo = x + dx;
    r.yTo = y + dy;
    r.hTo = h;
    r.id = QStringLiteral("P");
    return r;
}

BenchData makeData()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> lon(-124.5, -116.5), lat(41.5, 46.0), h(0.0, 2000.0), shift(-2e-7, 2e-7);
    auto control = std::make_shared<std::vector<PointRecord>>();
    for (int j = 0; j < kControlRows; ++j)
        for (int i = 0; i < kControlCols; ++i)
            control->push_back(record(-124.5 + 8.0 * i / (kControlCols - 1), 41.5 + 4.5 * j / (kControlRows - 1),
                                      h(rng), shift(rng), shift(rng)));
    auto tris = std::make_shared<std::vector<Triangle>>();
    for (int j = 0; j + 1 < kControlRows; ++j)
        for (int i = 0; i + 1 < kControlCols; ++i) {
            const int a = j * kControlCols + i, b = a + 1, c = a + kControlCols, d = c + 1;
            tris->push_back({a, b, d});
            tris->push_back({a, d, c});
        }
    auto input = std::make_shared<std::vector<PointRecord>>();
    input->reserve(kInputPoints);
    for (int k = 0; k < kInputPoints; ++k)
        input->push_back(record(lon(rng), lat(rng), h(rng), shift(rng), shift(rng)));

    BenchData data{control, input, tris, {}};
    STATS &s = data.stats;
    s.xMin = -124.5;
    s.xMax = -116.5;
    s.yMin = 41.5;
    s.yMax = 46.0;
    s.zMin = 0.0;
    s.zMax = 2000.0;
    s.xRange = s.xMax - s.xMin;
    s.yRange = s.yMax - s.yMin;
    s.zRange = s.zMax - s.zMin;
    s.count = int32_t(control->size());
    return data;
}

std::unique_ptr<GLWidget> makeView(const BenchData &data)
{
    auto view = std::make_unique<GLWidget>(nullptr);
    RunData run{data.control, data.stats, data.input, {}, data.tris, uint32_t(data.tris->size())};
    run.statsInput.count = int32_t(data.input->size());
    loadRunIntoView(*view, run, kScaleZ, ViewRole::Main);
    view->bDrawTris = true;
    view->resize(800, 600);
    view->show();
    QApplication::processEvents();
    view->updateGL();  // first initialisation frames the data
    return view;
}

// Built in main, after the application object, and destroyed before it.
GLWidget *g_view = nullptr;

// state.range(0): optimisation mode; state.range(1): 1 = zoomed in four
// times on the centre, so that most points fall outside the frustum.
void BM_ViewFrame(benchmark::State &state)
{
    GLWidget &view = *g_view;
    GLC_Camera &camera = *view.viewport.cameraHandle();
    const GLC_Camera saved = camera;
    if (state.range(1))
        camera.zoom(4.0);
    view.viewport.setDistMinAndMax(view.boundingBox);
    view.updateOptDisplayMode(int(state.range(0)));
    for (auto _ : state) {
        // A re-rendering slot: paints the frame in the view's own context.
        view.updateLineWidth(view.iLineWidth);
        glFinish();
    }
    state.counters["drawn"] = view.nDrawn;
    camera = saved;
    view.viewport.setDistMinAndMax(view.boundingBox);
}
BENCHMARK(BM_ViewFrame)
    ->ArgNames({"mode", "zoomed"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const BenchData data = makeData();
    std::unique_ptr<GLWidget> view = makeView(data);
    g_view = view.get();
    benchmark::RunSpecifiedBenchmarks();
    g_view = nullptr;
    view.reset();
    benchmark::Shutdown();
    return 0;
}

// The 3D view with a million converted points, about 250 control points and
// their TIN, at 800 x 600:
// - BM_ViewFrame: milliseconds per presented frame in each optimisation
//   mode, with the whole data in view and zoomed in on a quarter of it;
// - BM_FrameSubmission: CPU time of this thread for one frame that reaches no
//   pixel, either with GL_RASTERIZER_DISCARD or (clipall) with a clip plane
//   that rejects every vertex. A software renderer still shades the vertices
//   (and with the discard, still builds its wide points and lines) on this
//   thread; run with GALLIUM_NOOP=1 to have Mesa drop all drawing work, as a
//   graphics card takes it off the processor, leaving the submission alone;
// - BM_ResetDisplay: a new main view loaded with the run, shown, and its
//   first frame on screen, as "Reset Display" does it;
// - BM_ResetDisplay also gives the time until the full frame that follows
//   the first picture (a subset of the points) is on screen;
// - BM_MovingFrame: milliseconds per frame while the camera moves, which
//   draws every k-th converted point;
// - BM_DragSettle: a 1.3 s left drag whose mouse moves arrive at 60 Hz
//   whatever the view is doing: the frames per second during the drag, the
//   time from the release until the full frame is on screen, and the
//   longest time the event loop went without a turn (what a menu opened
//   meanwhile would wait). Three drags: the first with the subset the view
//   starts with, the later ones with the subset fitted to the frames
//   measured in the drags before;
// - BM_MenuDuringFullFrame: a click on a menu bar, posted while the view
//   draws its full frame, until the menu's first paint;
// - BM_RendererFloor: the converted points and their shift vectors alone,
//   drawn by bare OpenGL calls from arrays in the state the view's frames
//   leave (smooth 10-pixel points, 3-pixel lines), with no other work: what
//   the renderer needs for the frame's data whoever submits it. Variants
//   with 1-pixel or unsmoothed points show where that time goes.
//
// `bench_view --memory=N` instead builds N converted points, does the steps
// of "Reset Display" up to the full frame, prints the resident and peak
// memory of the process (with the data alone before the view) and exits.

#include "tests/support/viewtestscene.h"
#include "view/displaysetup.h"
#include "view/glwidget.h"
#include "view/scenearrays.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QOpenGLBuffer>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <memory>
#include <random>
#include <thread>

using namespace veltrane;

namespace {
constexpr double kScaleZ = 1e-7;
constexpr int kInputPoints = 1000000;
constexpr int kControlCols = 26;
constexpr int kControlRows = 10;  // 260 control points, 450 triangles
constexpr int kViewWidth = 800;
constexpr int kViewHeight = 600;
// A drag as a hand makes it: 1.3 s of moves at the mouse's 60 Hz.
constexpr int kDragMs = 1300;
constexpr int kMoveIntervalMs = 16;
constexpr int kDragStepPixels = 2;

struct BenchData {
    PointArray control;
    PointArray input;
    TriangleArray tris;
    Extent stats;
};

BenchData makeData(int inputPoints = kInputPoints)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> lon(-124.5, -116.5), lat(41.5, 46.0), h(0.0, 2000.0), shift(-2e-7, 2e-7);
    auto control = std::make_shared<std::vector<PointRecord>>();
    for (int j = 0; j < kControlRows; ++j)
        for (int i = 0; i < kControlCols; ++i)
            control->push_back(makeRecord(-124.5 + 8.0 * i / (kControlCols - 1), 41.5 + 4.5 * j / (kControlRows - 1),
                                          h(rng), shift(rng), shift(rng), "P"));
    auto tris = std::make_shared<std::vector<Triangle>>();
    for (int j = 0; j + 1 < kControlRows; ++j)
        for (int i = 0; i + 1 < kControlCols; ++i) {
            const int a = j * kControlCols + i, b = a + 1, c = a + kControlCols, d = c + 1;
            tris->push_back({a, b, d});
            tris->push_back({a, d, c});
        }
    auto input = std::make_shared<std::vector<PointRecord>>();
    input->reserve(std::size_t(inputPoints));
    for (int k = 0; k < inputPoints; ++k)
        input->push_back(makeRecord(lon(rng), lat(rng), h(rng), shift(rng), shift(rng), "P"));

    BenchData data{control, input, tris, {}};
    Extent &s = data.stats;
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

RunData runOf(const BenchData &data)
{
    RunData run{data.control, data.stats, data.input, {}, data.tris, uint32_t(data.tris->size())};
    run.pointsExtent.count = int32_t(data.input->size());
    return run;
}

// Runs the event loop until nothing is left to do, the GL work included.
void settle(GLWidget &view)
{
    QApplication::processEvents(QEventLoop::AllEvents, 60000);
    view.makeCurrent();
    glFinish();
}

// Runs the event loop until the view shows all of the data, the full frame
// after the camera rests included.
void settleFull(GLWidget &view)
{
    settle(view);
    QElapsedTimer clock;
    clock.start();
    while (view.showsSubset() && clock.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        settle(view);
    }
}

std::unique_ptr<GLWidget> makeView(const BenchData &data)
{
    auto view = std::make_unique<GLWidget>(nullptr);
    loadRunIntoView(*view, runOf(data), kScaleZ, ViewRole::Main);
    view->bDrawTris = true;
    view->resize(kViewWidth, kViewHeight);
    view->show();
    QApplication::processEvents();
    view->updateGL();  // first initialisation frames the data
    settleFull(*view);
    return view;
}

// While it lives, the view's re-renders draw all records, as a settled
// frame does.
class WholeFrames {
public:
    explicit WholeFrames(GLWidget &view) : view(view), saved(view.movingBudget)
    {
        view.movingBudget = SubsetBudget::fixed(UINT32_MAX);
    }
    ~WholeFrames() { view.movingBudget = saved; }
    WholeFrames(const WholeFrames &) = delete;
    WholeFrames &operator=(const WholeFrames &) = delete;

private:
    GLWidget &view;
    SubsetBudget saved;
};

// Built in main, after the application object, and destroyed before it.
GLWidget *g_view = nullptr;
const BenchData *g_data = nullptr;

GLWidget::DrawPath drawPathArg(int64_t arg)
{
    return arg ? GLWidget::DrawPath::PerVertex : GLWidget::DrawPath::Arrays;
}

// state.range(0): optimisation mode; state.range(1): 1 = zoomed in four
// times on the centre, so that most points fall outside the frustum;
// state.range(2): 0 = vertex arrays, 1 = one call per vertex.
void BM_ViewFrame(benchmark::State &state)
{
    GLWidget &view = *g_view;
    view.drawPath = drawPathArg(state.range(2));
    GLC_Camera &camera = *view.viewport.cameraHandle();
    const GLC_Camera saved = camera;
    if (state.range(1))
        camera.zoom(4.0);
    view.viewport.setDistMinAndMax(view.boundingBox);
    view.updateOptDisplayMode(int(state.range(0)));
    const WholeFrames whole(view);
    for (auto _ : state) {
        // A re-rendering slot: paints the frame in the view's own context.
        view.updateLineWidth(view.iLineWidth);
        glFinish();
    }
    state.counters["drawn"] = view.nDrawn;
    camera = saved;
    view.viewport.setDistMinAndMax(view.boundingBox);
    view.drawPath = GLWidget::DrawPath::Arrays;
}
BENCHMARK(BM_ViewFrame)
    ->ArgNames({"mode", "zoomed", "pervertex"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// state.range(0): optimisation mode; state.range(1): 0 = vertex arrays,
// 1 = one call per vertex. The reported CPU time is this thread's: the
// application's calls and the driver work done inside them.
void BM_FrameSubmission(benchmark::State &state)
{
    GLWidget &view = *g_view;
    view.updateOptDisplayMode(int(state.range(0)));
    view.drawPath = drawPathArg(state.range(1));
    view.makeCurrent();
    const bool clipAll = state.range(2) != 0;
    if (clipAll) {
        const GLdouble everythingOutside[4] = {0.0, 0.0, 0.0, -1.0};
        glClipPlane(GL_CLIP_PLANE0, everythingOutside);
        glEnable(GL_CLIP_PLANE0);
    } else {
        glEnable(GL_RASTERIZER_DISCARD);
    }
    const WholeFrames whole(view);
    for (auto _ : state) {
        view.updateLineWidth(view.iLineWidth);
        glFinish();
    }
    view.makeCurrent();
    glDisable(GL_RASTERIZER_DISCARD);
    glDisable(GL_CLIP_PLANE0);
    state.counters["drawn"] = view.nDrawn;
    view.drawPath = GLWidget::DrawPath::Arrays;
}
BENCHMARK(BM_FrameSubmission)
    ->ArgNames({"mode", "pervertex", "clipall"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The steps of "Reset Display" that concern the view: a new view fed with
// the run, its first frustum update, the background, then shown until its
// first frame is on screen.
void BM_ResetDisplay(benchmark::State &state)
{
    double setupMs = 0.0;
    double shownMs = 0.0;
    double fullMs = 0.0;
    int frames = 0;
    int firstDrawn = 0;
    // The shared view is hidden meanwhile: exposed again when the new view
    // goes, it would paint inside the next measurement.
    g_view->hide();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto view = std::make_unique<GLWidget>(nullptr);
        double firstMs = 0.0;
        QObject::connect(view.get(), &GLWidget::framePresented, [&]() {
            if (firstMs == 0.0) {
                firstMs = double(clock.nsecsElapsed()) / 1e6;
                firstDrawn = view->nDrawn;
            }
        });
        loadRunIntoView(*view, runOf(*g_data), kScaleZ, ViewRole::Main);
        view->computeFrustum();
        const QColor darkerGray(65, 65, 65);
        view->colorBckgrnd = darkerGray;
        view->updateColor_bckgrnd(darkerGray);
        view->resize(kViewWidth, kViewHeight);
        setupMs = double(clock.nsecsElapsed()) / 1e6;
        view->show();
        settleFull(*view);
        shownMs = firstMs - setupMs;
        fullMs = double(clock.nsecsElapsed()) / 1e6 - setupMs;
        frames = view->framesPresented();
        state.PauseTiming();
        view.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    // The last iteration's split: feeding the view, showing it up to its
    // first frame on screen (the first picture), and up to the full frame.
    // The benchmark's own time runs to the full frame.
    state.counters["setup_ms"] = setupMs;
    state.counters["shown_ms"] = shownMs;
    state.counters["full_ms"] = fullMs;
    state.counters["frames"] = frames;
    state.counters["first_drawn"] = firstDrawn;
    g_view->show();
    settleFull(*g_view);
}
BENCHMARK(BM_ResetDisplay)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Frames painted while the camera counts as moving, as a drag paints them.
void BM_MovingFrame(benchmark::State &state)
{
    GLWidget &view = *g_view;
    settleFull(view);
    view.updateOptDisplayMode(int(state.range(0)));
    for (auto _ : state) {
        view.noteCameraMoving();
        view.updateLineWidth(view.iLineWidth);
        glFinish();
    }
    state.counters["drawn"] = view.nDrawn;
    state.counters["stride"] = view.strideDs2;
    settleFull(view);
}
BENCHMARK(BM_MovingFrame)->ArgNames({"mode"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void postMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QCoreApplication::postEvent(widget,
                                new QMouseEvent(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier));
}

// The moves come from another thread, as the window system queues them
// while the view paints; the time counted is from the release to the end of
// the last frame.
void BM_DragSettle(benchmark::State &state)
{
    GLWidget &view = *g_view;
    view.updateOptDisplayMode(GLWidget::kOptCulling);
    int frames = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&view, &GLWidget::frustumUpdated, [&frames]() { ++frames; });
    double settleMs = 0.0;
    int dragFrames = 0;
    double firstDragFps = 0.0;
    int drags = 0;
    // The longest gap between turns of the event loop, from the press to the
    // full frame.
    QElapsedTimer sinceTick;
    qint64 longestGapMs = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&]() { longestGapMs = std::max(longestGapMs, sinceTick.restart()); });
    for (auto _ : state) {
        state.PauseTiming();
        settleFull(view);
        frames = 0;
        longestGapMs = 0;
        sinceTick.start();
        ticker.start();
        const QPoint start(kViewWidth / 2 - 100, kViewHeight / 2);
        postMouse(&view, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        std::atomic<bool> released{false};
        QElapsedTimer sinceRelease;
        std::thread hand([&]() {
            const auto begin = std::chrono::steady_clock::now();
            QPoint pos = start;
            while (std::chrono::steady_clock::now() - begin < std::chrono::milliseconds(kDragMs)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kMoveIntervalMs));
                pos.rx() += kDragStepPixels;
                postMouse(&view, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
            }
            postMouse(&view, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
            sinceRelease.start();
            released = true;
        });
        state.ResumeTiming();
        while (!released)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        hand.join();
        dragFrames = frames;
        if (drags++ == 0)
            firstDragFps = dragFrames * 1000.0 / kDragMs;
        settleFull(view);
        settleMs = double(sinceRelease.nsecsElapsed()) / 1e6;
        ticker.stop();
    }
    QObject::disconnect(counting);
    state.counters["settle_ms"] = settleMs;
    state.counters["frames"] = frames;
    state.counters["drag_fps"] = dragFrames * 1000.0 / kDragMs;
    state.counters["first_drag_fps"] = firstDragFps;
    state.counters["subset_records"] = view.movingBudget.records();
    state.counters["longest_stall_ms"] = double(longestGapMs);
}
BENCHMARK(BM_DragSettle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Runs the event loop until `done` or for at most `ms`.
template <typename Done>
bool runLoopUntil(Done done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return done();
}

// Notes the time of a widget's first paint after arm().
class FirstPaint : public QObject {
public:
    void arm()
    {
        clock.start();
        ms = -1.0;
    }
    double ms = -1.0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && ms < 0.0)
            ms = double(clock.nsecsElapsed()) / 1e6;
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer clock;
};

// A menu bar beside the view; a click on its menu is posted this long after
// the view has begun its full frame.
constexpr int kClickIntoFullFrameMs = 400;

void BM_MenuDuringFullFrame(benchmark::State &state)
{
    GLWidget &view = *g_view;
    QMenuBar bar;
    QMenu *menu = bar.addMenu(QStringLiteral("File"));
    menu->addAction(QStringLiteral("Exit"));
    // Clear of the view, so that the menu closing exposes none of it.
    bar.move(kViewWidth + 100, 0);
    bar.resize(200, 40);
    bar.show();
    FirstPaint paint;
    menu->installEventFilter(&paint);
    double worstMs = 0.0;
    int clicksDuringFullFrame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        settleFull(view);
        // A motion, then the full frame.
        view.noteCameraMoving();
        view.update();
        runLoopUntil([&] { return view.drawingFullFrame(); }, 60000);
        runLoopUntil([] { return false; }, kClickIntoFullFrameMs);
        const bool drawing = view.drawingFullFrame();
        const QPoint at = bar.actionGeometry(menu->menuAction()).center();
        paint.arm();
        postMouse(&bar, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        postMouse(&bar, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        state.ResumeTiming();
        runLoopUntil([&] { return paint.ms >= 0.0; }, 60000);
        state.PauseTiming();
        clicksDuringFullFrame += drawing && view.drawingFullFrame();
        worstMs = std::max(worstMs, paint.ms);
        menu->hide();
        state.ResumeTiming();
    }
    state.counters["menu_ms_worst"] = worstMs;
    state.counters["clicks_while_drawing"] = clicksDuringFullFrame;
}
BENCHMARK(BM_MenuDuringFullFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// state.range(0): point size in pixels; state.range(1): 1 = smooth points.
void BM_RendererFloor(benchmark::State &state)
{
    GLWidget &view = *g_view;
    // A frame of the view sets the state; it is finished before the clock runs.
    view.updateLineWidth(view.iLineWidth);
    glFinish();
    // The view's own arrays of the data.
    const auto count = uint32_t(g_data->input->size());
    const std::vector<Vertex3f> points = pointVertices(g_data->input->data(), count, kScaleZ);
    const std::vector<Vertex3f> vectors = vectorVertices(g_data->input->data(), count, kScaleZ, view.iVectorMult);
    view.makeCurrent();
    // In buffer objects, as the view keeps them.
    QOpenGLBuffer pointBuffer, vectorBuffer;
    for (auto b : {std::make_pair(&pointBuffer, &points), std::make_pair(&vectorBuffer, &vectors)}) {
        b.first->create();
        b.first->bind();
        b.first->allocate(b.second->data(), int(b.second->size() * sizeof(Vertex3f)));
    }
    glPointSize(GLfloat(state.range(0)));
    if (!state.range(1))
        glDisable(GL_POINT_SMOOTH);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        view.viewport.glExecuteCam();
        glColor4ub(0, 0, 255, 255);
        pointBuffer.bind();
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glDrawArrays(GL_POINTS, 0, GLsizei(points.size()));
        vectorBuffer.bind();
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glDrawArrays(GL_LINES, 0, GLsizei(vectors.size()));
        glFinish();
    }
    QOpenGLBuffer::release(QOpenGLBuffer::VertexBuffer);
    glDisableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_POINT_SMOOTH);
    glPointSize(GLfloat(view.iPointSize));
}
BENCHMARK(BM_RendererFloor)
    ->ArgNames({"size", "smooth"})
    ->Args({10, 1})
    ->Args({1, 1})
    ->Args({10, 0})
    ->Unit(benchmark::kMillisecond);
}  // namespace

// Resident and peak resident memory of the process in MB, from the kernel.
std::pair<double, double> residentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    double rss = 0.0, peak = 0.0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            rss = std::stod(line.substr(6)) / 1024.0;
        else if (line.rfind("VmHWM:", 0) == 0)
            peak = std::stod(line.substr(6)) / 1024.0;
    }
    return {rss, peak};
}

// The steps of "Reset Display" (see BM_ResetDisplay) at `points` converted
// points, up to the full frame, and the memory they leave.
int measureMemory(int points)
{
    const BenchData data = makeData(points);
    const auto dataOnly = residentMb();
    QElapsedTimer clock;
    clock.start();
    auto view = std::make_unique<GLWidget>(nullptr);
    double firstMs = 0.0;
    QObject::connect(view.get(), &GLWidget::framePresented, [&]() {
        if (firstMs == 0.0)
            firstMs = double(clock.nsecsElapsed()) / 1e6;
    });
    loadRunIntoView(*view, runOf(data), kScaleZ, ViewRole::Main);
    view->computeFrustum();
    view->resize(kViewWidth, kViewHeight);
    view->show();
    settleFull(*view);
    const double fullMs = double(clock.nsecsElapsed()) / 1e6;
    const auto shown = residentMb();
    std::printf("points %d: data alone %.0f MB resident; after Reset Display %.0f MB resident, peak %.0f MB; "
                "first picture %.0f ms, full frame on screen at %.0f ms; records drawn %d\n",
                points, dataOnly.first, shown.first, shown.second, firstMs, fullMs, view->nDrawn);
    return 0;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--memory=", 9) == 0)
            return measureMemory(std::atoi(argv[i] + 9));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const BenchData data = makeData();
    g_data = &data;
    std::unique_ptr<GLWidget> view = makeView(data);
    g_view = view.get();
    benchmark::RunSpecifiedBenchmarks();
    g_view = nullptr;
    view.reset();
    benchmark::Shutdown();
    return 0;
}

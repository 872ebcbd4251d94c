// Frames while the camera moves: a large data set is drawn as a fixed subset
// (every k-th record) during a drag, a wheel zoom, arrow keys and a new
// view's first picture, the overlay says so, and once the camera rests the
// full frame follows, drawn in batches between which the event loop turns,
// with the pixels of the reference drawing. Small data sets are always
// drawn whole, with no frame more than before.

#include "tests/support/viewtestscene.h"
#include "view/displaysetup.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace veltrane;

namespace {
// 120 x 50 converted points and 4 control points; with a budget of 600
// records a moving frame draws every 10th converted point and all four
// control points.
constexpr int kCols = 120;
constexpr int kRows = 50;
constexpr uint32_t kBudget = 600;
constexpr int32_t kAll = kCols * kRows + 4;
constexpr int32_t kSubset = kCols * kRows / 10 + 4;
constexpr int kRestWaitMs = 10000;
// Long enough that a busy machine handles a step of a test before the
// camera counts as resting.
constexpr int kSettleMs = 1500;
// More vertices than one draw batch holds, and more records than the budget
// a view starts with.
constexpr int kManyCols = 400;
constexpr int kManyRows = 260;
// Rows at the top of the view that hold the frame-rate text, which differs
// from frame to frame.
constexpr int kFrameRateRows = 28;

// What asks for a new picture of a rested view.
enum class Input { Drag, Wheel, ArrowKey, Slot, Resize, Repaint };

std::unique_ptr<GLWidget> makeView(const TestScene &scene, uint32_t budget)
{
    auto view = std::make_unique<GLWidget>(nullptr);
    RunData run{scene.control, scene.controlExtent, scene.input, {}, scene.tris, uint32_t(scene.tris->size())};
    run.pointsExtent.count = int32_t(scene.input->size());
    loadRunIntoView(*view, run, kTestScaleZ, ViewRole::Main);
    view->bDrawAxis = false;
    view->movingBudget = SubsetBudget::fixed(budget);
    view->setSettleInterval(kSettleMs);
    view->iOptMode = GLWidget::kOptNone;  // no culling: every frame counts all it draws
    view->iPointSize = 2;
    view->resize(kViewSide, kViewSide);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    return view;
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void sendKey(QWidget *widget, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void sendWheel(QWidget *widget, int delta)
{
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(pos, widget->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

// Handles what is pending (the requested frame among it) without waiting for
// the rest timer.
void paintPending()
{
    QCoreApplication::processEvents();
}

// Lines of overlay text on screen: runs of rows holding its cyan, apart
// from the data drawn below them. A subset adds one line to the two of
// every frame.
int overlayLines(GLWidget &view)
{
    QCoreApplication::processEvents();
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
    int lines = 0;
    bool previousRowCyan = false;
    for (int y = 0; y < screen.height(); ++y) {
        bool cyan = false;
        for (int x = 0; x < screen.width() && !cyan; ++x)
            cyan = sameColor(screen.pixel(x, y), QColor(0, 255, 255), 40);
        lines += cyan && !previousRowCyan;
        previousRowCyan = cyan;
    }
    return lines;
}

// The view as the screen shows it, below the frame-rate text.
QImage screenBelowFrameRate(GLWidget &view)
{
    QCoreApplication::processEvents();
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
    return screen.copy(0, kFrameRateRows, screen.width(), screen.height() - kFrameRateRows);
}

int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}
}  // namespace
Q_DECLARE_METATYPE(Input)

class TestMovingFrames : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void firstPictureIsASubsetThenTheFullFrame();
    void inputDrawsTheSubsetThenTheFullFrame_data();
    void inputDrawsTheSubsetThenTheFullFrame();
    void fullFrameInBatchesHasTheReferencePixels_data();
    void fullFrameInBatchesHasTheReferencePixels();
    void capturesAlwaysDrawEverything();
    void smallDataSetsAreDrawnWhole();

private:
    // Waits for the full frame after the camera rests.
    bool waitForRest(GLWidget &view);
    // A motion, then a full frame begun, one batch a turn: returns once its
    // batches are under way.
    bool startFullFrame(GLWidget &view);

    TestScene m_scene;
};

void TestMovingFrames::initTestCase()
{
    m_scene = makeScene(kCols, kRows);
}

bool TestMovingFrames::waitForRest(GLWidget &view)
{
    QElapsedTimer clock;
    clock.start();
    while (view.showsSubset() && clock.elapsed() < kRestWaitMs)
        QTest::qWait(20);
    return !view.showsSubset();
}

bool TestMovingFrames::startFullFrame(GLWidget &view)
{
    view.fullFrameTurnMs = 0;
    view.noteCameraMoving();
    view.update();
    QElapsedTimer clock;
    clock.start();
    while (!view.drawingFullFrame() && clock.elapsed() < kRestWaitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return view.drawingFullFrame();
}

void TestMovingFrames::firstPictureIsASubsetThenTheFullFrame()
{
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(view->showsSubset());
    QCOMPARE(view->nDrawn, kSubset);
    QCOMPARE(view->strideDs2, 10u);
    QCOMPARE(view->strideDs1, 1u);  // four control points are within any budget
    QCOMPARE(overlayLines(*view), 3);
    const int subsetBlue = countColor(screenBelowFrameRate(*view), Qt::blue, 20);
    const int before = view->framesPresented();
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->framesPresented(), before + 1);
    QCOMPARE(view->nDrawn, kAll);
    QCOMPARE(overlayLines(*view), 2);
    // The subset's points are fewer on screen, too.
    const int allBlue = countColor(screenBelowFrameRate(*view), Qt::blue, 20);
    QVERIFY2(subsetBlue > 0 && subsetBlue * 3 < allBlue,
             qPrintable(QStringLiteral("%1, %2").arg(subsetBlue).arg(allBlue)));
    // Rested: no frame follows.
    QTest::qWait(kSettleMs + 200);
    QCOMPARE(view->framesPresented(), before + 1);
}

void TestMovingFrames::inputDrawsTheSubsetThenTheFullFrame_data()
{
    QTest::addColumn<Input>("input");
    // A full frame under way is dropped, never shown half drawn.
    QTest::addColumn<bool>("duringFullFrame");
    QTest::newRow("drag") << Input::Drag << false;
    QTest::newRow("wheel") << Input::Wheel << false;
    QTest::newRow("arrow key") << Input::ArrowKey << false;
    QTest::newRow("slot") << Input::Slot << false;
    QTest::newRow("drag during the full frame") << Input::Drag << true;
    QTest::newRow("resize during the full frame") << Input::Resize << true;
    QTest::newRow("repaint during the full frame") << Input::Repaint << true;
}

void TestMovingFrames::inputDrawsTheSubsetThenTheFullFrame()
{
    QFETCH(Input, input);
    QFETCH(bool, duringFullFrame);
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->nDrawn, kAll);
    if (duringFullFrame)
        QVERIFY(startFullFrame(*view));
    const int presented = view->framesPresented();

    QPoint pos(200, 200);
    switch (input) {
    case Input::Drag:
        sendMouse(view.get(), QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
        break;
    case Input::Wheel:
        sendWheel(view.get(), 120);
        break;
    case Input::ArrowKey:
        sendKey(view.get(), Qt::Key_Left);
        break;
    case Input::Slot:
        view->updatePointSize(3);
        break;
    case Input::Resize:
        view->resize(kViewSide + 40, kViewSide);
        break;
    case Input::Repaint:
        view->update();
        break;
    }
    paintPending();
    QVERIFY(!view->drawingFullFrame());
    QVERIFY(view->showsSubset());
    QCOMPARE(view->nDrawn, kSubset);
    if (input == Input::Drag) {
        // Moves closer together than the rest time keep the subset on
        // screen, one frame each.
        for (int i = 0; i < 5; ++i) {
            pos.rx() += 4;
            const int before = view->framesPresented();
            sendMouse(view.get(), QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
            paintPending();
            QCOMPARE(view->framesPresented(), before + 1);
            QVERIFY(view->showsSubset());
            QCOMPARE(view->nDrawn, kSubset);
            QTest::qWait(kSettleMs / 4);
        }
        sendMouse(view.get(), QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
    }
    // A slot's re-render is not shown; the full frame is, without input.
    QCOMPARE(overlayLines(*view), input == Input::Slot ? 2 : 3);
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->nDrawn, kAll);
    QCOMPARE(overlayLines(*view), 2);
    if (input == Input::Slot)
        QCOMPARE(view->framesPresented(), presented + 1);
}

void TestMovingFrames::fullFrameInBatchesHasTheReferencePixels_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("no culling") << int(GLWidget::kOptNone);
    QTest::newRow("culling") << int(GLWidget::kOptCulling);
}

// The full frame of a scene larger than one draw batch and than the view's
// starting budget, drawn one batch per turn of the event loop, is on
// screen what the reference drawing puts there.
void TestMovingFrames::fullFrameInBatchesHasTheReferencePixels()
{
    QFETCH(int, mode);
    const TestScene scene = makeScene(kManyCols, kManyRows);
    const auto records = uint32_t(scene.input->size());
    QVERIFY(2 * records > kDrawBatchVertices);
    std::unique_ptr<GLWidget> view = makeView(scene, SubsetBudget::kInitialRecords);
    QVERIFY(view);
    const uint32_t stride = subsetStride(records, SubsetBudget::kInitialRecords);
    QVERIFY(stride > 1);
    QCOMPARE(view->strideDs2, stride);
    QCOMPARE(view->nDrawn, int32_t(subsetCount(records, stride) + 4));
    QVERIFY(waitForRest(*view));
    view->updatePointSize(1);
    view->updateTriStepSize(QStringLiteral("100000"));
    view->updateOptDisplayMode(mode);
    lookDown(*view, -120.5, 43.75, 9.0);

    QVERIFY(startFullFrame(*view));
    const int presented = view->framesPresented();
    // Events are handled between the batches: a timer of the event loop
    // fires again and again while the frame is drawn.
    int ticksWhileDrawing = 0;
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, view.get(), [&] { ticksWhileDrawing += view->drawingFullFrame(); });
    ticker.start();
    QVERIFY(waitForRest(*view));
    ticker.stop();
    QVERIFY2(ticksWhileDrawing >= 3, qPrintable(QString::number(ticksWhileDrawing)));
    // The batches reach the screen once, complete.
    QCOMPARE(view->framesPresented(), presented + 1);
    const QImage batched = screenBelowFrameRate(*view);
    const int32_t drawn = view->nDrawn;
    if (mode == GLWidget::kOptNone)
        QCOMPARE(drawn, int32_t(records + 4));
    QVERIFY(drawn > int32_t(records / 2));

    view->drawPath = GLWidget::DrawPath::PerVertex;
    view->repaint();
    const QImage reference = screenBelowFrameRate(*view);
    view->drawPath = GLWidget::DrawPath::Arrays;
    QCOMPARE(view->nDrawn, drawn);
    QVERIFY(countColor(reference, Qt::blue, 20) > 1000);
    QCOMPARE(differingPixels(batched, reference), 0);
}

void TestMovingFrames::capturesAlwaysDrawEverything()
{
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(view->showsSubset());
    view->bCaptureMode = true;
    renderImage(*view);
    view->bCaptureMode = false;
    QCOMPARE(view->nDrawn, kAll);
    // The capture was no picture on screen: the subset there still gives way.
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->nDrawn, kAll);
}

void TestMovingFrames::smallDataSetsAreDrawnWhole()
{
    // 20,000 converted points with the budget a view starts with.
    const TestScene scene = makeScene(200, 100);
    const int32_t all = 200 * 100 + 4;
    std::unique_ptr<GLWidget> view = makeView(scene, SubsetBudget().records());
    QVERIFY(view);
    QVERIFY(!view->showsSubset());
    QCOMPARE(view->nDrawn, all);
    QPoint pos(200, 200);
    sendMouse(view.get(), QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    pos.rx() += 10;
    sendMouse(view.get(), QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
    paintPending();
    QVERIFY(!view->showsSubset());
    QCOMPARE(view->nDrawn, all);
    QCOMPARE(view->strideDs2, 1u);
    sendMouse(view.get(), QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
    paintPending();
    // No frame is added once the camera rests.
    const int frames = view->framesPresented();
    QTest::qWait(kSettleMs + 200);
    QCOMPARE(view->framesPresented(), frames);
    QCOMPARE(overlayLines(*view), 2);
}

QTEST_MAIN(TestMovingFrames)
#include "test_movingframes.moc"

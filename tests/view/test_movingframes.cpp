// Frames while the camera moves: a large data set is drawn as a fixed subset
// (every k-th record) during a drag, a wheel zoom and a new view's first
// picture, the overlay says so, and once the camera rests the full frame
// follows with the pixels of the reference drawing. Small data sets are
// always drawn whole, with no frame more than before.

#include "tests/support/viewtestscene.h"
#include "view/displaysetup.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

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

std::unique_ptr<GLWidget> makeView(const TestScene &scene, uint32_t budget)
{
    auto view = std::make_unique<GLWidget>(nullptr);
    RunData run{scene.control, scene.statsControl, scene.input, {}, scene.tris, uint32_t(scene.tris->size())};
    run.statsInput.count = int32_t(scene.input->size());
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

int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}
}  // namespace

class TestMovingFrames : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void firstPictureIsASubsetThenTheFullFrame();
    void dragDrawsTheSubsetUntilTheCameraRests();
    void settledFrameHasTheReferencePixels();
    void settledFrameOfManyRecordsHasTheReferencePixels();
    void wheelZoomDrawsTheSubset();
    void capturesAlwaysDrawEverything();
    void smallDataSetsAreDrawnWhole();

private:
    // Waits for the full frame after the camera rests.
    bool waitForRest(GLWidget &view);

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

void TestMovingFrames::firstPictureIsASubsetThenTheFullFrame()
{
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(view->showsSubset());
    QCOMPARE(view->nDrawn, kSubset);
    QCOMPARE(view->strideDs2, 10u);
    QCOMPARE(view->strideDs1, 1u);  // four control points are within any budget
    QCOMPARE(overlayLines(*view), 3);
    const int before = view->framesPresented();
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->framesPresented(), before + 1);
    QCOMPARE(view->nDrawn, kAll);
    QCOMPARE(overlayLines(*view), 2);
    // Rested: no frame follows.
    QTest::qWait(kSettleMs + 200);
    QCOMPARE(view->framesPresented(), before + 1);
}

void TestMovingFrames::dragDrawsTheSubsetUntilTheCameraRests()
{
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->nDrawn, kAll);

    QPoint pos(200, 200);
    sendMouse(view.get(), QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    paintPending();
    QVERIFY(view->showsSubset());
    QCOMPARE(view->nDrawn, kSubset);
    // Moves closer together than the rest time keep the subset on screen.
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
    QVERIFY(view->showsSubset());
    QCOMPARE(overlayLines(*view), 3);
    sendMouse(view.get(), QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->nDrawn, kAll);
    QCOMPARE(overlayLines(*view), 2);
}

void TestMovingFrames::settledFrameHasTheReferencePixels()
{
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(waitForRest(*view));
    lookDown(*view, -120.5, 43.75, 9.0);

    // A moving frame draws fewer of the points.
    view->noteCameraMoving();
    const QImage moving = renderImage(*view);
    QCOMPARE(view->nDrawn, kSubset);
    const int movingBlue = countColor(moving, Qt::blue, 20);

    QVERIFY(waitForRest(*view));
    const QImage settled = renderImage(*view);
    QCOMPARE(view->nDrawn, kAll);
    QVERIFY(!view->showsSubset());
    const int settledBlue = countColor(settled, Qt::blue, 20);
    QVERIFY2(movingBlue > 0 && movingBlue * 3 < settledBlue,
             qPrintable(QStringLiteral("moving %1, settled %2 blue pixels").arg(movingBlue).arg(settledBlue)));

    // The settled frame is the reference drawing's, pixel for pixel.
    view->drawPath = GLWidget::DrawPath::PerVertex;
    const QImage reference = renderImage(*view);
    view->drawPath = GLWidget::DrawPath::Arrays;
    QCOMPARE(view->nDrawn, kAll);
    QCOMPARE(differingPixels(settled, reference), 0);
}

// More records than the view's own budget and more vertices than one draw
// batch: the full frame, drawn in several calls, is still the reference's.
void TestMovingFrames::settledFrameOfManyRecordsHasTheReferencePixels()
{
    const TestScene scene = makeScene(400, 260);
    const auto records = uint32_t(scene.input->size());
    QVERIFY(2 * records > kDrawBatchVertices);
    QVERIFY(records > SubsetBudget::kInitialRecords);
    std::unique_ptr<GLWidget> view = makeView(scene, SubsetBudget::kInitialRecords);
    QVERIFY(view);
    QVERIFY(view->showsSubset());
    QCOMPARE(view->strideDs2, 3u);
    QCOMPARE(view->nDrawn, int32_t(subsetCount(records, 3) + 4));
    QVERIFY(waitForRest(*view));
    view->updatePointSize(1);
    view->updateTriStepSize(QStringLiteral("100000"));
    lookDown(*view, -120.5, 43.75, 9.0);
    for (int mode : {GLWidget::kOptNone, GLWidget::kOptCulling}) {
        view->updateOptDisplayMode(mode);
        const QImage settled = renderImage(*view);
        const int32_t drawn = view->nDrawn;
        if (mode == GLWidget::kOptNone)
            QCOMPARE(drawn, int32_t(records + 4));
        view->drawPath = GLWidget::DrawPath::PerVertex;
        const QImage reference = renderImage(*view);
        view->drawPath = GLWidget::DrawPath::Arrays;
        QCOMPARE(drawn, view->nDrawn);
        QVERIFY(drawn > int32_t(records / 2));
        QVERIFY(countColor(reference, Qt::blue, 20) > 1000);
        QCOMPARE(differingPixels(settled, reference), 0);
    }
}

void TestMovingFrames::wheelZoomDrawsTheSubset()
{
    std::unique_ptr<GLWidget> view = makeView(m_scene, kBudget);
    QVERIFY(view);
    QVERIFY(waitForRest(*view));
    sendWheel(view.get(), 120);
    paintPending();
    QVERIFY(view->showsSubset());
    QCOMPARE(view->nDrawn, kSubset);
    QVERIFY(waitForRest(*view));
    QCOMPARE(view->nDrawn, kAll);
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
    // 20,000 converted points with the view's own budget.
    const TestScene scene = makeScene(200, 100);
    const int32_t all = 200 * 100 + 4;
    std::unique_ptr<GLWidget> view = makeView(scene, SubsetBudget::kInitialRecords);
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

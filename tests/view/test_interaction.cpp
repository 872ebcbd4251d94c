// Mouse, wheel and drawing switches of the view: which presses start which
// mover, when the view repaints, how one wheel notch is animated, and how
// input that arrives while a frame is drawn is merged into the next one.

#include "tests/support/viewtestscene.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWheelEvent>
#include <vector>

using namespace veltrane;

namespace {
// Input only asks for a frame: this runs the event loop until every frame
// asked for (a zoom animation included) has been painted.
void settle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5000);
}

void sendWheel(QWidget *widget, int delta)
{
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(pos, widget->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

void fillFrameRing(GLWidget &view, int ms)
{
    for (int i = 0; i < 20; ++i)
        view.recordFrameTime(ms);
}

// What the X server shows of the view, without painting it.
QImage onScreen(GLWidget &view)
{
    QCoreApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
}

// A move event with the given buttons held, delivered straight to the view.
void sendMove(QWidget *widget, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

int countAxisRed(const QImage &image)
{
    return countColor(image, Qt::red, 10);
}
}  // namespace

class TestInteraction : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showingTheViewPaintsOneFrame();
    void ctrlRightPressStartsNothing();
    void rightPressDuringLeftDragSwitchesToPanning();
    void leftDragTurnsTheCameraAndReportsIt();
    void middlePressRetargetsWithoutChangingTheState();
    void middleClickTargetsWhatIsDrawn_data();
    void middleClickTargetsWhatIsDrawn();
    void wheelIsIgnoredWhileDragging();
    void wheelNotchIsAnimatedByTheFrameRate_data();
    void wheelNotchIsAnimatedByTheFrameRate();
    void movesArrivingDuringAFrameAreMergedIntoTheNext();
    void notchesArrivingBeforeAFrameKeepTheirTotalZoom();
    void drawingSwitchShowsOnlyAtTheNextRepaint();
    void drawingSwitchesToggleWhateverTheState();
    void middleClickInATurnedViewFindsThePointsHeight_data();
    void middleClickInATurnedViewFindsThePointsHeight();
    void keysTurnZoomAndFitTheView();
    void overlayTextStandsOutOnAWhiteBackground();

private:
    TestScene m_scene;
    std::unique_ptr<GLWidget> m_view;
};

void TestInteraction::init()
{
    m_scene = makeScene(4, 4);
    m_view = makeShownView(m_scene);
    QVERIFY(m_view);
    lookDown(*m_view, -120.5, 43.75, 20.0);
}

void TestInteraction::cleanup()
{
    m_view.reset();
}

// The window system exposes a newly mapped window twice; one frame serves
// both. Another expose at the same size later still paints.
void TestInteraction::showingTheViewPaintsOneFrame()
{
    settle();
    QCOMPARE(m_view->framesPresented(), 1);
    QExposeEvent expose(QRegion(m_view->rect()));
    QCoreApplication::sendEvent(m_view->windowHandle(), &expose);
    QCOMPARE(m_view->framesPresented(), 2);
}

void TestInteraction::ctrlRightPressStartsNothing()
{
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    QSignalSpy changed(m_view.get(), SIGNAL(viewChanged()));
    QTest::mousePress(m_view.get(), Qt::RightButton, Qt::ControlModifier, QPoint(100, 100));
    QCOMPARE(m_view->iMouseState, 1);
    QVERIFY(!m_view->moverController.hasActiveMover());
    QVERIFY(!m_view->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(painted.count(), 0);
    QCOMPARE(changed.count(), 0);
    QTest::mouseRelease(m_view.get(), Qt::RightButton, Qt::ControlModifier, QPoint(100, 100));
}

void TestInteraction::rightPressDuringLeftDragSwitchesToPanning()
{
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    QSignalSpy changed(m_view.get(), SIGNAL(viewChanged()));
    QTest::mousePress(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QCOMPARE(m_view->iMouseState, 2);
    QCOMPARE(m_view->moverController.activeMoverId(), 3);
    QCOMPARE(m_view->cursor().shape(), Qt::ClosedHandCursor);
    QCOMPARE(painted.count(), 0);  // asked for, not yet painted
    settle();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(changed.count(), 1);

    QTest::mousePress(m_view.get(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
    QCOMPARE(m_view->iMouseState, 3);
    QCOMPARE(m_view->moverController.activeMoverId(), 1);
    QCOMPARE(m_view->cursor().shape(), Qt::SizeAllCursor);

    // Dragging now pans: the target moves, the distance stays.
    const GLC_Vector3d target = m_view->viewport.cameraHandle()->target();
    sendMove(m_view.get(), QPoint(240, 200), Qt::LeftButton | Qt::RightButton);
    QVERIFY(m_view->viewport.cameraHandle()->target() != target);
    QCOMPARE(m_view->viewport.cameraHandle()->eye().z(), 20.0);

    QTest::mouseRelease(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(240, 200));
    QCOMPARE(m_view->iMouseState, 1);
    QVERIFY(!m_view->moverController.hasActiveMover());
    QCOMPARE(m_view->cursor().shape(), Qt::ArrowCursor);  // own cursor unset
}

void TestInteraction::leftDragTurnsTheCameraAndReportsIt()
{
    QTest::mousePress(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    QSignalSpy changed(m_view.get(), SIGNAL(viewChanged()));
    const GLC_Camera &cam = *m_view->viewport.cameraHandle();
    const GLC_Vector3d eye = cam.eye();
    sendMove(m_view.get(), QPoint(260, 200), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QVERIFY(cam.eye() != eye);  // the camera turns with the event itself
    QVERIFY(qAbs(cam.distEyeTarget() - 20.0) < 1e-9);
    settle();
    QCOMPARE(painted.count(), 1);
    QTest::mouseRelease(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(260, 200));
    settle();
    QCOMPARE(painted.count(), 2);  // the release repaints
    QCOMPARE(changed.count(), 1);

    // Idle moves go to the widget manager, which ignores them: no repaint.
    sendMove(m_view.get(), QPoint(150, 150), Qt::NoButton);
    settle();
    QCOMPARE(painted.count(), 2);
    // A left release with nothing running is the manager's too.
    QTest::mouseRelease(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    settle();
    QCOMPARE(painted.count(), 2);
}

void TestInteraction::middlePressRetargetsWithoutChangingTheState()
{
    // Over the background the depth is 1.0 and the target stays.
    const GLC_Vector3d target = m_view->viewport.cameraHandle()->target();
    QTest::mousePress(m_view.get(), Qt::MiddleButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(m_view->iMouseState, 1);
    QCOMPARE(m_view->moverController.activeMoverId(), 4);
    QVERIFY(!m_view->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(m_view->viewport.cameraHandle()->target(), target);
    settle();
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    sendMove(m_view.get(), QPoint(40, 40), Qt::MiddleButton);
    settle();
    QCOMPARE(painted.count(), 0);  // handed to the widget manager
    QTest::mouseRelease(m_view.get(), Qt::MiddleButton, Qt::NoModifier, QPoint(40, 40));
    QVERIFY(!m_view->moverController.hasActiveMover());
    settle();
    QCOMPARE(painted.count(), 1);

    // Over the base map (depth testing on) the target moves to the map
    // point under the cursor, height included.
    m_view->bDrawBaseMap = true;
    m_view->updateGL();
    const double mapZ = -1000.0 * kTestScaleZ;
    const QPoint onMap = pixelOf(*m_view, -122.0, 44.0, mapZ);
    QTest::mousePress(m_view.get(), Qt::MiddleButton, Qt::NoModifier, onMap);
    const GLC_Vector3d picked = m_view->viewport.cameraHandle()->target();
    QVERIFY2(qAbs(picked.x() + 122.0) < 0.05 && qAbs(picked.y() - 44.0) < 0.05,
             qPrintable(QStringLiteral("%1 %2").arg(picked.x()).arg(picked.y())));
    QVERIFY(qAbs(picked.z() - mapZ) < 1e-3);
    QTest::mouseRelease(m_view.get(), Qt::MiddleButton, Qt::NoModifier, onMap);
}

void TestInteraction::middleClickTargetsWhatIsDrawn_data()
{
    QTest::addColumn<bool>("tilted");
    QTest::addColumn<bool>("baseMap");
    QTest::addColumn<bool>("afterCapture");
    QTest::newRow("from above") << false << false << false;
    QTest::newRow("tilted") << true << false << false;
    QTest::newRow("tilted, base map") << true << true << false;
    QTest::newRow("after an off-screen render") << false << false << true;
}

// Wherever data is drawn under the cursor the target lands on it, height
// included to the metre; over the background nothing moves and the overlay
// says so.
void TestInteraction::middleClickTargetsWhatIsDrawn()
{
    QFETCH(bool, tilted);
    QFETCH(bool, baseMap);
    QFETCH(bool, afterCapture);
    GLC_Camera *camera = m_view->viewport.cameraHandle();
    if (tilted) {
        camera->setCam(GLC_Vector3d(-120.5, 36.0, 6.0), GLC_Vector3d(-120.5, 43.75, 0.0), GLC_Vector3d(0, 0, 1));
        m_view->viewport.setDistMinAndMax(m_view->boundingBox);
    }
    m_view->bDrawBaseMap = baseMap;
    if (afterCapture)
        renderImage(*m_view);
    m_view->updateGL();

    const auto click = [this](const QPoint &pixel) {
        QTest::mousePress(m_view.get(), Qt::MiddleButton, Qt::NoModifier, pixel);
        QTest::mouseRelease(m_view.get(), Qt::MiddleButton, Qt::NoModifier, pixel);
    };
    GLC_Vector3d target;
    if (!baseMap) {
        const PointRecord &p = (*m_scene.input)[6];
        click(pixelOf(*m_view, p.x, p.y, p.h * kTestScaleZ));
        QVERIFY(!m_view->bLastClickOnBackground);
        target = camera->target();
        QVERIFY2(qAbs(target.x() - p.x) < 1e-5 && qAbs(target.y() - p.y) < 1e-5,
                 qPrintable(QStringLiteral("%1 %2").arg(target.x()).arg(target.y())));
        QVERIFY2(qAbs(target.z() / kTestScaleZ - p.h) < 1.0, qPrintable(QString::number(target.z() / kTestScaleZ)));
    } else {
        // Point sprites are flat at their vertex's depth and the sloping map
        // covers part of them, so the map is clicked where no point is.
        const double mapZ = -1000.0 * kTestScaleZ;
        click(pixelOf(*m_view, -118.0, 45.0, mapZ));
        target = camera->target();
        QVERIFY(!m_view->bLastClickOnBackground);
        QVERIFY(qAbs(target.x() + 118.0) < 0.05 && qAbs(target.y() - 45.0) < 0.05);
        QVERIFY2(qAbs(target.z() / kTestScaleZ + 1000.0) < 1.0, qPrintable(QString::number(target.z() / kTestScaleZ)));
    }

    m_view->updateGL();
    target = camera->target();
    click(QPoint(2, 2));
    QVERIFY(m_view->bLastClickOnBackground);
    QCOMPARE(camera->target(), target);
}

void TestInteraction::wheelIsIgnoredWhileDragging()
{
    const double dist = m_view->viewport.cameraHandle()->distEyeTarget();
    QTest::mousePress(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    settle();
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    sendWheel(m_view.get(), 120);
    settle();
    QCOMPARE(painted.count(), 0);
    QCOMPARE(m_view->viewport.cameraHandle()->distEyeTarget(), dist);
    QTest::mouseRelease(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    sendWheel(m_view.get(), 120);
    settle();
    QVERIFY(qAbs(m_view->viewport.cameraHandle()->distEyeTarget() - dist / 1.5) < 1e-9);
}

void TestInteraction::wheelNotchIsAnimatedByTheFrameRate_data()
{
    QTest::addColumn<int>("frameMs");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("fps");
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<int>("subSteps");
    QTest::addColumn<double>("distanceRatio");
    QTest::newRow("40 ms, forward") << 40 << 120 << 25 << 8 << 2 << 1.0 / 1.5;
    QTest::newRow("10 ms, backward") << 10 << -120 << 100 << 20 << 5 << 1.5;
    QTest::newRow("500 ms, zero delta zooms out") << 500 << 0 << 2 << 1 << 1 << 1.5;
}

void TestInteraction::wheelNotchIsAnimatedByTheFrameRate()
{
    QFETCH(int, frameMs);
    QFETCH(int, delta);
    fillFrameRing(*m_view, frameMs);
    QTEST(m_view->iFps, "fps");
    QTEST(m_view->iZoomSteps, "zoomSteps");
    const double dist = m_view->viewport.cameraHandle()->distEyeTarget();
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    sendWheel(m_view.get(), delta);
    settle();
    QTEST(int(painted.count()), "subSteps");
    QFETCH(double, distanceRatio);
    QVERIFY(qAbs(m_view->viewport.cameraHandle()->distEyeTarget() / dist - distanceRatio) < 1e-9);
    // Every sub-step refits the depth range to the box.
    QVERIFY(m_view->viewport.farDistance() > m_view->viewport.cameraHandle()->distEyeTarget());
}

void TestInteraction::movesArrivingDuringAFrameAreMergedIntoTheNext()
{
    // A second view with the same camera takes the same moves one at a time:
    // its camera is what applying every move gives.
    auto reference = makeShownView(m_scene);
    QVERIFY(reference);
    lookDown(*reference, -120.5, 43.75, 20.0);
    const QPoint start(200, 200);
    QTest::mousePress(m_view.get(), Qt::LeftButton, Qt::NoModifier, start);
    QTest::mousePress(reference.get(), Qt::LeftButton, Qt::NoModifier, start);
    settle();

    constexpr int kMoves = 12;
    const auto movePos = [&start](int k) { return start + QPoint(7 * k, -3 * k); };
    std::vector<GLC_Vector3d> paintedEyes;
    GLWidget *view = m_view.get();
    connect(view, &GLWidget::frustumUpdated, view, [&]() {
        paintedEyes.push_back(view->viewport.cameraHandle()->eye());
        if (paintedEyes.size() > 1)
            return;
        // The moves arrive while this (slow) frame is drawn.
        for (int k = 1; k <= kMoves; ++k) {
            const QPoint pos = movePos(k);
            QCoreApplication::postEvent(view, new QMouseEvent(QEvent::MouseMove, pos, view->mapToGlobal(pos),
                                                              Qt::NoButton, Qt::LeftButton, Qt::NoModifier));
        }
        QThread::msleep(100);
    });
    view->update();
    settle();
    for (int k = 1; k <= kMoves; ++k)
        sendMove(reference.get(), movePos(k), Qt::LeftButton);

    const GLC_Camera &cam = *view->viewport.cameraHandle();
    const GLC_Camera &expected = *reference->viewport.cameraHandle();
    QCOMPARE(int(paintedEyes.size()), 2);
    QCOMPARE(cam.eye(), expected.eye());
    QCOMPARE(cam.target(), expected.target());
    QCOMPARE(cam.upVector(), expected.upVector());
    QCOMPARE(paintedEyes.back(), expected.eye());  // the last frame shows it
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, movePos(kMoves));
}

void TestInteraction::notchesArrivingBeforeAFrameKeepTheirTotalZoom()
{
    fillFrameRing(*m_view, 10);  // fast frames: five sub-steps per notch
    const double dist = m_view->viewport.cameraHandle()->distEyeTarget();
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    for (int notch = 0; notch < 3; ++notch)
        sendWheel(m_view.get(), 120);
    settle();
    // The earlier notches complete at once; only the last one is animated.
    QCOMPARE(painted.count(), 5);
    QVERIFY(qAbs(m_view->viewport.cameraHandle()->distEyeTarget() - dist / (1.5 * 1.5 * 1.5)) < 1e-9);
}

void TestInteraction::drawingSwitchShowsOnlyAtTheNextRepaint()
{
    m_view->bDrawDs1 = m_view->bDrawDs2 = false;
    m_view->bDrawAxis = true;
    lookDown(*m_view, -124.5, 41.5, 8.0);  // the axis origin is at (-125, 41)
    m_view->updateGL();
    const int before = countAxisRed(onScreen(*m_view));
    QVERIFY2(before > 10, qPrintable(QString::number(before)));

    m_view->updateDrawAxis(Qt::Unchecked);
    QVERIFY(!m_view->bDrawAxis);
    QCOMPARE(countAxisRed(onScreen(*m_view)), before);

    // The next interaction repaints: a right drag.
    QTest::mousePress(m_view.get(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
    QTest::mouseRelease(m_view.get(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
    QCOMPARE(countAxisRed(onScreen(*m_view)), 0);

    // A re-rendering slot paints without presenting: still nothing on screen
    // until the next repaint.
    m_view->updateDrawAxis(Qt::Checked);
    m_view->updateColor_ds1(Qt::red);
    QCOMPARE(countAxisRed(onScreen(*m_view)), 0);
    sendWheel(m_view.get(), 120);
    QVERIFY(countAxisRed(onScreen(*m_view)) > 10);
}

void TestInteraction::drawingSwitchesToggleWhateverTheState()
{
    GLWidget &v = *m_view;
    QSignalSpy painted(m_view.get(), SIGNAL(frustumUpdated()));
    v.updateDrawBaseMap(Qt::Checked);
    v.updateDrawBaseMap(Qt::Checked);
    QCOMPARE(v.bDrawBaseMap, false);
    v.updateDraw_ds1(Qt::Checked);
    QCOMPARE(v.bDrawDs1, false);
    v.updateDraw_ds2(Qt::Unchecked);
    QCOMPARE(v.bDrawDs2, false);
    v.updateDrawTris(Qt::Unchecked);
    QCOMPARE(v.bDrawTris, true);
    v.updateDrawLabels_ds1(0);
    v.updateDrawLabels_ds2(0);
    QVERIFY(v.bDrawLabelsDs1 && v.bDrawLabelsDs2);
    v.updateOptDisplayMode(3);
    QCOMPARE(v.iOptMode, 3);
    v.updateLightX(1.5);
    v.updateLightY(-2.0);
    v.updateLightZ(3.0);
    QCOMPARE(v.light.position(), GLC_Vector3d(1.5, -2.0, 3.0));
    v.updateFontSize(QStringLiteral("abc"));
    QCOMPARE(painted.count(), 0);  // none of these repaints
    v.updateFontSize(QStringLiteral("18"));
    QCOMPARE(v.iFontSize, 18);
    QCOMPARE(painted.count(), 1);
}

void TestInteraction::middleClickInATurnedViewFindsThePointsHeight_data()
{
    QTest::addColumn<double>("angle");  // radians about the tilted axis
    QTest::newRow("turned 30 degrees") << 0.52;
    QTest::newRow("turned 50 degrees") << 0.87;
}

// Control points about 1000 m up, seen from a camera turned off the
// vertical: the click's target is the point clicked, its height to the metre.
void TestInteraction::middleClickInATurnedViewFindsThePointsHeight()
{
    QFETCH(double, angle);
    m_view.reset();
    m_scene = makeScene(2, 2);
    for (PointRecord &c : *m_scene.control) {
        c.h += 1000.0;
        c.hTo = c.h;
    }
    m_scene.controlExtent = statsOf(*m_scene.control);
    m_view = makeShownView(m_scene);
    QVERIFY(m_view);
    GLC_Camera *camera = m_view->viewport.cameraHandle();
    lookDown(*m_view, -120.5, 43.75, 30.0);
    camera->rotateAroundTarget(GLC_Vector3d(1, 1, 0).normalized(), angle);
    m_view->viewport.setDistMinAndMax(m_view->boundingBox);
    m_view->updateGL();

    for (const PointRecord &c : *m_scene.control) {
        const QPoint pixel = pixelOf(*m_view, c.x, c.y, c.h * kTestScaleZ);
        QVERIFY2(m_view->rect().contains(pixel), qPrintable(QStringLiteral("%1 %2").arg(pixel.x()).arg(pixel.y())));
        QTest::mousePress(m_view.get(), Qt::MiddleButton, Qt::NoModifier, pixel);
        QTest::mouseRelease(m_view.get(), Qt::MiddleButton, Qt::NoModifier, pixel);
        QVERIFY(!m_view->bLastClickOnBackground);
        const GLC_Vector3d target = camera->target();
        QVERIFY2(qAbs(target.x() - c.x) < 1e-6 && qAbs(target.y() - c.y) < 1e-6,
                 qPrintable(QStringLiteral("%1 %2").arg(target.x()).arg(target.y())));
        QVERIFY2(qAbs(target.z() / kTestScaleZ - c.h) < 1.0,
                 qPrintable(QStringLiteral("%1 for %2").arg(target.z() / kTestScaleZ).arg(c.h)));
        settle();
    }
}

// Left and right turn about the vertical, up and down tilt, + and - zoom by
// one wheel notch each, Home frames the data again from where the camera is.
void TestInteraction::keysTurnZoomAndFitTheView()
{
    settle();
    GLC_Camera *camera = m_view->viewport.cameraHandle();
    const GLC_Vector3d target = camera->target();
    const double distance = camera->distEyeTarget();

    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
        const GLC_Vector3d eye = camera->eye();
        const GLC_Vector3d up = camera->upVector();
        QSignalSpy changed(m_view.get(), SIGNAL(viewChanged()));
        QTest::keyClick(m_view.get(), key);
        settle();
        QVERIFY(!(camera->eye() == eye && camera->upVector() == up));
        QVERIFY((camera->target() - target).length() < 1e-12);
        QVERIFY(qAbs(camera->distEyeTarget() - distance) < 1e-9 * distance);
        QCOMPARE(changed.count(), 1);
    }

    QTest::keyClick(m_view.get(), Qt::Key_Plus);
    settle();
    QVERIFY2(qAbs(camera->distEyeTarget() - distance / 1.5) < 1e-9 * distance,
             qPrintable(QString::number(camera->distEyeTarget())));
    QTest::keyClick(m_view.get(), Qt::Key_Minus);
    settle();
    QVERIFY(qAbs(camera->distEyeTarget() - distance) < 1e-9 * distance);

    // Far off to one side and looking away from the data.
    camera->setCam(GLC_Vector3d(-60.0, 80.0, 5.0), GLC_Vector3d(-60.0, 80.0, 0.0), GLC_Vector3d(0, 1, 0));
    m_view->viewport.setDistMinAndMax(m_view->boundingBox);
    for (const PointRecord &c : *m_scene.control)
        QVERIFY(!m_view->rect().contains(pixelOf(*m_view, c.x, c.y, c.h * kTestScaleZ)));
    QTest::keyClick(m_view.get(), Qt::Key_Home);
    settle();
    for (const PointRecord &c : *m_scene.control)
        QVERIFY(m_view->rect().contains(pixelOf(*m_view, c.x, c.y, c.h * kTestScaleZ)));
}

// The frame-rate and "Last Click" lines are cyan on the dark backgrounds and
// turn dark on a white one.
void TestInteraction::overlayTextStandsOutOnAWhiteBackground()
{
    const QRect overlay(15, 5, 200, 40);
    m_view->updateColor_bckgrnd(QColor(65, 65, 65));
    m_view->update();
    QVERIFY(countColor(onScreen(*m_view).copy(overlay), Qt::cyan, 60) > 20);

    m_view->updateColor_bckgrnd(Qt::white);
    m_view->update();
    const QImage shown = onScreen(*m_view).copy(overlay);
    QCOMPARE(countColor(shown, Qt::cyan, 60), 0);
    QVERIFY(countColor(shown, QColor(0, 90, 90), 60) > 20);
}

QTEST_MAIN(TestInteraction)
#include "test_interaction.moc"

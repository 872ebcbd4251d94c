#include "view/glwidget.h"

#include "view/framerate.h"
#include "view/glc/glc_factory.h"
#include "view/viewmarks.h"

#include "engine/types/basemap.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLFramebufferObject>
#include <QPixmap>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <limits>

using namespace veltrane;

namespace {
// The frame times of every view of the process, so that the zoom animation
// follows the machine's speed whichever view is painting.
FrameTimeRing &processFrameTimes()
{
    static FrameTimeRing ring;
    return ring;
}

constexpr int kDefaultFontSize = 12;  // pixels, until the set-up gives one
// One press of an arrow key turns the camera by this much, radians (5 degrees).
constexpr double kKeyTurn = 0.08726646259971647;
// The wheel delta of one notch, which + and - stand for.
constexpr int kNotchDelta = 120;

QColor moverMarkColor()
{
    return QColor::fromRgbF(1.0, 0.11372, 0.11372, 0.8);
}

bool parseInt(const QString &text, int32_t &value)
{
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (ok)
        value = parsed;
    return ok;
}
}  // namespace

GLWidget::GLWidget(QWidget *parent)
    : QGLWidget(parent), light(Qt::white), world(), iMouseState(kMouseIdle), collection(), widgetManager(&viewport),
      viewport(this), moverController(), iZoomSteps(20), ptsDs1(nullptr), ptsDs2(nullptr), tris(nullptr), nTris(0),
      nDs2(0), iVectorMult(1), iFps(0), nDrawn(0), boundingBox(), iFontSize(kDefaultFontSize), texBaseMap(1),
      bDrawDs1(true), bDrawDs2(true), bDrawBaseMap(false), bDrawAxis(true), bDrawTris(false), bDrawLabelsDs1(false),
      bDrawLabelsDs2(false), colorDs1(Qt::red), colorDs2(Qt::blue), colorTris(Qt::green), bFirstInit(true),
      iLineWidth(3), iPointSize(10), bCaptureMode(false), colorBckgrnd(Qt::black), iOptMode(kOptCulling),
      lightPos(0, 0, 0), material(), statsDs1(), bDrawFrustum(false), bDrawExtents(false), nClipPoints(0), dScaleZ(1e-7)
{
    moverController = GLC_Factory::instance(context()).createDefaultMoverController(moverMarkColor(), &viewport);
    // Deferred: marks moved by several events are drawn in one frame.
    connect(&moverController, SIGNAL(repaintNeeded()), this, SLOT(update()));
    sceneBuffers = std::make_unique<SceneBuffers>();
    // A click gives the view the keyboard for the arrows, + and -.
    setFocusPolicy(Qt::StrongFocus);
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(kSettleMs);
    connect(&settleTimer, &QTimer::timeout, this, &GLWidget::cameraRested);
    // Each turn of the event loop draws some batches of the full frame,
    // after the input that came meanwhile.
    fullFrameTurn.setSingleShot(true);
    fullFrameTurn.setInterval(0);
    connect(&fullFrameTurn, &QTimer::timeout, this, &GLWidget::drawFullFrameTurn);
}

void GLWidget::noteCameraMoving()
{
    abandonFullFrame();
    settleTimer.start();
}

void GLWidget::cameraRested()
{
    // The motion is over: the next one may draw another subset.
    motionUnderWay = false;
    // Only a subset on screen needs the full frame; after a small data set's
    // frames nothing is left to draw.
    if (subsetShown)
        startFullFrame();
}

GLWidget::~GLWidget()
{
    // The buffer objects go with their context.
    if (isValid())
        makeCurrent();
    fullFrame.reset();
    sceneBuffers.reset();
    world = GLC_World();
}

void GLWidget::setDataSet1(PointArray points)
{
    abandonFullFrame();
    dataDs1 = std::move(points);
    ptsDs1 = dataDs1 && !dataDs1->empty() ? dataDs1->data() : nullptr;
    // A new array may reuse the address of the old one: build afresh.
    sceneBuffers->ds1.clear();
    sceneBuffers->tin.clear();
    outsideIndicesKnown = false;
}

void GLWidget::setDataSet2(PointArray points, uint32_t count)
{
    abandonFullFrame();
    dataDs2 = std::move(points);
    ptsDs2 = dataDs2 && !dataDs2->empty() ? dataDs2->data() : nullptr;
    nDs2 = count;
    sceneBuffers->ds2.clear();
    outsideIndicesKnown = false;
}

void GLWidget::setTriangles(TriangleArray triangles, uint32_t count)
{
    abandonFullFrame();
    dataTris = std::move(triangles);
    tris = dataTris && !dataTris->empty() ? dataTris->data() : nullptr;
    nTris = count;
    sceneBuffers->tin.clear();
}

namespace {
// A count limited to the array it refers to, when the view holds that array.
template <typename T>
uint32_t boundedCount(const T *raw, const std::shared_ptr<const std::vector<T>> &owner, int64_t count)
{
    if (!raw || count <= 0)
        return 0;
    if (owner && raw == owner->data())
        return uint32_t(std::min<int64_t>(count, int64_t(owner->size())));
    return uint32_t(count);
}
}  // namespace

uint32_t GLWidget::drawableCountDs1() const
{
    return boundedCount(ptsDs1, dataDs1, statsDs1.count);
}

uint32_t GLWidget::drawableCountDs2() const
{
    return boundedCount(ptsDs2, dataDs2, nDs2);
}

uint32_t GLWidget::drawableTriangleCount() const
{
    return boundedCount(tris, dataTris, nTris);
}

void GLWidget::recordFrameTime(int elapsedMs)
{
    const FrameRate rate = updateFrameRate(processFrameTimes(), elapsedMs);
    iFps = rate.fps;
    iZoomSteps = rate.zoomSteps;
}

void GLWidget::initializeGL()
{
    glEnable(GL_POINT_SMOOTH);

    // Every off-screen rendering initialises the same context again: free the
    // texture of the previous load before binding the new one.
    if (!bFirstInit && texBaseMap != 0)
        deleteTexture(texBaseMap);
    const QPixmap baseMap(QString::fromLatin1(kBaseMapFile));
    texBaseMap = baseMap.isNull() ? 0 : bindTexture(baseMap, GL_TEXTURE_2D, GL_RGBA);

    if (bFirstInit) {
        viewport.cameraHandle()->setDefaultUpVector(GLC_Vector3d(0, 0, 1));
        viewport.reframe(boundingBox);
        viewport.setDistMinAndMax(boundingBox);
        // The sizes without the slots' re-render: the frame this
        // initialisation belongs to follows at once and draws with them, and
        // with a large data set every needless frame costs seconds.
        viewport.updatePointSize(double(iPointSize));
        viewport.updateLineWidth(double(iLineWidth));
        updateColor_bckgrnd(colorBckgrnd);
        bFirstInit = false;
    }
}

void GLWidget::resizeGL(int w, int h)
{
    abandonFullFrame();
    viewport.setWinGLSize(w, h);
}

const std::vector<uint32_t> &GLWidget::outsideDs2()
{
    if (!outsideIndicesKnown) {
        outsideIndicesDs2 = outsideRecords(ptsDs2, drawableCountDs2(), ptsDs1,
                                           boundedCount(ptsDs1, dataDs1, std::numeric_limits<int32_t>::max()));
        outsideIndicesKnown = true;
    }
    return outsideIndicesDs2;
}

QPixmap GLWidget::renderOffScreen(int w, int h)
{
    // Text drawn by OpenGL calls does not reach the off-screen picture: it is
    // painted into the picture afterwards, with the camera of the capture.
    renderingOffScreen = true;
    QPixmap picture = renderPixmap(w, h, false);
    renderingOffScreen = false;
    makeCurrent();
    // Binds the window's framebuffer and makes the toolkit read the binding
    // back from OpenGL instead of trusting its stale record.
    QOpenGLFramebufferObject::bindDefault();
    const std::vector<SceneText> texts = sceneTexts();
    if (!picture.isNull() && !texts.empty()) {
        QImage image = picture.toImage();
        paintSceneTexts(image, texts);
        picture = QPixmap::fromImage(image);
    }
    return picture;
}

void GLWidget::fitView()
{
    finishZoom();
    viewport.reframe(boundingBox);
    viewport.setDistMinAndMax(boundingBox);
    update();
    emit viewChanged();
}

void GLWidget::reRender(bool whole)
{
    // The frame on screen no longer shows the view's settings.
    exposeFrameCurrent = false;
    if (!isValid())
        return;
    makeCurrent();
    reRenderingThinned = !whole;
    reRenderingWhole = whole;
    paintGL();
    reRenderingThinned = false;
    reRenderingWhole = false;
}

// ---- slots -----------------------------------------------------------------

void GLWidget::updateColor_ds1(const QColor &color)
{
    colorDs1 = color;
    reRender();
}

void GLWidget::updateColor_ds2(const QColor &color)
{
    colorDs2 = color;
    reRender();
}

void GLWidget::updateColor_bckgrnd(const QColor &bkColor)
{
    if (!isValid())
        return;
    makeCurrent();
    viewport.setBackgroundColor(bkColor);
    qglClearColor(bkColor);
}

void GLWidget::updateColor_Tris(const QColor &color)
{
    colorTris = color;
    reRender();
}

void GLWidget::updatePointSize(int value)
{
    iPointSize = value;
    if (isValid()) {
        makeCurrent();
        viewport.updatePointSize(double(value));
    }
    reRender();
}

void GLWidget::updateLineWidth(int value)
{
    iLineWidth = value;
    if (isValid()) {
        makeCurrent();
        viewport.updateLineWidth(double(value));
    }
    reRender();
}

void GLWidget::updateTriStepSize(const QString &stepsize)
{
    if (parseInt(stepsize, iVectorMult))
        reRender();
}

void GLWidget::updateFontSize(const QString &fontsize)
{
    if (parseInt(fontsize, iFontSize))
        reRender();
}

// The drawing switches ignore the state and toggle: the set-up copies each
// box's state into its flag before connecting it.
void GLWidget::updateDrawBaseMap(int)
{
    bDrawBaseMap = !bDrawBaseMap;
}

void GLWidget::updateDraw_ds1(int)
{
    bDrawDs1 = !bDrawDs1;
}

void GLWidget::updateDraw_ds2(int)
{
    bDrawDs2 = !bDrawDs2;
}

void GLWidget::updateDrawAxis(int)
{
    bDrawAxis = !bDrawAxis;
}

void GLWidget::updateDrawTris(int)
{
    bDrawTris = !bDrawTris;
}

void GLWidget::updateDrawLabels_ds1(int)
{
    bDrawLabelsDs1 = !bDrawLabelsDs1;
}

void GLWidget::updateDrawLabels_ds2(int)
{
    bDrawLabelsDs2 = !bDrawLabelsDs2;
}

void GLWidget::updateOptDisplayMode(int mode)
{
    iOptMode = mode;
}

void GLWidget::updateLightX(double value)
{
    lightPos.setX(value);
    light.setPosition(lightPos);
}

void GLWidget::updateLightY(double value)
{
    lightPos.setY(value);
    light.setPosition(lightPos);
}

void GLWidget::updateLightZ(double value)
{
    lightPos.setZ(value);
    light.setPosition(lightPos);
}

// ---- mouse and wheel ---------------------------------------------------------
//
// Input changes the camera at once but only asks for a repaint: the toolkit
// keeps at most one pending, so events that arrive while a frame is drawn are
// all shown by the next one, whose camera is the final one.

void GLWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->modifiers() != Qt::NoModifier)
        return;
    switch (event->button()) {
    case Qt::RightButton:
        moverController.setActiveMover(GLC_PanMoverId, event);
        setCursor(Qt::SizeAllCursor);
        iMouseState = kMousePanning;
        break;
    case Qt::MiddleButton: {
        // After a buffer swap the depth of the frame on screen is undefined
        // (the software renderer drops it at a window's first swap): the
        // frame is drawn again, unseen, for the pick to read. Picked with the
        // camera of the frame on screen, before the target mover moves it to
        // its own, coarser reading of the depth.
        reRender(true);
        GLC_Camera *camera = viewport.cameraHandle();
        GLC_Vector3d picked = camera->target();
        bLastClickOnBackground = !pickScenePoint(event->pos(), picked);
        moverController.setActiveMover(GLC_TargetMoverId, event);
        // Over the background the target stays where it was.
        camera->translate(picked - camera->target());
        break;
    }
    case Qt::LeftButton:
        moverController.setActiveMover(GLC_TrackBallMoverId, event);
        setCursor(Qt::ClosedHandCursor);
        iMouseState = kMouseRotating;
        break;
    default:
        return;
    }
    noteCameraMoving();
    update();
    emit viewChanged();
}

void GLWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (iMouseState != kMouseIdle) {
        if (moverController.move(event)) {
            noteCameraMoving();
            update();
            emit viewChanged();
        }
        return;
    }
    if (widgetManager.handle()->mouseMoveEvent(event) != GLC_3DWidgetManagerHandle::Ignored)
        update();
}

void GLWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && iMouseState == kMouseIdle) {
        if (widgetManager.handle()->mouseReleaseEvent(event) == GLC_3DWidgetManagerHandle::RepaintNeeded)
            update();
        return;
    }
    moverController.setNoMover();
    unsetCursor();
    iMouseState = kMouseIdle;
    update();
}

// One notch zooms by its full factor in n sub-steps, one per frame. A notch
// that comes before the last one has been shown completes that one at once,
// so the total zoom always matches the notches.
void GLWidget::wheelEvent(QWheelEvent *event)
{
    if (iMouseState != kMouseIdle)
        return;
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const int subSteps = zoomSubSteps(iZoomSteps);
    startZoom(subSteps, zoomSubStepFactor(subSteps, delta));
}

void GLWidget::keyPressEvent(QKeyEvent *event)
{
    GLC_Camera *camera = viewport.cameraHandle();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        camera->rotateAroundTarget(camera->defaultUpVector().normalized(),
                                   event->key() == Qt::Key_Left ? kKeyTurn : -kKeyTurn);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        camera->rotateAroundTarget(camera->sideVector(), event->key() == Qt::Key_Up ? kKeyTurn : -kKeyTurn);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus: {
        const int subSteps = zoomSubSteps(iZoomSteps);
        startZoom(subSteps, zoomSubStepFactor(subSteps, event->key() == Qt::Key_Minus ? -kNotchDelta : kNotchDelta));
        emit viewChanged();
        return;
    }
    case Qt::Key_Home:
        fitView();
        return;
    default:
        QGLWidget::keyPressEvent(event);
        return;
    }
    viewport.setDistMinAndMax(boundingBox);
    noteCameraMoving();
    update();
    emit viewChanged();
}

void GLWidget::startZoom(int subSteps, double factor)
{
    finishZoom();
    zoomStepsLeft = subSteps;
    zoomStepFactor = factor;
    update();
}

void GLWidget::advanceZoom()
{
    if (zoomStepsLeft <= 0)
        return;
    viewport.cameraHandle()->zoom(zoomStepFactor);
    viewport.setDistMinAndMax(GLC_BoundingBox(boundingBox));
    --zoomStepsLeft;
    noteCameraMoving();
}

void GLWidget::finishZoom()
{
    while (zoomStepsLeft > 0)
        advanceZoom();
}

void GLWidget::showEvent(QShowEvent *event)
{
    QGLWidget::showEvent(event);
    if (QWindow *window = windowHandle()) {
        window->removeEventFilter(this);
        window->installEventFilter(this);
    }
}

bool GLWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Expose || watched != windowHandle())
        return QGLWidget::eventFilter(watched, event);
    // The window paints this view while it handles the expose.
    exposeInProgress = true;
    watched->event(event);
    exposeInProgress = false;
    return true;
}

void GLWidget::paintEvent(QPaintEvent *event)
{
    if (exposeInProgress) {
        // Mapping a window brings two exposes in one turn of the event loop,
        // and a frame of a large data set takes seconds on a software
        // renderer: a frame painted for an expose serves the exposes that
        // follow it in the same turn, while the size stays. (A later expose
        // may follow a move that lost the window's contents: it paints.)
        if (exposeFrameCurrent && exposeFrameSize == size())
            return;
        exposeFrameCurrent = true;
        exposeFrameSize = size();
        QMetaObject::invokeMethod(
            this, [this]() { exposeFrameCurrent = false; }, Qt::QueuedConnection);
    } else {
        exposeFrameCurrent = false;
    }
    advanceZoom();
    const int painted = paintedFrames;
    QElapsedTimer clock;
    clock.start();
    paintingOnScreen = true;
    QGLWidget::paintEvent(event);
    paintingOnScreen = false;
    if (paintedFrames != painted) {
        // What a thinned frame costs on screen, buffer swap included, sets
        // the budget of the next motions.
        if (frameIsSubset)
            movingBudget.noteFrame(frameSubsetRecords, double(clock.nsecsElapsed()) / 1e6);
        else
            subsetShown = false;
    }
    ++presentedFrames;
    emit framePresented();
    if (zoomStepsLeft > 0)
        update();
}

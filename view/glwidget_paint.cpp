// One frame of the view: the scene in OpenGL 1.x (the data layers from
// vertex arrays, see scenebuffers.h), then the overlay text, then (frustum
// viewer) the data box and the main frustum.

#include "view/glwidget.h"

#include "view/basemap.h"
#include "view/viewmarks.h"
#include "view/windowpixels.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QOpenGLContext>
#include <QPainter>

#include <algorithm>

using namespace veltrane;

namespace {
// Axis cross origin (height in height units) and arm length in scene units.
constexpr double kAxisX = -125.0;
constexpr double kAxisY = 41.0;
constexpr double kAxisHeight = 30.0;
constexpr double kAxisArm = 1.0;
constexpr int kOverlayFontPixels = 12;
constexpr int kOverlayX = 20;
constexpr int kOverlayFpsY = 20;
constexpr int kOverlayClickY = 40;
// A record outside the network gets a cross whose arms reach this far beyond
// its point, pixels, drawn this wide.
constexpr double kOutsideCrossReach = 4.0;
constexpr float kOutsideCrossWidth = 2.0f;
constexpr int kOverlaySubsetY = 60;

void setColor(const QColor &c)
{
    glColor4ub(GLubyte(c.red()), GLubyte(c.green()), GLubyte(c.blue()), GLubyte(c.alpha()));
}

// Text is drawn as textured quads: fill them even when the frame draws its
// wireframes with GL_LINE, and leave the polygon mode as it was.
class FilledTextScope {
public:
    FilledTextScope()
    {
        glPushAttrib(GL_POLYGON_BIT);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    ~FilledTextScope() { glPopAttrib(); }
    FilledTextScope(const FilledTextScope &) = delete;
    FilledTextScope &operator=(const FilledTextScope &) = delete;
};

QFont fontOfPixelSize(int pixels)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels > 0 ? pixels : 1);
    return font;
}
}  // namespace

void GLWidget::paintGL()
{
    // On screen, in a slot's re-render and while the camera moves, a large
    // data set is thinned; a capture, the pick's frame and the reference
    // path always draw everything.
    const bool subsetAllowed = !bCaptureMode && !reRenderingWhole && drawPath == DrawPath::Arrays &&
                               (paintingOnScreen || reRenderingThinned || settleTimer.isActive());
    // Whatever paints now replaces a full frame still being drawn in batches.
    abandonFullFrame();
    QElapsedTimer frameTimer;
    frameTimer.start();
    DrawBatches layers;
    beginFrame(subsetAllowed, layers);
    runBatches(layers);
    finishFrame(int(frameTimer.elapsed()));
}

void GLWidget::beginFrame(bool subsetAllowed, DrawBatches &layers, uint32_t batchVertices)
{
    ++paintedFrames;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Until the base map turns depth testing on, every fragment passes but
    // still writes its depth, so the middle-button pick finds what is drawn.
    if (!glIsEnabled(GL_DEPTH_TEST)) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_ALWAYS);
    }

    // The light is placed in eye coordinates (identity model-view).
    viewport.glExecuteCam();
    glLoadIdentity();
    glEnable(light.lightId());
    light.glExecute(GL_COMPILE_AND_EXECUTE);
    material.glExecute();
    viewport.glExecuteCam();

    nDrawn = 0;

    if (bCaptureMode) {
        glPointSize(GLfloat(iPointSize));
        glLineWidth(GLfloat(iLineWidth));
        glEnable(GL_POINT_SMOOTH);
    }

    if (iOptMode != kOptNone)
        computeFrustum();

    const uint32_t nDs1 = drawableCountDs1();
    const uint32_t nDs2Drawn = drawableCountDs2();

    if (subsetAllowed && !motionUnderWay)
        movingBudget.adapt();
    const uint32_t budget = movingBudget.records();
    strideDs1 = subsetAllowed && bDrawDs1 ? subsetStride(nDs1, budget) : 1;
    strideDs2 = subsetAllowed && bDrawDs2 ? subsetStride(nDs2Drawn, budget) : 1;
    frameIsSubset = strideDs1 > 1 || strideDs2 > 1;
    // One motion keeps one budget, so its subset stays the same throughout.
    motionUnderWay = motionUnderWay || frameIsSubset;
    frameSubsetRecords =
        (bDrawDs1 ? subsetCount(nDs1, strideDs1) : 0) + (bDrawDs2 ? subsetCount(nDs2Drawn, strideDs2) : 0);

    if (bDrawBaseMap)
        drawBaseMap();
    if (drawPath == DrawPath::PerVertex) {
        if (bDrawTris)
            layers.push_back([this, nDs1]() { drawTriangles(ptsDs1, nDs1, tris, drawableTriangleCount(), colorTris); });
        if (bDrawDs1)
            layers.push_back([this, nDs1]() {
                drawPoints(ptsDs1, nDs1, colorDs1);
                drawVectors(ptsDs1, nDs1, colorDs1);
            });
        if (bDrawDs2)
            layers.push_back([this, nDs2Drawn]() {
                drawPoints(ptsDs2, nDs2Drawn, colorDs2);
                drawVectors(ptsDs2, nDs2Drawn, colorDs2);
            });
    } else {
        sceneBuffers->useContext(QOpenGLContext::currentContext());
        if (bDrawTris)
            submitTriangles(colorTris, layers, batchVertices);
        if (bDrawDs1)
            submitDataSet(sceneBuffers->ds1, ptsDs1, nDs1, colorDs1, strideDs1, layers, batchVertices);
        if (bDrawDs2)
            submitDataSet(sceneBuffers->ds2, ptsDs2, nDs2Drawn, colorDs2, strideDs2, layers, batchVertices);
    }
}

void GLWidget::finishFrame(int elapsedMs)
{
    QElapsedTimer clock;
    clock.start();
    if (bDrawDs2)
        drawOutsideMarkers(colorDs2);
    if (bDrawResiduals)
        drawResiduals();
    if (bDrawLabelsDs1)
        drawLabels(ptsDs1, drawableCountDs1(), colorDs1, strideDs1);
    if (bDrawLabelsDs2)
        drawLabels(ptsDs2, drawableCountDs2(), colorDs2, strideDs2);
    if (!bCaptureMode && frameIsSubset) {
        subsetShown = true;
        // A picture with nothing moving has no camera change to wait for.
        if (!settleTimer.isActive())
            settleTimer.start();
    }
    if (bDrawAxis)
        drawAxis(kAxisX, kAxisY, kAxisHeight * dScaleZ);

    if (!bCaptureMode) {
        drawOverlay(elapsedMs + int(clock.elapsed()), frameIsSubset);
        moverController.drawActiveMoverMark(viewport.viewHSize(), viewport.viewVSize());
    }
    if (bDrawExtents)
        drawExtentsBox(statsDs1);
    if (bDrawFrustum && frustum)
        drawFrustum(*frustum);
    if (bCaptureMode) {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
    }
}

void GLWidget::startFullFrame()
{
    if (!isValid() || !isVisible())
        return;
    makeCurrent();
    QElapsedTimer clock;
    clock.start();
    fullFrame = std::make_unique<FullFrame>();
    beginFrame(false, fullFrame->steps, kTurnBatchVertices);
    fullFrame->drawingMs = int(clock.elapsed());
    fullFrameTurn.start();
}

void GLWidget::drawFullFrameTurn()
{
    if (!fullFrame)
        return;
    makeCurrent();
    QElapsedTimer clock;
    clock.start();
    FullFrame &frame = *fullFrame;
    // The batches of a turn are drawn at its end, together: as many as the
    // last turn's time per batch lets fit in fullFrameTurnMs, at least one
    // and at most twice as many as the last turn.
    const std::size_t count = std::min(frame.batchesPerTurn, frame.steps.size() - frame.next);
    for (std::size_t i = 0; i < count; ++i)
        frame.steps[frame.next++]();
    glFinish();
    if (count > 0) {
        const double msPerBatch = std::max(double(clock.nsecsElapsed()) / 1e6 / double(count), 0.01);
        frame.batchesPerTurn = std::clamp<std::size_t>(std::size_t(fullFrameTurnMs / msPerBatch), 1, 2 * count);
    }
    frame.drawingMs += int(clock.elapsed());
    if (frame.next < frame.steps.size()) {
        fullFrameTurn.start();
        return;
    }
    const int drawingMs = frame.drawingMs;
    fullFrame.reset();
    finishFrame(drawingMs);
    swapBuffers();
    subsetShown = false;
    ++presentedFrames;
    emit framePresented();
}

void GLWidget::abandonFullFrame()
{
    if (!fullFrame)
        return;
    fullFrame.reset();
    fullFrameTurn.stop();
    // The picture on screen is still the subset.
    settleTimer.start();
}

void GLWidget::drawOverlay(int elapsedMs, bool subset)
{
    setColor(overlayTextColor(viewport.backgroundColor()));
    recordFrameTime(elapsedMs);
    const QFont font = fontOfPixelSize(kOverlayFontPixels);
    const FilledTextScope filled;
    renderText(kOverlayX, kOverlayFpsY,
               QString::number(iFps) + QStringLiteral(" FPS for ") + QString::number(nDrawn) + QStringLiteral("Points"),
               font);
    const GLC_Vector3d &target = viewport.cameraHandle()->target();
    renderText(kOverlayX, kOverlayClickY, lastClickText(target, dScaleZ, bLastClickOnBackground), font);
    if (subset) {
        const uint32_t every = std::max(strideDs1, strideDs2);
        renderText(kOverlayX, kOverlaySubsetY,
                   QStringLiteral("Moving: 1 point in ") + QString::number(every) +
                       QStringLiteral(" shown; all points once the view rests"),
                   font);
    }
}

// In window pixels over the scene: a diagonal cross on each record outside
// the network, reaching past the point drawn there.
void GLWidget::drawOutsideMarkers(const QColor &color)
{
    const std::vector<uint32_t> &outside = outsideDs2();
    if (outside.empty())
        return;
    const GLC_Matrix4 modelView = viewport.modelViewMatrix();
    const GLC_Matrix4 projection = viewport.projectionMatrix();
    const int w = viewport.viewHSize();
    const int h = viewport.viewVSize();
    const double reach = 0.5 * iPointSize + kOutsideCrossReach;

    const WindowPixelScope pixels(w, h);
    glLineWidth(kOutsideCrossWidth);
    setColor(color);
    glBegin(GL_LINES);
    GLC_Vector3d window;
    for (uint32_t i : outside) {
        const PointRecord &p = ptsDs2[i];
        if (!glcProject(GLC_Vector3d(p.x, p.y, p.h * dScaleZ), modelView, projection, w, h, window) ||
            window.z() < 0.0 || window.z() > 1.0)
            continue;
        const double x = window.x(), y = window.y();
        glVertex2d(x - reach, y - reach);
        glVertex2d(x + reach, y + reach);
        glVertex2d(x - reach, y + reach);
        glVertex2d(x + reach, y - reach);
    }
    glEnd();
}

void GLWidget::drawBaseMap()
{
    const float z = float(kMapHeight * dScaleZ);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texBaseMap);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(kMapWest, kMapSouth, z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(kMapEast, kMapSouth, z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(kMapEast, kMapNorth, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(kMapWest, kMapNorth, z);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void GLWidget::drawTriangles(const PointRecord *pts, uint32_t nPts, const Triangle *triangles, uint32_t count,
                             const QColor &color)
{
    if (!pts || !triangles)
        return;
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBegin(GL_TRIANGLES);
    setColor(color);
    for (uint32_t i = 0; i < count; ++i) {
        const Triangle &t = triangles[i];
        // A face with an index outside the point array is left out whole.
        if (!triangleIndicesValid(t, nPts))
            continue;
        for (int32_t index : {t.p1, t.p2, t.p3}) {
            const PointRecord &p = pts[index];
            glVertex3d(p.x, p.y, p.h * dScaleZ);
        }
    }
    glEnd();
}

// The array path: the vertices, colours and order of drawTriangles,
// drawPoints and drawVectors, handed over in one call per layer.
void GLWidget::submitTriangles(const QColor &color, DrawBatches &out, uint32_t batchVertices)
{
    if (!ptsDs1 || !tris)
        return;
    sceneBuffers->tin.prepare(ptsDs1, drawableCountDs1(), tris, drawableTriangleCount(), dScaleZ);
    out.push_back([color]() {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        setColor(color);
    });
    sceneBuffers->tin.batches(out, batchVertices);
}

void GLWidget::submitDataSet(DataSetBuffers &buffers, const PointRecord *pts, uint32_t count, const QColor &color,
                             uint32_t stride, DrawBatches &out, uint32_t batchVertices)
{
    if (!pts)
        return;
    buffers.prepare(pts, count, dScaleZ, iVectorMult);
    const bool cull = cullsPoints() && frustum;
    out.push_back([color]() { setColor(color); });
    nDrawn += int32_t(buffers.pointBatches(cull ? frustum.get() : nullptr, stride, out, batchVertices));
    buffers.vectorBatches(stride, out, batchVertices);
}

void GLWidget::drawPoints(const PointRecord *pts, uint32_t count, const QColor &color)
{
    if (!pts)
        return;
    const bool cull = cullsPoints() && frustum;
    setColor(color);
    glBegin(GL_POINTS);
    bool visible = true;
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[i];
        const double z = p.h * dScaleZ;
        if (cull)
            visible = pointInFrustum(*frustum, p.x, p.y, z, kCullRadius);
        if (visible) {
            glVertex3d(p.x, p.y, z);
            glVertex3d(p.xTo, p.yTo, p.hTo * dScaleZ);
            ++nDrawn;
        }
    }
    glEnd();
}

void GLWidget::drawVectors(const PointRecord *pts, uint32_t count, const QColor &color)
{
    if (!pts)
        return;
    const double m = double(iVectorMult);
    setColor(color);
    glBegin(GL_LINES);
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[i];
        const double z = p.h * dScaleZ;
        glVertex3d(p.x, p.y, z);
        glVertex3d(p.x + m * p.dx, p.y + m * p.dy, z);
    }
    glEnd();
}

void GLWidget::drawLabels(const PointRecord *pts, uint32_t count, const QColor &color, uint32_t stride)
{
    if (!pts)
        return;
    if (renderingOffScreen)
        return;
    const QFont font = fontOfPixelSize(iFontSize);
    const FilledTextScope filled;
    setColor(color);
    for (uint64_t i = 0; i < count; i += std::max(stride, 1u)) {
        const PointRecord &p = pts[i];
        renderText(p.x, p.y, p.h * dScaleZ, p.id, font);
    }
}

void GLWidget::drawAxis(double x0, double y0, double z0)
{
    const QFont font = fontOfPixelSize(iFontSize);
    const float x = float(x0), y = float(y0), z = float(z0), arm = float(kAxisArm);
    struct Arm {
        float r, g, b, dx, dy, dz;
        const char *letter;
    };
    const Arm arms[3] = {{1, 0, 0, arm, 0, 0, "X"}, {0, 1, 0, 0, arm, 0, "Y"}, {0, 0, 1, 0, 0, arm, "Z"}};
    for (const Arm &a : arms) {
        glColor3f(a.r, a.g, a.b);
        glBegin(GL_LINES);
        glVertex3f(x, y, z);
        glVertex3f(x + a.dx, y + a.dy, z + a.dz);
        glEnd();
        if (renderingOffScreen)
            continue;
        const FilledTextScope filled;
        renderText(x + a.dx, y + a.dy, z + a.dz, QString::fromLatin1(a.letter), font);
    }
}

std::vector<GLWidget::SceneText> GLWidget::sceneTexts() const
{
    std::vector<SceneText> texts;
    const auto addLabels = [&](const PointRecord *pts, uint32_t count, const QColor &color) {
        if (!pts)
            return;
        for (uint32_t i = 0; i < count; ++i)
            texts.push_back({GLC_Vector3d(pts[i].x, pts[i].y, pts[i].h * dScaleZ), pts[i].id, color});
    };
    if (bDrawLabelsDs1)
        addLabels(ptsDs1, drawableCountDs1(), colorDs1);
    if (bDrawLabelsDs2)
        addLabels(ptsDs2, drawableCountDs2(), colorDs2);
    if (bDrawAxis) {
        // The letters sit at the arms' ends, in the arms' colours, at the
        // float positions the arms are drawn at.
        const float x = float(kAxisX), y = float(kAxisY), z = float(kAxisHeight * dScaleZ), arm = float(kAxisArm);
        texts.push_back({GLC_Vector3d(x + arm, y, z), QStringLiteral("X"), QColor(255, 0, 0)});
        texts.push_back({GLC_Vector3d(x, y + arm, z), QStringLiteral("Y"), QColor(0, 255, 0)});
        texts.push_back({GLC_Vector3d(x, y, z + arm), QStringLiteral("Z"), QColor(0, 0, 255)});
    }
    return texts;
}

void GLWidget::paintSceneTexts(QImage &image, const std::vector<SceneText> &texts) const
{
    const GLC_Matrix4 modelView = viewport.modelViewMatrix();
    const GLC_Matrix4 projection = viewport.projectionMatrix();
    const int w = image.width();
    const int h = image.height();
    QPainter painter(&image);
    painter.setFont(fontOfPixelSize(iFontSize));
    GLC_Vector3d window;
    for (const SceneText &t : texts) {
        if (!glcProject(t.anchor, modelView, projection, w, h, window) || window.z() < 0.0 || window.z() > 1.0)
            continue;
        painter.setPen(t.color);
        // Where the screen's text goes: baseline-left at the rounded pixel.
        painter.drawText(QPoint(qRound(window.x()), qRound(h - window.y())), t.text);
    }
}

void GLWidget::drawExtentsBox(const Extent &s)
{
    const float x0 = float(s.xMin), x1 = float(s.xMax), y0 = float(s.yMin), y1 = float(s.yMax);
    const float z0 = float(s.zMin), z1 = float(s.zMax);
    glColor3f(0.0f, 0.0f, 0.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBegin(GL_QUADS);
    for (float z : {z0, z1}) {
        glVertex3f(x0, y0, z);
        glVertex3f(x1, y0, z);
        glVertex3f(x1, y1, z);
        glVertex3f(x0, y1, z);
    }
    glEnd();
    glBegin(GL_LINES);
    const float xs[4] = {x0, x1, x1, x0};
    const float ys[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) {
        glVertex3f(xs[i], ys[i], z0);
        glVertex3f(xs[i], ys[i], z1);
    }
    glEnd();
}

void GLWidget::drawFrustum(const FrustumPlanes &planes)
{
    const std::array<Point3, 8> corners = frustumCorners(planes);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_QUADS);
    for (const Point3 &c : corners)
        glVertex3f(float(c.x), float(c.y), float(c.z));
    glEnd();
    glBegin(GL_LINES);
    for (int i = 0; i < 4; ++i) {
        glVertex3f(float(corners[i].x), float(corners[i].y), float(corners[i].z));
        glVertex3f(float(corners[i + 4].x), float(corners[i + 4].y), float(corners[i + 4].z));
    }
    glEnd();
}

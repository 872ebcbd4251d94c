// Drawing of the view, checked on off-screen renders: background, points at
// their projected pixels, vectors, base map, culling counts, the clipper's
// results, bad triangle indices, the frustum viewer and capture frames.

#include "tests/support/viewtestscene.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace veltrane;

namespace {
const QColor kMapWestColor(255, 255, 0);
const QColor kMapEastColor(0, 0, 255);

// Base map picture: west half yellow, east half blue.
bool writeBaseMap(const QString &dir)
{
    QImage image(64, 32, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 32, 32, kMapWestColor);
    painter.fillRect(32, 0, 32, 32, kMapEastColor);
    painter.end();
    return image.save(dir + QStringLiteral("/Tarvonamap.jpg"), "JPG", 100);
}

double halfViewWidth(double dist)
{
    return dist * std::tan(35.0 * M_PI / 360.0);
}
}  // namespace

class TestGLWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void backgroundColourShowsAtTheNextFrame();
    void dataPointsAppearAtTheirProjectedPixels();
    void vectorLengthFollowsTheMultiplier();
    void baseMapShowsItsTextureOrWhiteWithoutAFile();
    void cullingCountsOnlyRecordsInsideTheFrustum();
    void pointJustLeftOfTheWindowDependsOnTheMode();
    void clipperResultsFollowTheCamera();
    void badTriangleIndicesAndCountsAreNeverDrawn();
    void frustumViewerDrawsAFrustumTheMainViewNoLongerHolds();
    void slotsActOnTheirOwnViewsContext();
    void captureFrameUsesItsOwnPointSizeAndSkipsTheFrameRate();
    void allLayersAppearTogether();
    void captureHoldsTheLabelsAndAxisLetters();
    void recordsOutsideTheNetworkCarryACross();

private:
    QTemporaryDir m_mapDir;
    QTemporaryDir m_emptyDir;
    QString m_startDir;
};

void TestGLWidget::initTestCase()
{
    QVERIFY(m_mapDir.isValid() && m_emptyDir.isValid());
    QVERIFY(writeBaseMap(m_mapDir.path()));
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_mapDir.path()));
}

void TestGLWidget::cleanupTestCase()
{
    QDir::setCurrent(m_startDir);
}

void TestGLWidget::backgroundColourShowsAtTheNextFrame()
{
    const TestScene scene = makeScene();
    auto view = makeShownView(scene);
    QVERIFY(view);
    QSignalSpy painted(view.get(), SIGNAL(frustumUpdated()));
    const QColor darkerGray(65, 65, 65);
    view->updateColor_bckgrnd(darkerGray);
    QCOMPARE(painted.count(), 0);  // no repaint of its own
    QCOMPARE(view->colorBckgrnd, QColor(Qt::black));
    QCOMPARE(view->viewport.backgroundColor(), darkerGray);
    const QImage image = renderImage(*view);
    QCOMPARE(image.size(), QSize(kViewSide, kViewSide));
    QVERIFY(sameColor(image.pixel(2, 2), darkerGray, 0));
    QVERIFY(sameColor(image.pixel(kViewSide - 3, kViewSide - 3), darkerGray, 0));
}

void TestGLWidget::dataPointsAppearAtTheirProjectedPixels()
{
    const TestScene scene = makeScene(3, 3);
    auto view = makeShownView(scene);
    QVERIFY(view);
    lookDown(*view, -120.5, 43.75, 20.0);
    const QImage image = renderImage(*view);

    const PointRecord &c1 = scene.control->at(0);
    const QPoint pc = pixelOf(*view, c1.x, c1.y, c1.h * kTestScaleZ);
    QVERIFY(QRect(0, 0, kViewSide, kViewSide).contains(pc));
    QVERIFY2(sameColor(image.pixel(pc), Qt::red), qPrintable(QColor(image.pixel(pc)).name()));
    // Point size 10: the point covers about 5 pixels around its centre only.
    QVERIFY(sameColor(image.pixel(pc + QPoint(12, 12)), Qt::black));

    const PointRecord &p = scene.input->at(4);  // middle of the 3 x 3 grid
    const QPoint pp = pixelOf(*view, p.x, p.y, p.h * kTestScaleZ);
    QVERIFY2(sameColor(image.pixel(pp), Qt::blue), qPrintable(QColor(image.pixel(pp)).name()));

    // Colours follow the pickers' slots.
    view->updateColor_ds1(QColor(255, 0, 255));
    const QImage recoloured = renderImage(*view);
    QVERIFY(sameColor(recoloured.pixel(pc), QColor(255, 0, 255)));
}

void TestGLWidget::vectorLengthFollowsTheMultiplier()
{
    const TestScene scene = makeScene(3, 3);
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawDs2 = false;
    lookDown(*view, -120.5, 43.75, 20.0);
    // C1 at (-124, 42) shifts by 1e-6 degrees in x and y; with a multiplier
    // of 1000000 its vector ends one degree away, at (-123, 43).
    const QPoint middle = pixelOf(*view, -123.5, 42.5, 10.0 * kTestScaleZ);

    QSignalSpy painted(view.get(), SIGNAL(frustumUpdated()));
    view->updateTriStepSize(QStringLiteral("1000000"));
    QCOMPARE(view->iVectorMult, 1000000);
    QCOMPARE(painted.count(), 1);  // re-rendered
    QVERIFY(sameColor(renderImage(*view).pixel(middle), Qt::red));

    view->updateTriStepSize(QStringLiteral("x12"));
    QCOMPARE(view->iVectorMult, 1000000);
    QCOMPARE(painted.count(), 2);  // one more for renderImage only

    view->updateTriStepSize(QStringLiteral("1"));
    QVERIFY(sameColor(renderImage(*view).pixel(middle), Qt::black));
}

void TestGLWidget::baseMapShowsItsTextureOrWhiteWithoutAFile()
{
    const TestScene scene = makeScene();
    const double z = -1000.0 * kTestScaleZ;
    {
        auto view = makeShownView(scene);
        QVERIFY(view);
        view->bDrawDs1 = view->bDrawDs2 = false;
        lookDown(*view, -120.5, 43.75, 20.0);
        QVERIFY(sameColor(renderImage(*view).pixel(pixelOf(*view, -123.0, 43.75, z)), Qt::black));
        view->updateDrawBaseMap(Qt::Checked);
        QVERIFY(view->bDrawBaseMap);
        const QImage image = renderImage(*view);
        QVERIFY2(sameColor(image.pixel(pixelOf(*view, -123.0, 43.75, z)), kMapWestColor, 40),
                 qPrintable(QColor(image.pixel(pixelOf(*view, -123.0, 43.75, z))).name()));
        QVERIFY(sameColor(image.pixel(pixelOf(*view, -118.0, 43.75, z)), kMapEastColor, 40));
        // South-west corner of the picture sits at (-125, 41): just inside it
        // is map, just outside is background.
        QVERIFY(sameColor(image.pixel(pixelOf(*view, -124.9, 41.1, z)), kMapWestColor, 40));
        QVERIFY(sameColor(image.pixel(pixelOf(*view, -125.2, 40.8, z)), Qt::black));
        // Data drawn after the map lies above it.
        view->bDrawDs1 = true;
        const QImage withData = renderImage(*view);
        QVERIFY(sameColor(withData.pixel(pixelOf(*view, -124.0, 42.0, 10.0 * kTestScaleZ)), Qt::red));
    }
    // Every render loads the picture again from the working folder.
    QVERIFY(QDir::setCurrent(m_emptyDir.path()));
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawDs1 = view->bDrawDs2 = false;
    view->bDrawBaseMap = true;
    lookDown(*view, -120.5, 43.75, 20.0);
    const QImage image = renderImage(*view);
    QVERIFY(QDir::setCurrent(m_mapDir.path()));
    QCOMPARE(view->texBaseMap, 0u);
    QVERIFY(sameColor(image.pixel(pixelOf(*view, -123.0, 43.75, z)), Qt::white));
    QVERIFY(sameColor(image.pixel(pixelOf(*view, -118.0, 43.75, z)), Qt::white));
}

void TestGLWidget::cullingCountsOnlyRecordsInsideTheFrustum()
{
    const TestScene scene = makeScene(10, 10);
    auto view = makeShownView(scene);
    QVERIFY(view);
    QCOMPARE(view->iOptMode, 1);
    lookDown(*view, -120.5, 43.75, 20.0);
    renderImage(*view);
    QCOMPARE(view->nDrawn, 4 + 100);

    // Turned away: looking straight up from above the data.
    view->viewport.cameraHandle()->setCam(GLC_Vector3d(-120.5, 43.75, 20.0), GLC_Vector3d(-120.5, 43.75, 40.0),
                                          GLC_Vector3d(0, 1, 0));
    view->bDrawLabelsDs1 = true;  // labels are never culled and never counted
    renderImage(*view);
    QCOMPARE(view->nDrawn, 0);
    view->updateOptDisplayMode(0);
    renderImage(*view);
    QCOMPARE(view->nDrawn, 104);
    view->updateDraw_ds1(0);
    view->updateDraw_ds2(0);
    renderImage(*view);
    QCOMPARE(view->nDrawn, 0);
}

void TestGLWidget::pointJustLeftOfTheWindowDependsOnTheMode()
{
    TestScene scene = makeScene(1, 1);
    const double cx = -120.5, cy = 43.75, dist = 20.0;
    const double z = 15.0 * kTestScaleZ;
    // The source position is just outside the left edge; the converted
    // position lies well inside, yet the record is dropped whole.
    const double leftEdge = cx - halfViewWidth(dist - z);
    (*scene.input)[0] = makeRecord(leftEdge - 0.02, cy, 15.0, 0.5, 0.0, "edge");
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawDs1 = false;
    lookDown(*view, cx, cy, dist);
    const int expected[4] = {1, 0, 1, 0};
    for (int mode = 0; mode < 4; ++mode) {
        view->updateOptDisplayMode(mode);
        renderImage(*view);
        QCOMPARE(view->nDrawn, expected[mode]);
    }
    // Moved just inside (as a new data set: a view's arrays are read-only),
    // culling keeps it.
    view->setDataSet2(
        std::make_shared<const std::vector<PointRecord>>(1, makeRecord(leftEdge + 0.02, cy, 15.0, 0.5, 0.0, "edge")),
        1);
    view->updateOptDisplayMode(1);
    renderImage(*view);
    QCOMPARE(view->nDrawn, 1);
}

void TestGLWidget::clipperResultsFollowTheCamera()
{
    const TestScene scene = makeScene();
    auto view = makeShownView(scene);
    QVERIFY(view);
    const Extent &s = view->statsDs1;
    const ClipBox dataBox{s.xMin, s.yMin, s.zMin, s.xMax, s.yMax, s.zMax};

    // Whole box in view from afar: its eight corners, and their extent.
    view->updateOptDisplayMode(2);
    lookDown(*view, -120.5, 43.75, 60.0);
    renderImage(*view);
    QCOMPARE(view->nClipPoints, 8);
    QVERIFY(view->clipPoints && view->clipBox);
    QCOMPARE(int(view->clipPoints->size()), 8);
    QCOMPARE(*view->clipBox, dataBox);

    // Close over the west part: the extent shrinks to the part in view.
    lookDown(*view, -123.0, 43.75, 5.0);
    renderImage(*view);
    QVERIFY(view->nClipPoints > 3);
    QVERIFY((*view->clipBox)[3] < s.xMax - 1.0);

    // Turned away: fewer than four vertices, the box falls back to the data box.
    view->viewport.cameraHandle()->setCam(GLC_Vector3d(-120.5, 43.75, 20.0), GLC_Vector3d(-120.5, 43.75, 40.0),
                                          GLC_Vector3d(0, 1, 0));
    renderImage(*view);
    QVERIFY(view->nClipPoints < 4);
    QCOMPARE(*view->clipBox, dataBox);

    // Mode 1 keeps the last clipper results; mode 0 paints without an update.
    const auto lastClip = view->clipBox;
    view->updateOptDisplayMode(1);
    lookDown(*view, -120.5, 43.75, 60.0);
    renderImage(*view);
    QCOMPARE(view->clipBox, lastClip);
    view->updateOptDisplayMode(0);
    const auto lastFrustum = view->frustum;
    QSignalSpy updates(view.get(), SIGNAL(frustumUpdated()));
    renderImage(*view);
    QCOMPARE(updates.count(), 0);
    QCOMPARE(view->frustum, lastFrustum);

    // A clipper mode on a view without box tables (like the frustum viewer)
    // falls back to the data box instead of reading missing tables.
    view->boxCorners.reset();
    view->updateOptDisplayMode(3);
    renderImage(*view);
    QCOMPARE(view->nClipPoints, 0);
    QCOMPARE(*view->clipBox, dataBox);
}

void TestGLWidget::badTriangleIndicesAndCountsAreNeverDrawn()
{
    TestScene scene = makeScene(2, 2);
    // Only the first face is sound; the others point far outside the
    // four control points.
    scene.tris = std::make_shared<std::vector<Triangle>>(
        std::vector<Triangle>{{0, 1, 2}, {0, 1, 50000000}, {-7000000, 1, 2}, {3, 4, 0}});
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->setTriangles(scene.tris, 1000);  // count beyond the array as well
    view->setDataSet2(scene.input, 1000);
    view->bDrawTris = true;
    view->bDrawDs1 = false;
    lookDown(*view, -120.5, 43.75, 20.0);
    const QImage image = renderImage(*view);
    QCOMPARE(view->nDrawn, 4);  // the four records the array holds
    // The sound face's south edge, from C1 to C2, is drawn in green.
    QVERIFY(sameColor(image.pixel(pixelOf(*view, -121.0, 42.0, 15.0 * kTestScaleZ)), Qt::green));
    // The face (3, 4, 0) names a record that does not exist: its edge from
    // C4 to C1 along x = -124 is not drawn.
    QVERIFY(sameColor(image.pixel(pixelOf(*view, -124.0, 43.0, 25.0 * kTestScaleZ)), Qt::black));
}

void TestGLWidget::frustumViewerDrawsAFrustumTheMainViewNoLongerHolds()
{
    const TestScene scene = makeScene();
    auto viewer = makeShownView(scene);
    QVERIFY(viewer);
    viewer->iOptMode = 0;
    viewer->bDrawExtents = true;
    viewer->bDrawFrustum = true;
    viewer->bDrawDs1 = viewer->bDrawDs2 = false;
    viewer->updateColor_bckgrnd(Qt::white);
    lookDown(*viewer, -120.5, 43.75, 60.0);
    {
        auto mainView = makeShownView(scene);
        QVERIFY(mainView);
        lookDown(*mainView, -120.5, 43.75, 10.0);
        QObject::connect(mainView.get(), &GLWidget::frustumUpdated, viewer.get(), [&]() {
            viewer->frustum = mainView->frustum;
            viewer->clipPoints = mainView->clipPoints;
            viewer->nClipPoints = mainView->nClipPoints;
        });
        renderImage(*mainView);
        QVERIFY(viewer->frustum);
        QCOMPARE(viewer->frustum, mainView->frustum);
    }  // the main view is gone; the viewer still holds its last frustum
    const QImage image = renderImage(*viewer);
    const int red = countColor(image, Qt::red, 30);
    QVERIFY2(red > 100, qPrintable(QString::number(red)));
    QVERIFY(countColor(image, Qt::black, 30) > 100);  // the extents box
    // The near face's corners, where the main camera saw its nearest point.
    const std::array<Point3, 8> corners = frustumCorners(*viewer->frustum);
    for (int i = 0; i < 4; ++i) {
        const QPoint corner = pixelOf(*viewer, corners[i].x, corners[i].y, corners[i].z);
        bool redAtCorner = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                redAtCorner = redAtCorner || sameColor(image.pixel(corner + QPoint(dx, dy)), Qt::red, 30);
        QVERIFY2(redAtCorner, qPrintable(QString::number(i)));
    }
    const QString shot = qEnvironmentVariable("VELTRANE_VIEW_SHOT");
    if (!shot.isEmpty())
        image.save(shot + QStringLiteral(".viewer.png"));
}

void TestGLWidget::slotsActOnTheirOwnViewsContext()
{
    const TestScene scene = makeScene();
    auto first = makeShownView(scene);
    auto second = makeShownView(scene);
    QVERIFY(first && second);
    first->bDrawDs1 = first->bDrawDs2 = false;
    second->bDrawDs1 = second->bDrawDs2 = false;

    second->makeCurrent();
    first->updateColor_bckgrnd(Qt::green);
    QVERIFY(sameColor(renderImage(*second).pixel(5, 5), Qt::black));
    QVERIFY(sameColor(renderImage(*first).pixel(5, 5), Qt::green));

    // A re-rendering slot paints into its own view's context.
    second->makeCurrent();
    first->updatePointSize(4);
    QCOMPARE(QGLContext::currentContext(), first->context());
    QCOMPARE(first->viewport.pointSize(), 4.0);
    QVERIFY(sameColor(renderImage(*second).pixel(5, 5), Qt::black));
}

void TestGLWidget::captureFrameUsesItsOwnPointSizeAndSkipsTheFrameRate()
{
    const TestScene scene = makeScene(2, 2);
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawDs2 = false;
    lookDown(*view, -120.5, 43.75, 20.0);
    const QPoint pc = pixelOf(*view, -124.0, 42.0, 10.0 * kTestScaleZ);
    const QPoint aside = pc + QPoint(0, 7);  // below C1, clear of its vector

    // The screen frame uses the viewport's size (10); a capture frame sets
    // iPointSize itself.
    view->iPointSize = 24;
    QVERIFY(sameColor(renderImage(*view).pixel(aside), Qt::black));

    for (int i = 0; i < 20; ++i)
        view->recordFrameTime(40);
    QCOMPARE(view->iFps, 25);
    view->bCaptureMode = true;
    const QImage captured = renderImage(*view);
    view->bCaptureMode = false;
    QVERIFY(sameColor(captured.pixel(aside), Qt::red));
    view->recordFrameTime(0);  // reads the ring without storing
    QCOMPARE(view->iFps, 25);
    QCOMPARE(view->iZoomSteps, 8);
}

void TestGLWidget::allLayersAppearTogether()
{
    const TestScene scene = makeScene(8, 6);
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawBaseMap = true;
    view->bDrawTris = true;
    view->bDrawAxis = true;
    view->iVectorMult = 200000;
    view->resize(800, 600);
    QTest::qWait(50);
    view->viewport.cameraHandle()->setCam(GLC_Vector3d(-120.5, 33.0, 14.0), GLC_Vector3d(-120.5, 43.75, 0.0),
                                          GLC_Vector3d(0, 0, 1));
    view->viewport.setDistMinAndMax(view->boundingBox);
    view->updateGL();
    const QImage image = renderImage(*view);
    const QString shot = qEnvironmentVariable("VELTRANE_VIEW_SHOT");
    if (!shot.isEmpty()) {
        image.save(shot);
        view->updateGL();  // the on-screen frame, with its overlay text
        QGuiApplication::primaryScreen()->grabWindow(view->winId()).save(shot + QStringLiteral(".screen.png"));
    }
    QVERIFY(countColor(image, Qt::red, 20) > 20);
    QVERIFY(countColor(image, Qt::blue, 20) > 200);
    QVERIFY(countColor(image, Qt::green, 20) > 50);
    QVERIFY(countColor(image, kMapWestColor, 40) > 1000);
}

// The screen writes the labels and axis letters with OpenGL text, which an
// off-screen render leaves out: the capture still shows them, in their
// colours, from their anchors to the right.
void TestGLWidget::captureHoldsTheLabelsAndAxisLetters()
{
    const TestScene scene = makeScene(2, 2);
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawDs2 = false;
    lookDown(*view, -120.5, 43.75, 20.0);
    const QColor labelColor(255, 0, 255);
    view->updateColor_ds1(labelColor);
    const int font = view->iFontSize;

    const PointRecord &c1 = scene.control->at(0);
    const QPoint point = pixelOf(*view, c1.x, c1.y, c1.h * kTestScaleZ);
    // Right of the point's disc, above the baseline through the anchor.
    const QRect labelBox(point.x() + view->iPointSize / 2 + 2, point.y() - font, 2 * font, font - 1);
    const double axisZ = 30.0 * kTestScaleZ;
    const QPoint xEnd = pixelOf(*view, -124.0, 41.0, axisZ);
    const QRect letterBox(xEnd.x() + 1, xEnd.y() - font, font, font - 3);
    QVERIFY(QRect(0, 0, kViewSide, kViewSide).contains(labelBox));
    QVERIFY(QRect(0, 0, kViewSide, kViewSide).contains(letterBox));

    const QImage plain = renderImage(*view);
    QCOMPARE(countColor(plain.copy(labelBox), labelColor, 80), 0);
    QCOMPARE(countColor(plain.copy(letterBox), Qt::red, 80), 0);

    view->bDrawLabelsDs1 = true;
    view->bDrawAxis = true;
    const QImage labelled = renderImage(*view);
    QVERIFY2(countColor(labelled.copy(labelBox), labelColor, 80) > 5,
             qPrintable(QString::number(countColor(labelled.copy(labelBox), labelColor, 80))));
    QVERIFY2(countColor(labelled.copy(letterBox), Qt::red, 80) > 3,
             qPrintable(QString::number(countColor(labelled.copy(letterBox), Qt::red, 80))));
}

// A record the run left outside the network (no target, no shift, not on a
// vertex) carries a cross over its point; a converted one does not.
void TestGLWidget::recordsOutsideTheNetworkCarryACross()
{
    TestScene scene = makeScene(2, 2);
    PointRecord outside = makeRecord(-118.5, 44.0, 15.0, 0.0, 0.0, "OUT");
    outside.xTo = outside.yTo = outside.hTo = 0.0;
    outside.s = 0.0;
    scene.input->push_back(outside);
    auto view = makeShownView(scene);
    QVERIFY(view);
    view->bDrawDs1 = false;
    lookDown(*view, -120.5, 43.75, 20.0);
    const QImage image = renderImage(*view);

    // Where the cross's arms pass, beyond the point's disc.
    const auto armPixels = [&](const PointRecord &p) {
        const QPoint at = pixelOf(*view, p.x, p.y, p.h * kTestScaleZ);
        int n = 0;
        for (const QPoint &corner : {QPoint(6, 6), QPoint(6, -8), QPoint(-8, 6), QPoint(-8, -8)})
            n += countColor(image.copy(QRect(at + corner, QSize(3, 3))), Qt::blue, 40) > 0 ? 1 : 0;
        return n;
    };
    QCOMPARE(armPixels(scene.input->back()), 4);
    QCOMPARE(armPixels(scene.input->front()), 0);
}

QTEST_MAIN(TestGLWidget)
#include "test_glwidget.moc"

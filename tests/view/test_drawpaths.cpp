// The data layers drawn from vertex arrays give exactly the pixels of the
// per-vertex drawing: every optimisation mode, screen and capture frames,
// the whole scene and a close-up where culling drops records, and again after
// the vector multiplier, the vertical scale or the data change.

#include "tests/support/viewtestscene.h"

#include <QTest>
#include <algorithm>
#include <cstdlib>

using namespace veltrane;

namespace {
struct Render {
    QImage image;
    int32_t drawn = 0;
};

Render renderWith(GLWidget &view, GLWidget::DrawPath path)
{
    view.drawPath = path;
    Render r;
    r.image = renderImage(view);
    r.drawn = view.nDrawn;
    return r;
}

// Pixels that differ between the two images, and the largest difference of
// one channel.
struct Difference {
    int pixels = 0;
    int maxStep = 0;
};

Difference compare(const QImage &a, const QImage &b)
{
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (p == q)
                continue;
            ++d.pixels;
            d.maxStep = std::max({d.maxStep, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                  std::abs(qBlue(p) - qBlue(q))});
        }
    return d;
}

enum class Camera { Oblique, CloseUp };
}  // namespace
Q_DECLARE_METATYPE(Camera)

class TestDrawPaths : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void arraysDrawThePixelsOfThePerVertexPath_data();
    void arraysDrawThePixelsOfThePerVertexPath();
    void arraysFollowMultiplierScaleAndData();

private:
    // Renders both ways and fails on any differing pixel; the frame must
    // show data so that two blank images do not pass.
    void expectSamePixels(const char *what);

    TestScene m_scene;
    std::unique_ptr<GLWidget> m_view;
};

void TestDrawPaths::initTestCase()
{
    m_scene = makeScene(30, 20);
    // One face names a record that does not exist: left out by both paths.
    m_scene.tris->push_back({1, 2, 99});
    m_view = makeShownView(m_scene);
    QVERIFY(m_view);
    m_view->bDrawTris = true;
    m_view->bDrawAxis = true;
    m_view->iVectorMult = 300000;
}

void TestDrawPaths::cleanupTestCase()
{
    m_view.reset();
}

void TestDrawPaths::expectSamePixels(const char *what)
{
    const Render perVertex = renderWith(*m_view, GLWidget::DrawPath::PerVertex);
    const Render arrays = renderWith(*m_view, GLWidget::DrawPath::Arrays);
    QVERIFY2(countColor(arrays.image, Qt::blue, 20) > 50, what);
    QCOMPARE(arrays.drawn, perVertex.drawn);
    const Difference d = compare(perVertex.image, arrays.image);
    QVERIFY2(d.pixels == 0, qPrintable(QStringLiteral("%1: %2 pixels differ, by up to %3 per channel")
                                           .arg(QLatin1String(what))
                                           .arg(d.pixels)
                                           .arg(d.maxStep)));
}

void TestDrawPaths::arraysDrawThePixelsOfThePerVertexPath_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<Camera>("camera");
    for (int mode = GLWidget::kOptNone; mode <= GLWidget::kOptClipperCulling; ++mode)
        for (bool capture : {false, true})
            for (Camera camera : {Camera::Oblique, Camera::CloseUp})
                QTest::addRow("mode %d, %s, %s", mode, capture ? "capture" : "screen",
                              camera == Camera::Oblique ? "oblique" : "close-up")
                    << mode << capture << camera;
}

void TestDrawPaths::arraysDrawThePixelsOfThePerVertexPath()
{
    QFETCH(int, mode);
    QFETCH(bool, capture);
    QFETCH(Camera, camera);
    if (camera == Camera::Oblique) {
        m_view->viewport.cameraHandle()->setCam(GLC_Vector3d(-120.5, 36.0, 9.0), GLC_Vector3d(-120.5, 43.75, 0.0),
                                                GLC_Vector3d(0, 0, 1));
        m_view->viewport.setDistMinAndMax(m_view->boundingBox);
    } else {
        lookDown(*m_view, -122.0, 43.0, 4.0);  // most records outside the window
    }
    m_view->updateOptDisplayMode(mode);
    m_view->iPointSize = 6;  // a capture frame's own size, unlike the screen's 10
    m_view->bCaptureMode = capture;
    expectSamePixels(QTest::currentDataTag());
    m_view->bCaptureMode = false;
    if (camera == Camera::CloseUp && (mode == GLWidget::kOptCulling || mode == GLWidget::kOptClipperCulling))
        QVERIFY(m_view->nDrawn < int32_t(m_scene.input->size()) / 2);  // culling did drop records
}

void TestDrawPaths::arraysFollowMultiplierScaleAndData()
{
    lookDown(*m_view, -120.5, 43.75, 12.0);
    m_view->updateOptDisplayMode(GLWidget::kOptCulling);
    expectSamePixels("before the changes");

    m_view->updateTriStepSize(QStringLiteral("900000"));
    expectSamePixels("new vector multiplier");

    m_view->dScaleZ = 0.01;  // heights of 10 to 40 now lift the points by up to 0.4
    expectSamePixels("new vertical scale");
    m_view->dScaleZ = kTestScaleZ;

    // Another data set of the same size, then fewer records of the first.
    auto shifted = std::make_shared<std::vector<PointRecord>>(*m_scene.input);
    for (PointRecord &p : *shifted) {
        p.x += 0.3;
        p.xTo += 0.3;
    }
    m_view->setDataSet2(shifted, uint32_t(shifted->size()));
    expectSamePixels("new data set");
    m_view->setDataSet2(m_scene.input, uint32_t(m_scene.input->size()) / 2);
    expectSamePixels("fewer records of the same array");
}

QTEST_MAIN(TestDrawPaths)
#include "test_drawpaths.moc"

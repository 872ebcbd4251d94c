#include "tests/support/viewtestscene.h"

#include "view/displaysetup.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace veltrane;

PointRecord makeRecord(double x, double y, double h, double dx, double dy, const char *id)
{
    PointRecord r;
    r.x = x;
    r.y = y;
    r.h = h;
    r.dx = dx;
    r.dy = dy;
    r.dh = 0.0;
    r.xTo = x + dx;
    r.yTo = y + dy;
    r.hTo = h;
    r.id = QString::fromLatin1(id);
    return r;
}

Extent statsOf(const std::vector<PointRecord> &pts)
{
    Extent s;
    if (pts.empty())
        return s;
    s.xMin = s.xMax = pts[0].x;
    s.yMin = s.yMax = pts[0].y;
    s.zMin = s.zMax = pts[0].h;
    for (const PointRecord &p : pts) {
        s.xMin = std::min(s.xMin, p.x);
        s.xMax = std::max(s.xMax, p.x);
        s.yMin = std::min(s.yMin, p.y);
        s.yMax = std::max(s.yMax, p.y);
        s.zMin = std::min(s.zMin, p.h);
        s.zMax = std::max(s.zMax, p.h);
    }
    s.xRange = s.xMax - s.xMin;
    s.yRange = s.yMax - s.yMin;
    s.zRange = s.zMax - s.zMin;
    s.count = int32_t(pts.size());
    return s;
}

TestScene makeScene(int cols, int rows)
{
    TestScene scene;
    scene.control = std::make_shared<std::vector<PointRecord>>(std::vector<PointRecord>{
        makeRecord(-124.0, 42.0, 10.0, 1e-6, 1e-6, "C1"), makeRecord(-117.0, 42.0, 20.0, 1e-6, 1e-6, "C2"),
        makeRecord(-117.0, 45.5, 30.0, 1e-6, 1e-6, "C3"), makeRecord(-124.0, 45.5, 40.0, 1e-6, 1e-6, "C4")});
    scene.tris = std::make_shared<std::vector<Triangle>>(std::vector<Triangle>{{0, 1, 2}, {0, 2, 3}});
    scene.input = std::make_shared<std::vector<PointRecord>>();
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < rows; ++j)
            scene.input->push_back(makeRecord(-123.5 + 6.0 * i / std::max(cols - 1, 1),
                                              42.5 + 2.5 * j / std::max(rows - 1, 1), 15.0, 1e-6, 1e-6, "P"));
    scene.controlExtent = statsOf(*scene.control);
    return scene;
}

std::unique_ptr<GLWidget> makeShownView(const TestScene &scene)
{
    auto view = std::make_unique<GLWidget>(nullptr);
    RunData run{scene.control, scene.controlExtent, scene.input, {}, scene.tris, uint32_t(scene.tris->size())};
    run.pointsExtent.count = int32_t(scene.input->size());
    loadRunIntoView(*view, run, kTestScaleZ, ViewRole::Main);
    view->bDrawAxis = false;
    view->resize(kViewSide, kViewSide);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    return view;
}

void lookDown(GLWidget &view, double x, double y, double dist)
{
    view.viewport.cameraHandle()->setCam(GLC_Vector3d(x, y, dist), GLC_Vector3d(x, y, 0), GLC_Vector3d(0, 1, 0));
    view.viewport.setDistMinAndMax(view.boundingBox);
}

QImage renderImage(GLWidget &view)
{
    const QImage image = view.renderOffScreen(view.width(), view.height()).toImage();
    view.makeCurrent();
    view.resizeGL(view.width(), view.height());
    return image;
}

QPoint pixelOf(const GLWidget &view, double x, double y, double z)
{
    const GLC_Viewport &vp = view.viewport;
    GLC_Vector3d win;
    if (!glcProject(GLC_Vector3d(x, y, z), vp.modelViewMatrix(), vp.projectionMatrix(), vp.viewHSize(), vp.viewVSize(),
                    win))
        return QPoint(-1, -1);
    return QPoint(int(std::floor(win.x())), vp.viewVSize() - 1 - int(std::floor(win.y())));
}

bool sameColor(QRgb pixel, const QColor &expected, int tolerance)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

int countColor(const QImage &image, const QColor &color, int tolerance)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (sameColor(image.pixel(x, y), color, tolerance))
                ++n;
    return n;
}

#pragma once
// Helpers of the view's window tests: a small scene of control points,
// converted points and a TIN, a shown view built on it, off-screen renders
// and the window pixel of a scene point.

#include "view/glwidget.h"

#include <QImage>
#include <QPoint>
#include <memory>
#include <vector>

constexpr double kTestScaleZ = 1e-7;
constexpr int kViewSide = 400;

struct TestScene {
    std::shared_ptr<std::vector<PointRecord>> control;
    std::shared_ptr<std::vector<PointRecord>> input;
    std::shared_ptr<std::vector<Triangle>> tris;
    Extent controlExtent;  // heights unscaled, like the run's
};

PointRecord makeRecord(double x, double y, double h, double dx, double dy, const char *id);
// Four control points at the corners of (-124 .. -117) x (42 .. 45.5), two
// triangles over them, and a grid of cols x rows converted points inside.
TestScene makeScene(int cols = 10, int rows = 10);
Extent statsOf(const std::vector<PointRecord> &points);

// A view fed like the display set-up feeds the main view, shown at
// kViewSide x kViewSide and exposed. Every drawing switch but the data sets'
// is off.
std::unique_ptr<GLWidget> makeShownView(const TestScene &scene);

// Camera straight above (x, y) at height dist, north up, depth range fitted.
void lookDown(GLWidget &view, double x, double y, double dist);
// Off-screen render at the view's size, then the view's size restored.
QImage renderImage(GLWidget &view);
// Image pixel (origin top-left) of a scene point, x/y/z in scene units.
QPoint pixelOf(const GLWidget &view, double x, double y, double z);
// True when every channel differs by at most tolerance.
bool sameColor(QRgb pixel, const QColor &expected, int tolerance = 8);
// Pixels of the image in that colour.
int countColor(const QImage &image, const QColor &color, int tolerance = 8);

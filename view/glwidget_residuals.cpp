// The network check over the scene: the residual arrows and the boundary
// marks, drawn in window pixels after the data layers, and the camera put
// on the worst point.

#include "view/glwidget.h"

#include "engine/network/networkvalidation.h"
#include "view/residualarrows.h"
#include "view/windowpixels.h"

#include <cmath>

using namespace veltrane;

namespace {

// Pixels: the arrows' width, their heads' length (at most a share of the
// shaft) and the half side of a boundary point's square.
constexpr float kResidualArrowWidth = 2.5f;
constexpr double kArrowHeadPixels = 9.0;
constexpr double kArrowHeadShare = 0.4;
constexpr double kArrowHeadSpread = 0.45;  // half width of the head, of its length
constexpr double kBoundaryHalfSide = 5.0;
const QColor kBoundaryColour(200, 200, 200);

}  // namespace

void GLWidget::setResiduals(std::shared_ptr<const std::vector<ControlResidual>> residuals)
{
    residualsDs1 = std::move(residuals);
}

void GLWidget::updateDrawResiduals(int state)
{
    bDrawResiduals = state != Qt::Unchecked;
    reRender();
    update();
}

bool GLWidget::centreOnWorstResidual()
{
    if (!residualsDs1 || !ptsDs1)
        return false;
    const int32_t worst = summarizeResiduals(*residualsDs1).worstPoint;
    if (worst < 0 || uint32_t(worst) >= drawableCountDs1())
        return false;
    const PointRecord &p = ptsDs1[worst];
    GLC_Camera *camera = viewport.cameraHandle();
    camera->translate(GLC_Vector3d(p.x, p.y, p.h * dScaleZ) - camera->target());
    noteCameraMoving();
    update();
    emit viewChanged();
    return true;
}

void GLWidget::drawResiduals()
{
    if (!residualsDs1 || !ptsDs1)
        return;
    const uint32_t count = drawableCountDs1();
    const GLC_Matrix4 modelView = viewport.modelViewMatrix();
    const GLC_Matrix4 projection = viewport.projectionMatrix();
    const int w = viewport.viewHSize();
    const int h = viewport.viewVSize();
    const auto project = [&](double x, double y, double z, GLC_Vector3d &window) {
        return glcProject(GLC_Vector3d(x, y, z), modelView, projection, w, h, window) && window.z() >= 0.0 &&
               window.z() <= 1.0;
    };

    const WindowPixelScope pixels(w, h, GL_POLYGON_BIT);
    glLineWidth(kResidualArrowWidth);

    GLC_Vector3d from, to;
    glBegin(GL_LINES);
    for (const ResidualArrow &arrow : residualArrows(ptsDs1, count, *residualsDs1, double(iVectorMult))) {
        const PointRecord &p = ptsDs1[arrow.point];
        const double z = p.h * dScaleZ;
        if (!project(p.x, p.y, z, from) || !project(p.x + arrow.east, p.y + arrow.north, z, to))
            continue;
        const double dx = to.x() - from.x(), dy = to.y() - from.y();
        const double length = std::hypot(dx, dy);
        glColor3ub(GLubyte(arrow.colour.red()), GLubyte(arrow.colour.green()), GLubyte(arrow.colour.blue()));
        glVertex2d(from.x(), from.y());
        glVertex2d(to.x(), to.y());
        if (length < 1.0)
            continue;
        const double head = std::min(kArrowHeadPixels, kArrowHeadShare * length);
        const double ux = dx / length, uy = dy / length;
        const double bx = to.x() - ux * head, by = to.y() - uy * head;
        const double sx = -uy * head * kArrowHeadSpread, sy = ux * head * kArrowHeadSpread;
        glVertex2d(to.x(), to.y());
        glVertex2d(bx + sx, by + sy);
        glVertex2d(to.x(), to.y());
        glVertex2d(bx - sx, by - sy);
    }
    glEnd();

    glColor3ub(GLubyte(kBoundaryColour.red()), GLubyte(kBoundaryColour.green()), GLubyte(kBoundaryColour.blue()));
    for (const uint32_t i : boundaryPoints(count, *residualsDs1)) {
        const PointRecord &p = ptsDs1[i];
        if (!project(p.x, p.y, p.h * dScaleZ, from))
            continue;
        glBegin(GL_LINE_LOOP);
        glVertex2d(from.x() - kBoundaryHalfSide, from.y() - kBoundaryHalfSide);
        glVertex2d(from.x() + kBoundaryHalfSide, from.y() - kBoundaryHalfSide);
        glVertex2d(from.x() + kBoundaryHalfSide, from.y() + kBoundaryHalfSide);
        glVertex2d(from.x() - kBoundaryHalfSide, from.y() + kBoundaryHalfSide);
        glEnd();
    }
}

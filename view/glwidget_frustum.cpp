// The frustum update of a view: planes of the frame's camera, and in the
// clipper modes the vertices where the frustum cuts the data box.

#include "view/glwidget.h"

#include <QOpenGLContext>

using namespace veltrane;

void GLWidget::computeFrustum()
{
    if (iOptMode != kOptNone) {
        // Before the view has a context of its own (the set-up's first call)
        // any defined planes serve: those of identity matrices.
        Matrix4 projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        Matrix4 modelView = projection;
        if (QOpenGLContext::currentContext()) {
            glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
            glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
        }
        frustum = std::make_shared<const FrustumPlanes>(extractFrustumPlanes(projection, modelView));

        if (runsClipper()) {
            std::vector<Point3> points;
            if (boxPlanes && boxCorners)
                points = clipFrustumToBox(*frustum, *boxPlanes, *boxCorners, statsDs1);
            nClipPoints = int32_t(points.size());
            clipPoints = std::make_shared<const std::vector<Point3>>(std::move(points));
            if (nClipPoints > 3)
                clipBox = std::make_shared<const ClipBox>(pointsExtent(*clipPoints));
            else
                clipBox = std::make_shared<const ClipBox>(
                    ClipBox{statsDs1.xMin, statsDs1.yMin, statsDs1.zMin, statsDs1.xMax, statsDs1.yMax, statsDs1.zMax});
        }
    }
    emit frustumUpdated();
}

#include "view/displaysetup.h"

#include "view/frustum.h"
#include "view/glwidget.h"

#include <algorithm>

namespace veltrane {

namespace {
// How far the frustum viewer's box reaches beyond the data, per unit of range.
constexpr double kViewerBoxPad = 0.75;
}  // namespace

Extent sceneStats(const Extent &stats, double scaleZ)
{
    Extent scaled = stats;
    scaled.zMax *= scaleZ;
    scaled.zMin *= scaleZ;
    scaled.zRange *= scaleZ;
    return scaled;
}

GLC_BoundingBox mainViewBox(const Extent &stats, double scaleZ)
{
    return GLC_BoundingBox(GLC_Vector3d(stats.xMin, stats.yMin, stats.zMin * scaleZ),
                           GLC_Vector3d(stats.xMax, stats.yMax, stats.zMax * scaleZ));
}

GLC_BoundingBox frustumViewerBox(const Extent &stats, double scaleZ)
{
    const double dx = stats.xMax - stats.xMin;
    const double dy = stats.yMax - stats.yMin;
    const double dz = stats.zMax - stats.zMin;
    const GLC_Vector3d lower(stats.xMin - kViewerBoxPad * dx, stats.yMin - kViewerBoxPad * dy,
                             (stats.zMin - kViewerBoxPad * dz) * scaleZ);
    const GLC_Vector3d upper(stats.xMax + kViewerBoxPad * dx, stats.yMax + kViewerBoxPad * dx,
                             stats.zMax * scaleZ + kViewerBoxPad * dx);
    return GLC_BoundingBox(lower, upper);
}

void loadRunIntoView(GLWidget &view, const RunData &run, double scaleZ, ViewRole role,
                     const ViewControlValues *controls)
{
    view.setDataSet1(run.control);
    view.setDataSet2(run.points, uint32_t(std::max(run.pointsExtent.count, 0)));
    view.statsDs1 = sceneStats(run.controlExtent, scaleZ);
    view.setTriangles(run.triangles, run.triangleCount);
    view.setResiduals(run.residuals);
    view.dScaleZ = scaleZ;

    const bool main = role == ViewRole::Main;
    view.boundingBox.combine(main ? mainViewBox(run.controlExtent, scaleZ)
                                  : frustumViewerBox(run.controlExtent, scaleZ));

    if (controls) {
        if (controls->vectorMult)
            view.iVectorMult = *controls->vectorMult;
        view.bDrawBaseMap = controls->drawBaseMap;
        view.bDrawDs1 = controls->drawDs1;
        view.bDrawLabelsDs1 = controls->drawLabelsDs1;
        view.bDrawDs2 = controls->drawDs2;
        view.bDrawLabelsDs2 = controls->drawLabelsDs2;
        view.bDrawTris = controls->drawTris;
        view.bDrawAxis = controls->drawAxis;
        view.bDrawResiduals = controls->drawResiduals;
        if (controls->fontSize)
            view.iFontSize = *controls->fontSize;
        if (controls->colorDs1)
            view.colorDs1 = *controls->colorDs1;
        if (controls->colorDs2)
            view.colorDs2 = *controls->colorDs2;
        if (controls->colorTris)
            view.colorTris = *controls->colorTris;
    }
    if (!main) {
        view.bDrawExtents = true;
        view.iOptMode = GLWidget::kOptNone;
        view.bDrawFrustum = true;
    }

    view.boxPlanes = std::make_shared<const BoxPlanes>(makeBoxPlanes(run.controlExtent, scaleZ));
    if (main) {
        view.boxCorners = std::make_shared<const BoxCorners>(makeBoxCorners(run.controlExtent, scaleZ));
    } else {
        // An empty clip box until the main view sends one.
        view.clipBox = std::make_shared<const ClipBox>(ClipBox{});
    }
}

}  // namespace veltrane

#include "displaysetup.h"

namespace {
// How far the frustum viewer's box reaches beyond the data, per unit of range.
constexpr double kViewerBoxPad = 0.75;
}  // namespace

STATS sceneStats(const STATS &stats, double scaleZ)
{
    STATS scaled = stats;
    scaled.zMax *= scaleZ;
    scaled.zMin *= scaleZ;
    scaled.zRange *= scaleZ;
    return scaled;
}

GLC_BoundingBox mainViewBox(const STATS &stats, double scaleZ)
{
    return GLC_BoundingBox(GLC_Vector3d(stats.xMin, stats.yMin, stats.zMin * scaleZ),
                           GLC_Vector3d(stats.xMax, stats.yMax, stats.zMax * scaleZ));
}

GLC_BoundingBox frustumViewerBox(const STATS &stats, double scaleZ)
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

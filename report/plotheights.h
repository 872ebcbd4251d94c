#pragma once
// The panel of the height residuals: a small map of the network with a
// circle at every validated point, red when the interpolated height change
// is above the known one and blue when below, its area growing with the size.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"
#include "report/plotstyle.h"

#include <QPainter>
#include <QRectF>
#include <vector>

namespace veltrane {

void drawHeightPanel(QPainter &painter, const QRectF &panel, const std::vector<PointRecord> &control,
                     const std::vector<Triangle> &triangles, const std::vector<ControlResidual> &residuals,
                     const PlotStyle &style);

}  // namespace veltrane

#pragma once
// Where each part of the picture goes: the title on top, the map of the
// horizontal residuals on the left with room for its tick labels, a column on
// the right with the height residuals, the legend and the histogram, and the
// footer at the bottom.

#include <QRectF>
#include <QSize>

namespace veltrane {

struct PlotLayout {
    QRectF title;
    QRectF map;        // the horizontal residuals' map, inside its tick labels
    QRectF heightMap;  // the height residuals' map
    QRectF legend;
    QRectF histogram;
    QRectF footer;
};

PlotLayout plotLayout(const QSize &canvas);

}  // namespace veltrane

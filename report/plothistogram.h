#pragma once
// The histogram of the horizontal residuals, in millimetres, its bars in the
// colours the arrows of their sizes take; the overflow bin apart at the right.

#include "report/plotcontent.h"
#include "report/plotstyle.h"

#include <QPainter>
#include <QRectF>

namespace veltrane {

void drawHistogram(QPainter &painter, const QRectF &box, const HistogramBins &bins, size_t values,
                   const PlotStyle &style);

}  // namespace veltrane

#pragma once
// The legend of the horizontal residuals' map: the arrow scale bar, the
// colour bar, the symbols of the points and what was left out or cut short.

#include "engine/network/networkvalidation.h"
#include "report/plotcontent.h"
#include "report/plotstyle.h"

#include <QPainter>
#include <QRectF>

namespace veltrane {

struct LegendContent {
    ArrowScale scale;
    ArrowSelection selection;
    double rampTopMillimetres = 0.0;
    ValidationSummary summary;
    size_t named = 0;  // points named by their identifiers
};

void drawLegend(QPainter &painter, const QRectF &box, const LegendContent &content, const PlotStyle &style);

// A white box behind a legend.
void drawPanel(QPainter &painter, const QRectF &box, const PlotStyle &style);

}  // namespace veltrane

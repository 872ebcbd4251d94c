#pragma once
// The map's frame of reference: the graticule with its ticks labelled in
// degrees and minutes, the north arrow and the ground scale bar.

#include "report/mapprojection.h"
#include "report/plotstyle.h"

#include <QPainter>
#include <QRectF>

namespace veltrane {

// Meridians and parallels over `frame`, the frame's outline and, when
// `labelled`, the tick labels left of and below it.
void drawGraticule(QPainter &painter, const MapProjection &map, const QRectF &frame, const PlotStyle &style,
                   bool labelled);

// An arrow pointing north with "N", in the frame's upper right corner.
void drawNorthArrow(QPainter &painter, const QRectF &frame, const PlotStyle &style);

// A bar of a round number of kilometres in the frame's lower left corner.
void drawGroundScale(QPainter &painter, const MapProjection &map, const QRectF &frame, const PlotStyle &style);

}  // namespace veltrane

#pragma once
// The map of the horizontal residuals: the network's edges, the control
// points (boundary points hollow), the residuals as arrows coloured by size
// and the names of the largest.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"
#include "report/mapprojection.h"
#include "report/plotcontent.h"
#include "report/plotstyle.h"

#include <QPainter>
#include <vector>

namespace veltrane {

// An arrow from `from` to `to` in the pen's colour; `cut` adds a bar across
// its shaft (an arrow drawn shorter than its residual).
void drawArrow(QPainter &painter, const QPointF &from, const QPointF &to, const PlotStyle &style, bool cut = false);

// Each edge of the triangles once, fainter the more there are.
void drawNetworkEdges(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                      const std::vector<Triangle> &triangles, const PlotStyle &style);

// Validated points without an arrow as dots, boundary points as hollow
// circles, points whose star is not closed as hollow squares.
void drawControlPoints(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                       const std::vector<ControlResidual> &residuals, const PlotStyle &style);

// The selected residuals as arrows, the largest drawn first so that smaller
// ones stay on top; coloured by size over 0..rampTop millimetres.
void drawResidualArrows(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                        const std::vector<ControlResidual> &residuals, const ArrowSelection &selection,
                        const ArrowScale &scale, double rampTopMillimetres, const PlotStyle &style);

// A ring around each of `named` and its identifier beside it, on a light
// box, placed inside `bounds` where it covers no earlier name.
void drawResidualLabels(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                        const std::vector<size_t> &named, const QRectF &bounds, const PlotStyle &style);

}  // namespace veltrane

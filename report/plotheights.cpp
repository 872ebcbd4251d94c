#include "report/plotheights.h"

#include "report/mapprojection.h"
#include "report/plotarrows.h"
#include "report/plotaxes.h"
#include "report/plotcontent.h"
#include "report/plotscales.h"

#include "engine/geodesy/geodesic.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Pixels at the default size.
constexpr double kLargestSymbol = 7.0;  // radius
constexpr double kSmallestSymbol = 0.8;
constexpr double kPadding = 10.0;
constexpr double kSymbolOpacity = 0.85;
// The largest symbol's radius, of the radius of a point's share of the panel.
constexpr double kShareOfSpacing = 1.2;

double radiusOf(double millimetres, double top, double largest, const PlotStyle &style)
{
    const double share = top > 0.0 ? std::min(1.0, std::sqrt(std::fabs(millimetres) / top)) : 0.0;
    return std::max(style.px(kSmallestSymbol), largest * share);
}

void drawSymbol(QPainter &painter, const QPointF &at, double millimetres, double top, double largest,
                const PlotStyle &style)
{
    QColor colour = millimetres >= 0.0 ? kPlotHeightUpColour : kPlotHeightDownColour;
    colour.setAlphaF(kSymbolOpacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const double r = radiusOf(millimetres, top, largest, style);
    painter.drawEllipse(at, r, r);
}

}  // namespace

void drawHeightPanel(QPainter &painter, const QRectF &panel, const std::vector<PointRecord> &control,
                     const std::vector<Triangle> &triangles, const std::vector<ControlResidual> &residuals,
                     const PlotStyle &style)
{
    painter.setFont(style.text);
    const QFontMetricsF metrics(style.text);
    const double line = metrics.height();
    const double top = heightSymbolTop(residuals);
    std::vector<size_t> order;
    for (size_t i = 0; i < residuals.size() && i < control.size(); ++i)
        if (residuals[i].state == ResidualState::Validated && std::isfinite(control[i].x) &&
            std::isfinite(control[i].y))
            order.push_back(i);
    painter.setPen(kPlotTextColour);
    painter.drawText(QPointF(panel.left(), panel.top() + metrics.ascent()),
                     QStringLiteral("Height residuals (predicted minus known)"));

    // The key: an up and a down symbol of the largest size with its value.
    const double keyY = panel.top() + line * 1.6;
    const QRectF frame(panel.left(), keyY + line, panel.width(), panel.bottom() - keyY - line);
    // The largest symbol no wider than a point's share of the panel allows.
    const double share = std::sqrt(frame.width() * frame.height() / (kPi * double(std::max<size_t>(order.size(), 1))));
    const double largest = std::clamp(share * kShareOfSpacing, style.px(kSmallestSymbol), style.px(kLargestSymbol));
    const double r = style.px(kLargestSymbol);
    double x = panel.left() + r;
    const QString keys[] = {QStringLiteral("up"), QStringLiteral("down"),
                            QStringLiteral("largest symbol: ") + millimetreText(top) + QStringLiteral(" or more")};
    for (int k = 0; k < 2; ++k) {
        drawSymbol(painter, QPointF(x, keyY), k == 0 ? top : -top, top, r, style);
        painter.setPen(kPlotTextColour);
        painter.drawText(QPointF(x + r * 1.6, keyY + metrics.ascent() * 0.4), keys[k]);
        x += r * 3.2 + metrics.horizontalAdvance(keys[k]);
    }
    painter.setFont(style.small);
    painter.drawText(QPointF(x, keyY + metrics.ascent() * 0.4), keys[2]);

    const MapProjection map(control, frame, style.px(kPadding));
    painter.save();
    painter.setClipRect(frame);
    drawNetworkEdges(painter, map, control, triangles, style);
    // Smaller on top of larger.
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return std::fabs(residuals[a].up) > std::fabs(residuals[b].up); });
    for (const size_t i : order)
        drawSymbol(painter, map.at(control[i].x, control[i].y), residuals[i].up * kMillimetresPerMetre, top, largest,
                   style);
    painter.restore();
    drawGraticule(painter, map, frame, style, false);
}

}  // namespace veltrane

#include "tools/validationplot/plotheights.h"

#include "tools/validationplot/mapprojection.h"
#include "tools/validationplot/plotarrows.h"
#include "tools/validationplot/plotaxes.h"
#include "tools/validationplot/plotcontent.h"
#include "tools/validationplot/plotscales.h"

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

double radiusOf(double millimetres, double top, const PlotStyle &style)
{
    const double share = top > 0.0 ? std::min(1.0, std::sqrt(std::fabs(millimetres) / top)) : 0.0;
    return std::max(style.px(kSmallestSymbol), style.px(kLargestSymbol) * share);
}

void drawSymbol(QPainter &painter, const QPointF &at, double millimetres, double top, const PlotStyle &style)
{
    QColor colour = millimetres >= 0.0 ? kPlotHeightUpColour : kPlotHeightDownColour;
    colour.setAlphaF(kSymbolOpacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const double r = radiusOf(millimetres, top, style);
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
    painter.setPen(kPlotTextColour);
    painter.drawText(QPointF(panel.left(), panel.top() + metrics.ascent()),
                     QStringLiteral("Height residuals (predicted minus known)"));

    // The key: an up and a down symbol of the largest size with its value.
    const double keyY = panel.top() + line * 1.6;
    const double r = style.px(kLargestSymbol);
    double x = panel.left() + r;
    const QString keys[] = {QStringLiteral("up"), QStringLiteral("down"),
                            QStringLiteral("largest symbol: ") + millimetreText(top) + QStringLiteral(" or more")};
    for (int k = 0; k < 2; ++k) {
        drawSymbol(painter, QPointF(x, keyY), k == 0 ? top : -top, top, style);
        painter.setPen(kPlotTextColour);
        painter.drawText(QPointF(x + r * 1.6, keyY + metrics.ascent() * 0.4), keys[k]);
        x += r * 3.2 + metrics.horizontalAdvance(keys[k]);
    }
    painter.setFont(style.small);
    painter.drawText(QPointF(x, keyY + metrics.ascent() * 0.4), keys[2]);

    const QRectF frame(panel.left(), keyY + line, panel.width(), panel.bottom() - keyY - line);
    const MapProjection map(control, frame, style.px(kPadding));
    painter.save();
    painter.setClipRect(frame);
    drawNetworkEdges(painter, map, control, triangles, style);
    std::vector<size_t> order;
    for (size_t i = 0; i < residuals.size() && i < control.size(); ++i)
        if (residuals[i].state == ResidualState::Validated && std::isfinite(control[i].x) &&
            std::isfinite(control[i].y))
            order.push_back(i);
    // Smaller on top of larger.
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return std::fabs(residuals[a].up) > std::fabs(residuals[b].up); });
    for (const size_t i : order)
        drawSymbol(painter, map.at(control[i].x, control[i].y), residuals[i].up * kMillimetresPerMetre, top, style);
    painter.restore();
    drawGraticule(painter, map, frame, style, false);
}

}  // namespace veltrane

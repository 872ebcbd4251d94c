#include "report/plotlegend.h"

#include "report/plotarrows.h"
#include "report/plotscales.h"

#include <QFontMetricsF>
#include <QLinearGradient>

namespace veltrane {

namespace {

constexpr double kPanelOpacity = 0.9;
constexpr int kGradientStops = 10;
// Pixels at the default size.
constexpr double kSymbolRadius = 4.0;

}  // namespace

void drawPanel(QPainter &painter, const QRectF &box, const PlotStyle &style)
{
    painter.setPen(QPen(kPlotEdgeColour, style.px(1.0)));
    QColor fill = kPlotBackground;
    fill.setAlphaF(kPanelOpacity);
    painter.setBrush(fill);
    painter.drawRect(box);
}

void drawLegend(QPainter &painter, const QRectF &box, const LegendContent &content, const PlotStyle &style)
{
    drawPanel(painter, box, style);
    painter.setFont(style.text);
    const QFontMetricsF metrics(style.text);
    const double pad = metrics.height() * 0.5, line = metrics.height() * 1.25;
    double y = box.top() + pad + metrics.ascent();
    const double left = box.left() + pad;
    const auto text = [&](const QString &words, double x = -1.0) {
        painter.setPen(kPlotTextColour);
        painter.drawText(QPointF(x < 0 ? left : x, y), words);
    };

    // Arrow scale: a bar of a round length with its value.
    const ArrowScale &scale = content.scale;
    text(QStringLiteral("Horizontal residuals (predicted minus known), arrow scale:"));
    y += line;
    const double barPixels = scale.barMillimetres * scale.pixelsPerMillimetre;
    painter.setPen(QPen(kPlotTextColour, style.px(1.7)));
    drawArrow(painter, QPointF(left, y - metrics.ascent() * 0.35),
              QPointF(left + barPixels, y - metrics.ascent() * 0.35), style);
    text(millimetreText(scale.barMillimetres), left + barPixels + pad);
    y += line;

    // Colour bar over 0..top.
    const QRectF ramp(left, y - metrics.ascent(), box.width() - 2 * pad, metrics.height() * 0.8);
    QLinearGradient gradient(ramp.topLeft(), ramp.topRight());
    for (int k = 0; k <= kGradientStops; ++k)
        gradient.setColorAt(double(k) / kGradientStops, rampColour(double(k) / kGradientStops));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRect(ramp);
    y = ramp.bottom() + metrics.ascent() + style.px(2);
    painter.setFont(style.small);
    const QFontMetricsF small(style.small);
    text(QStringLiteral("0"));
    const QString top = QStringLiteral("\u2265 ") + millimetreText(content.rampTopMillimetres);
    text(top, ramp.right() - small.horizontalAdvance(top));
    painter.setFont(style.text);
    y += line;

    // The points' symbols.
    const double r = style.px(kSymbolRadius);
    const auto symbolLine = [&](int kind, const QString &words) {
        const QPointF at(left + r, y - metrics.ascent() * 0.35);
        if (kind == 0) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kPlotPointColour);
            painter.drawEllipse(at, r * 0.5, r * 0.5);
        } else if (kind == 1) {
            painter.setPen(QPen(kPlotPointColour, style.px(1.2)));
            painter.setBrush(kPlotBackground);
            painter.drawEllipse(at, r * 0.8, r * 0.8);
        } else if (kind == 2) {
            painter.setPen(QPen(kPlotPointColour, style.px(1.2)));
            painter.setBrush(kPlotBackground);
            painter.drawRect(QRectF(at.x() - r * 0.8, at.y() - r * 0.8, r * 1.6, r * 1.6));
        } else {
            painter.setPen(QPen(kPlotLabelColour, style.px(1.6)));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at, r, r);
        }
        text(words, left + r * 3);
        y += line;
    };
    const ValidationSummary &s = content.summary;
    symbolLine(0, QStringLiteral("Validated control point (%1)").arg(s.validated));
    symbolLine(1, QStringLiteral("Boundary point, not validated (%1)").arg(s.boundary));
    if (s.irregular > 0)
        symbolLine(2, QStringLiteral("Star not closed, not validated (%1)").arg(s.irregular));
    if (content.named > 0)
        symbolLine(3, QStringLiteral("The %1 largest residuals, named").arg(content.named));

    painter.setFont(style.small);
    if (content.selection.thinned()) {
        text(QStringLiteral("Arrows only for the %1 largest of %2 residuals,")
                 .arg(content.selection.drawn.size())
                 .arg(content.selection.validated));
        y += line * 0.9;
        text(QStringLiteral("those of %1 or more; the others as dots")
                 .arg(millimetreText(content.selection.thresholdMillimetres)));
        y += line * 0.9;
    }
    if (scale.clips())
        text(QStringLiteral("Arrows over %1 drawn %1 long, with a bar across")
                 .arg(millimetreText(scale.clipMillimetres)));
}

}  // namespace veltrane

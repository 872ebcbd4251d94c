#include "report/plotaxes.h"

#include "report/plotscales.h"

#include <QFontMetricsF>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Lines of the graticule across the map's shorter extent in degrees, at least.
constexpr int kGraticuleLines = 4;
// Pixels at the default size.
constexpr double kTickLength = 6.0;
constexpr double kNorthArrowLength = 44.0;
constexpr double kNorthArrowWidth = 16.0;
constexpr double kCornerInset = 14.0;
constexpr double kScaleBarHeight = 7.0;
constexpr double kMetresPerKilometre = 1000.0;
constexpr double kGraticuleOpacity = 0.55;

// Multiples of `step` from `low` to `high`.
std::vector<double> multiples(double low, double high, double step)
{
    std::vector<double> values;
    for (double k = std::ceil(low / step); k * step <= high; k += 1.0)
        values.push_back(k * step);
    return values;
}

QString kilometreText(double km)
{
    return km >= 1.0 ? QString::number(km, 'g', 6) + QStringLiteral(" km")
                     : QString::number(km * kMetresPerKilometre, 'g', 6) + QStringLiteral(" m");
}

}  // namespace

void drawGraticule(QPainter &painter, const MapProjection &map, const QRectF &frame, const PlotStyle &style,
                   bool labelled)
{
    const double lonSpan = map.east() - map.west(), latSpan = map.north() - map.south();
    const double step = graticuleStep(std::min(lonSpan, latSpan), kGraticuleLines);
    const std::vector<double> meridians = multiples(map.west(), map.east(), step);
    const std::vector<double> parallels = multiples(map.south(), map.north(), step);

    painter.save();
    painter.setClipRect(frame);
    QColor line = kPlotGraticuleColour;
    line.setAlphaF(kGraticuleOpacity);
    painter.setPen(QPen(line, style.px(0.8), Qt::DashLine));
    for (const double lon : meridians)
        painter.drawLine(QPointF(map.at(lon, 0).x(), frame.top()), QPointF(map.at(lon, 0).x(), frame.bottom()));
    for (const double lat : parallels)
        painter.drawLine(QPointF(frame.left(), map.at(0, lat).y()), QPointF(frame.right(), map.at(0, lat).y()));
    painter.restore();

    painter.setPen(QPen(kPlotTextColour, style.px(1.0)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    const double tick = style.px(kTickLength);
    for (const double lon : meridians) {
        const double x = map.at(lon, 0).x();
        painter.drawLine(QPointF(x, frame.bottom()), QPointF(x, frame.bottom() - tick));
        painter.drawLine(QPointF(x, frame.top()), QPointF(x, frame.top() + tick));
    }
    for (const double lat : parallels) {
        const double y = map.at(0, lat).y();
        painter.drawLine(QPointF(frame.left(), y), QPointF(frame.left() + tick, y));
        painter.drawLine(QPointF(frame.right(), y), QPointF(frame.right() - tick, y));
    }
    if (!labelled)
        return;
    painter.setFont(style.small);
    const QFontMetricsF metrics(style.small);
    for (const double lon : meridians) {
        const QString text = angleText(lon, false, step);
        const double x = map.at(lon, 0).x() - metrics.horizontalAdvance(text) * 0.5;
        painter.drawText(QPointF(x, frame.bottom() + tick * 0.5 + metrics.ascent()), text);
    }
    for (const double lat : parallels) {
        const QString text = angleText(lat, true, step);
        const double y = map.at(0, lat).y() + metrics.ascent() * 0.4;
        painter.drawText(QPointF(frame.left() - tick * 0.5 - metrics.horizontalAdvance(text), y), text);
    }
}

void drawNorthArrow(QPainter &painter, const QRectF &frame, const PlotStyle &style)
{
    const double length = style.px(kNorthArrowLength), half = style.px(kNorthArrowWidth) * 0.5;
    painter.setFont(style.text);
    const QFontMetricsF metrics(style.text);
    const QPointF tip(frame.right() - style.px(kCornerInset) - half,
                      frame.top() + style.px(kCornerInset) + metrics.height());
    const QPointF base = tip + QPointF(0, length);
    QPolygonF left, right;
    left << tip << base << base + QPointF(-half, length * 0.15);
    right << tip << base << base + QPointF(half, length * 0.15);
    painter.setPen(QPen(kPlotTextColour, style.px(1.0)));
    painter.setBrush(kPlotTextColour);
    painter.drawPolygon(left);
    painter.setBrush(kPlotBackground);
    painter.drawPolygon(right);
    painter.setPen(kPlotTextColour);
    const QString north = QStringLiteral("N");
    painter.drawText(QPointF(tip.x() - metrics.horizontalAdvance(north) * 0.5, tip.y() - metrics.descent()), north);
}

void drawGroundScale(QPainter &painter, const MapProjection &map, const QRectF &frame, const PlotStyle &style)
{
    const double metresPerPixel = map.metresPerPixel();
    if (!(metresPerPixel > 0.0) || !std::isfinite(metresPerPixel))
        return;
    const double widthKm = frame.width() * metresPerPixel / kMetresPerKilometre;
    const double km = groundScaleKm(widthKm);
    const double length = km * kMetresPerKilometre / metresPerPixel;
    painter.setFont(style.small);
    const QFontMetricsF metrics(style.small);
    const double inset = style.px(kCornerInset), height = style.px(kScaleBarHeight);
    const QRectF bar(frame.left() + inset, frame.bottom() - inset - height, length, height);
    painter.setPen(QPen(kPlotTextColour, style.px(1.0)));
    painter.setBrush(kPlotBackground);
    painter.drawRect(bar);
    painter.setBrush(kPlotTextColour);
    painter.drawRect(QRectF(bar.left(), bar.top(), length * 0.5, height));
    const QString text = kilometreText(km);
    painter.drawText(QPointF(bar.left(), bar.top() - metrics.descent() - style.px(2)), QStringLiteral("0"));
    painter.drawText(
        QPointF(bar.right() - metrics.horizontalAdvance(text) * 0.5, bar.top() - metrics.descent() - style.px(2)),
        text);
}

}  // namespace veltrane

#include "report/plotarrows.h"

#include "report/plotscales.h"

#include <QFontMetricsF>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <set>

namespace veltrane {

namespace {

// Pixels at the default size.
constexpr double kArrowWidth = 1.7;
constexpr double kArrowHeadMax = 11.0;
constexpr double kArrowHeadShare = 0.35;  // of the arrow's length
constexpr double kHeadHalfAngle = 0.45;   // radians
constexpr double kCutBar = 5.0;           // half length of the bar across a cut arrow
constexpr double kDotRadius = 1.6;
constexpr double kHollowRadius = 3.2;
constexpr double kRingRadius = 7.0;
constexpr double kLabelOffset = 9.0;
constexpr double kLabelPadding = 2.0;
constexpr double kLabelBoxOpacity = 0.8;
constexpr double kEdgeWidth = 0.8;

QPointF pointOf(const MapProjection &map, const PointRecord &p)
{
    return map.at(p.x, p.y);
}

bool finite(const PointRecord &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

void drawArrow(QPainter &painter, const QPointF &from, const QPointF &to, const PlotStyle &style, bool cut)
{
    const QLineF shaft(from, to);
    painter.drawLine(shaft);
    const double length = shaft.length();
    if (length < 1.0)
        return;
    const QPointF along = (to - from) / length, across(-along.y(), along.x());
    if (cut) {
        const QPointF middle = from + (to - from) * 0.55, bar = across * style.px(kCutBar);
        painter.drawLine(middle - bar, middle + bar);
    }
    const double head = std::min(style.px(kArrowHeadMax), length * kArrowHeadShare);
    const double angle = std::atan2(along.y(), along.x());
    QPolygonF tip;
    tip << to << to - QPointF(head * std::cos(angle - kHeadHalfAngle), head * std::sin(angle - kHeadHalfAngle))
        << to - QPointF(head * std::cos(angle + kHeadHalfAngle), head * std::sin(angle + kHeadHalfAngle));
    painter.save();
    painter.setBrush(painter.pen().color());
    painter.setPen(QPen(painter.pen().color(), painter.pen().widthF() * 0.5));
    painter.drawPolygon(tip);
    painter.restore();
}

void drawNetworkEdges(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                      const std::vector<Triangle> &triangles, const PlotStyle &style)
{
    std::set<std::pair<int32_t, int32_t>> edges;
    for (const Triangle &t : triangles) {
        if (!triangleIndicesValid(t, int64_t(control.size())))
            continue;
        for (const auto &e : {std::minmax(t.p1, t.p2), std::minmax(t.p2, t.p3), std::minmax(t.p3, t.p1)})
            edges.insert(e);
    }
    QColor colour = kPlotEdgeColour;
    const double opacity = markOpacity(edges.size());
    colour.setAlphaF(opacity);
    painter.setPen(QPen(colour, style.px(kEdgeWidth) * std::max(0.6, opacity)));
    for (const auto &e : edges) {
        const PointRecord &a = control[size_t(e.first)], &b = control[size_t(e.second)];
        if (finite(a) && finite(b))
            painter.drawLine(pointOf(map, a), pointOf(map, b));
    }
}

void drawControlPoints(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                       const std::vector<ControlResidual> &residuals, const PlotStyle &style)
{
    const size_t dots = size_t(std::count_if(residuals.begin(), residuals.end(), [](const ControlResidual &r) {
        return r.state == ResidualState::Validated;
    }));
    QColor dotColour = kPlotPointColour;
    dotColour.setAlphaF(markOpacity(dots));
    const double dot = style.px(kDotRadius) * std::max(0.6, markOpacity(dots)), hollow = style.px(kHollowRadius);
    for (size_t i = 0; i < control.size() && i < residuals.size(); ++i) {
        if (!finite(control[i]))
            continue;
        const QPointF at = pointOf(map, control[i]);
        switch (residuals[i].state) {
        case ResidualState::Validated:
            painter.setPen(Qt::NoPen);
            painter.setBrush(dotColour);
            painter.drawEllipse(at, dot, dot);
            break;
        case ResidualState::Boundary:
            painter.setPen(QPen(kPlotPointColour, style.px(1.2)));
            painter.setBrush(kPlotBackground);
            painter.drawEllipse(at, hollow, hollow);
            break;
        case ResidualState::Irregular:
            painter.setPen(QPen(kPlotPointColour, style.px(1.2)));
            painter.setBrush(kPlotBackground);
            painter.drawRect(QRectF(at.x() - hollow, at.y() - hollow, 2 * hollow, 2 * hollow));
            break;
        default:
            break;
        }
    }
}

void drawResidualArrows(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                        const std::vector<ControlResidual> &residuals, const ArrowSelection &selection,
                        const ArrowScale &scale, double rampTopMillimetres, const PlotStyle &style)
{
    if (!(scale.pixelsPerMillimetre > 0.0))
        return;
    for (const size_t i : selection.drawn) {
        const ControlResidual &r = residuals[i];
        const double millimetres = r.horizontal * kMillimetresPerMetre;
        const bool cut = millimetres > scale.clipMillimetres;
        const double shown = cut ? scale.clipMillimetres / millimetres : 1.0;
        const double perMetre = scale.pixelsPerMillimetre * kMillimetresPerMetre * shown;
        const QPointF from = pointOf(map, control[i]);
        const QPointF to = from + QPointF(r.east * perMetre, -r.north * perMetre);
        painter.setPen(
            QPen(rampColour(millimetres / rampTopMillimetres), style.px(kArrowWidth), Qt::SolidLine, Qt::RoundCap));
        drawArrow(painter, from, to, style, cut);
    }
}

void drawResidualLabels(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                        const std::vector<size_t> &named, const QRectF &bounds, const PlotStyle &style)
{
    painter.setFont(style.text);
    const QFontMetricsF metrics(style.text);
    const double offset = style.px(kLabelOffset), pad = style.px(kLabelPadding), ring = style.px(kRingRadius);
    std::vector<QRectF> taken;
    for (const size_t i : named) {
        const QPointF at = pointOf(map, control[i]);
        painter.setPen(QPen(kPlotLabelColour, style.px(1.6)));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, ring, ring);

        const QString text = control[i].id;
        const QSizeF size(metrics.horizontalAdvance(text) + 2 * pad, metrics.height() + pad);
        // Upper right, lower right, upper left, lower left, above, below.
        const QPointF corners[] = {at + QPointF(offset, -offset - size.height()),
                                   at + QPointF(offset, offset),
                                   at + QPointF(-offset - size.width(), -offset - size.height()),
                                   at + QPointF(-offset - size.width(), offset),
                                   at + QPointF(-size.width() * 0.5, -offset * 1.5 - size.height()),
                                   at + QPointF(-size.width() * 0.5, offset * 1.5)};
        QRectF box(corners[0], size);
        for (const QPointF &corner : corners) {
            const QRectF candidate(corner, size);
            if (bounds.contains(candidate) &&
                std::none_of(taken.begin(), taken.end(), [&](const QRectF &r) { return r.intersects(candidate); })) {
                box = candidate;
                break;
            }
        }
        taken.push_back(box);
        QColor fill = kPlotBackground;
        fill.setAlphaF(kLabelBoxOpacity);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRect(box);
        painter.setPen(kPlotLabelColour);
        painter.drawText(QPointF(box.left() + pad, box.top() + pad * 0.5 + metrics.ascent()), text);
    }
}

}  // namespace veltrane

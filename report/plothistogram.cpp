#include "report/plothistogram.h"

#include "report/plotlegend.h"
#include "report/plotscales.h"

#include <QFontMetricsF>
#include <algorithm>

namespace veltrane {

namespace {

constexpr double kBarShare = 0.85;  // of a bin's width; the rest is the gap

}  // namespace

void drawHistogram(QPainter &painter, const QRectF &box, const HistogramBins &bins, size_t values,
                   const PlotStyle &style)
{
    drawPanel(painter, box, style);
    painter.setFont(style.text);
    const QFontMetricsF metrics(style.text);
    const double pad = metrics.height() * 0.5;
    painter.setPen(kPlotTextColour);
    painter.drawText(QPointF(box.left() + pad, box.top() + pad + metrics.ascent()),
                     QStringLiteral("Horizontal residuals, mm (%1 points)").arg(values));
    painter.setFont(style.small);
    const QFontMetricsF small(style.small);

    uint32_t highest = bins.overflow;
    for (const uint32_t c : bins.counts)
        highest = std::max(highest, c);
    highest = std::max<uint32_t>(highest, 1);
    const QString highestText = QString::number(highest);
    const double left = box.left() + pad * 1.5 + small.horizontalAdvance(highestText);
    const QRectF bars(left, box.top() + pad + metrics.height() * 1.5, box.right() - pad - left,
                      box.bottom() - pad - small.height() * 1.3 - (box.top() + pad + metrics.height() * 1.5));
    const size_t slotCount = bins.counts.size() + (bins.overflow > 0 ? 2 : 0);  // a gap before the overflow bin
    const double slot = bars.width() / double(std::max<size_t>(slotCount, 1));
    painter.setPen(Qt::NoPen);
    for (size_t b = 0; b < bins.counts.size(); ++b) {
        const double h = bars.height() * bins.counts[b] / highest;
        painter.setBrush(rampColour((double(b) + 0.5) / double(bins.counts.size())));
        painter.drawRect(QRectF(bars.left() + double(b) * slot, bars.bottom() - h, slot * kBarShare, h));
    }
    const double overflowLeft = bars.left() + double(bins.counts.size() + 1) * slot;
    if (bins.overflow > 0) {
        const double h = bars.height() * bins.overflow / highest;
        painter.setBrush(rampColour(1.0));
        painter.drawRect(QRectF(overflowLeft, bars.bottom() - h, slot * kBarShare, h));
    }

    painter.setPen(QPen(kPlotTextColour, style.px(1.0)));
    painter.drawLine(bars.bottomLeft(), bars.bottomRight());
    painter.drawLine(bars.bottomLeft(), bars.topLeft());
    const double ticksX = pad * 0.5;
    painter.drawText(QPointF(bars.left() - ticksX - small.horizontalAdvance(highestText), bars.top() + small.ascent()),
                     highestText);
    painter.drawText(QPointF(bars.left() - ticksX - small.horizontalAdvance(QStringLiteral("0")), bars.bottom()),
                     QStringLiteral("0"));
    const double textY = bars.bottom() + small.ascent() + style.px(2);
    painter.drawText(QPointF(bars.left(), textY), QStringLiteral("0"));
    const QString top = millimetreNumber(bins.top());
    const double topX = bars.left() + double(bins.counts.size()) * slot;
    const double topShift = bins.overflow > 0 ? small.horizontalAdvance(top) : small.horizontalAdvance(top) * 0.5;
    painter.drawText(QPointF(topX - topShift, textY), top);
    if (bins.overflow > 0) {
        const QString more = QStringLiteral("more");
        painter.drawText(QPointF(overflowLeft, textY), more);
    }
    const QString middle = millimetreNumber(bins.top() * 0.5);
    painter.drawText(
        QPointF(bars.left() + double(bins.counts.size()) * slot * 0.5 - small.horizontalAdvance(middle) * 0.5, textY),
        middle);
}

}  // namespace veltrane

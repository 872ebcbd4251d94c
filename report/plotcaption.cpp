#include "report/plotcaption.h"

#include "report/plotscales.h"

#include <QFontMetricsF>

namespace veltrane {

QStringList plotTitleLines(const ValidationSummary &summary, const std::vector<PointRecord> &control)
{
    const QString title = QStringLiteral("Network check, leave-one-out: %1 of %2 control points validated")
                              .arg(summary.validated)
                              .arg(summary.controlPoints);
    if (summary.worstPoint < 0 || size_t(summary.worstPoint) >= control.size())
        return {title};
    // One pass over the pattern, so that an identifier holding "%1" stays as it is.
    return {title,
            QStringLiteral("Horizontal residuals: RMS %1, maximum %2 at %3 | height residuals: RMS %4, "
                           "maximum %5")
                .arg(millimetreText(summary.rmsHorizontal * kMillimetresPerMetre),
                     millimetreText(summary.maxHorizontal * kMillimetresPerMetre),
                     control[size_t(summary.worstPoint)].id, millimetreText(summary.rmsVertical * kMillimetresPerMetre),
                     millimetreText(summary.maxVertical * kMillimetresPerMetre))};
}

void drawTitle(QPainter &painter, const QRectF &band, const QStringList &lines, const PlotStyle &style)
{
    painter.setPen(kPlotTextColour);
    double y = band.top();
    for (int k = 0; k < lines.size(); ++k) {
        const QFont &font = k == 0 ? style.title : style.text;
        const QFontMetricsF metrics(font);
        painter.setFont(font);
        y += metrics.ascent();
        painter.drawText(QPointF(band.left(), y), metrics.elidedText(lines[k], Qt::ElideRight, band.width()));
        y += metrics.descent() + metrics.leading() + style.px(3);
    }
}

void drawFooter(QPainter &painter, const QRectF &band, const QStringList &lines, const PlotStyle &style)
{
    painter.setPen(QPen(kPlotEdgeColour, style.px(1.0)));
    painter.drawLine(band.topLeft(), band.topRight());
    painter.setFont(style.small);
    painter.setPen(kPlotTextColour);
    const QFontMetricsF metrics(style.small);
    double y = band.top() + metrics.height() * 0.4 + metrics.ascent();
    for (const QString &line : lines) {
        painter.drawText(QPointF(band.left(), y), metrics.elidedText(line, Qt::ElideMiddle, band.width()));
        y += metrics.height() * 1.1;
    }
}

}  // namespace veltrane

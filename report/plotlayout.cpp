#include "report/plotlayout.h"

#include "report/plotstyle.h"

namespace veltrane {

namespace {

// Pixels at the default size.
constexpr double kMargin = 16.0;
constexpr double kTitleHeight = 48.0;  // a bold line and a plain one
constexpr double kFooterHeight = 40.0;
constexpr double kLatitudeLabels = 82.0;   // left of the map
constexpr double kLongitudeLabels = 24.0;  // below the map
constexpr double kGap = 14.0;
// The right column's share of the width, and its parts' shares of its height.
constexpr double kColumnShare = 0.32;
constexpr double kHeightMapShare = 0.40;
constexpr double kLegendShare = 0.31;

}  // namespace

PlotLayout plotLayout(const QSize &canvas)
{
    const PlotStyle style = plotStyle(canvas);
    const double margin = style.px(kMargin), gap = style.px(kGap);
    PlotLayout layout;
    layout.title = QRectF(margin, margin * 0.5, canvas.width() - 2 * margin, style.px(kTitleHeight));
    layout.footer = QRectF(margin, canvas.height() - margin * 0.5 - style.px(kFooterHeight),
                           canvas.width() - 2 * margin, style.px(kFooterHeight));
    const double top = layout.title.bottom() + gap * 0.5, bottom = layout.footer.top() - gap;
    const double column = canvas.width() * kColumnShare;
    const double columnLeft = canvas.width() - margin - column;
    layout.map = QRectF(margin + style.px(kLatitudeLabels), top, 0, 0);
    layout.map.setRight(columnLeft - gap * 1.5);
    layout.map.setBottom(bottom - style.px(kLongitudeLabels));
    const double height = bottom - top;
    layout.heightMap = QRectF(columnLeft, top, column, height * kHeightMapShare - gap * 0.5);
    layout.legend = QRectF(columnLeft, layout.heightMap.bottom() + gap, column, height * kLegendShare - gap);
    layout.histogram = QRectF(columnLeft, layout.legend.bottom() + gap, column, bottom - layout.legend.bottom() - gap);
    return layout;
}

}  // namespace veltrane

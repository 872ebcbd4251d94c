#include "report/plotstyle.h"

#include "engine/network/residualramp.h"
#include "report/validationplot.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

const char *const kFontFamily = "DejaVu Sans";
// Text heights at the default size, pixels, and the least any may have.
constexpr double kTextPixels = 15.0;
constexpr double kSmallPixels = 12.5;
constexpr double kTitlePixels = 19.0;
constexpr int kLeastFontPixels = 6;

QFont fontOf(double pixels, bool bold)
{
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(std::max(kLeastFontPixels, int(std::lround(pixels))));
    font.setBold(bold);
    // No ligatures, so that a PDF reader copies "ff" in a digest as the two
    // letters it is.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

}  // namespace

QColor rampColour(double t)
{
    const RampColour colour = residualRamp(t);
    return QColor::fromRgbF(colour.red, colour.green, colour.blue);
}

PlotStyle plotStyle(const QSize &canvas)
{
    PlotStyle style;
    style.unit = std::min(canvas.width() / double(kDefaultPlotWidth), canvas.height() / double(kDefaultPlotHeight));
    style.text = fontOf(style.px(kTextPixels), false);
    style.small = fontOf(style.px(kSmallPixels), false);
    style.title = fontOf(style.px(kTitlePixels), true);
    return style;
}

}  // namespace veltrane

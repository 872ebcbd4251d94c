#include "app/windowplacement.h"

#include <algorithm>

namespace veltrane {

namespace {
// Gap between the dock above and the one placed below it, pixels.
constexpr int kDockGap = 8;
}  // namespace

bool designedSizeFits(const QSize &designed, const QRect &available, int titleBarHeight)
{
    return designed.width() <= available.width() && designed.height() + titleBarHeight <= available.height();
}

QPoint floatingDockPosition(const QRect &dockAbove, const QSize &dockSize, const QRect &available)
{
    QPoint corner(dockAbove.left(), dockAbove.bottom() + 1 + kDockGap);
    // Inside the screen: pushed back from the right and bottom edges first,
    // so that a dock too big for the screen keeps its top-left corner visible.
    corner.setX(std::min(corner.x(), available.right() + 1 - dockSize.width()));
    corner.setY(std::min(corner.y(), available.bottom() + 1 - dockSize.height()));
    corner.setX(std::max(corner.x(), available.left()));
    corner.setY(std::max(corner.y(), available.top()));
    return corner;
}

}  // namespace veltrane

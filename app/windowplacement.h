#pragma once
// Where the main window and its floating capture dock open: rules on plain
// rectangles, so they can be checked without a screen.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace veltrane {

// The window keeps its designed size when that size, with a title bar of
// `titleBarHeight` above it, fits the screen's available area; otherwise it
// opens over the whole available area.
bool designedSizeFits(const QSize &designed, const QRect &available, int titleBarHeight);

// Top-left corner of a floating dock of `dockSize` (title bar included) on
// its first show: in the main window's left dock area just below the dock
// that stands there (`dockAbove`, screen coordinates), aligned with its left
// edge, and moved as little as needed to lie inside `available`.
QPoint floatingDockPosition(const QRect &dockAbove, const QSize &dockSize, const QRect &available);

}  // namespace veltrane

// Where the main window and the floating capture dock open, on screens of
// common sizes.

#include "app/windowplacement.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {
const QSize kDesigned(1730, 1020);
constexpr int kTitleBar = 24;
}  // namespace

TEST(WindowSize, DesignedSizeKeptOnlyWhereItFitsWithItsTitleBar)
{
    EXPECT_TRUE(designedSizeFits(kDesigned, QRect(0, 0, 1920, 1200), kTitleBar));
    EXPECT_FALSE(designedSizeFits(kDesigned, QRect(0, 0, 1366, 768), kTitleBar));
    // 1920 x 1080 less a 40 pixel panel: 1020 rows, no room for the title bar.
    EXPECT_FALSE(designedSizeFits(kDesigned, QRect(0, 0, 1920, 1040), kTitleBar));
    EXPECT_TRUE(designedSizeFits(kDesigned, QRect(0, 0, 1730, 1020 + kTitleBar), kTitleBar));
}

TEST(CaptureDockPosition, BelowTheDockAboveAndInsideTheScreen)
{
    const QSize dock(350, 186);
    // Room below "Input Parameters": aligned with it, a small gap below.
    const QPoint below = floatingDockPosition(QRect(100, 80, 550, 550), dock, QRect(0, 0, 1920, 1200));
    EXPECT_EQ(below.x(), 100);
    EXPECT_GT(below.y(), 629);
    EXPECT_LT(below.y(), 650);

    // A short screen pushes it up, never above the screen's top.
    const QRect small(0, 0, 1366, 768);
    const QPoint pushed = floatingDockPosition(QRect(0, 50, 550, 700), dock, small);
    EXPECT_EQ(pushed, QPoint(0, 768 - 186));
    EXPECT_EQ(floatingDockPosition(QRect(1300, 0, 550, 550), dock, small).x(), 1366 - 350);
    EXPECT_EQ(floatingDockPosition(QRect(-200, -50, 10, 10), dock, QRect(0, 30, 1366, 738)), QPoint(0, 30));
}

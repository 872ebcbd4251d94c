// The overlay's colour against the background, the "Last Click" line and
// which converted records the view marks as outside the network.

#include "view/viewmarks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace veltrane;

namespace {
// WCAG contrast ratio of two colours.
double relativeLuminance(const QColor &c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

PointRecord record(double x, double y, double xTo, double yTo, double s)
{
    PointRecord p;
    p.x = x;
    p.y = y;
    p.xTo = xTo;
    p.yTo = yTo;
    p.s = s;
    return p;
}
}  // namespace

TEST(OverlayTextColor, StaysCyanOnTheDefaultBackgrounds)
{
    EXPECT_EQ(overlayTextColor(QColor(65, 65, 65)), QColor(0, 255, 255));
    EXPECT_EQ(overlayTextColor(Qt::black), QColor(0, 255, 255));
}

TEST(OverlayTextColor, IsReadableOnLightBackgrounds)
{
    for (const QColor &background : {QColor(Qt::white), QColor(Qt::yellow), QColor(Qt::cyan), QColor(200, 200, 200)})
        EXPECT_GE(contrast(overlayTextColor(background), background), 4.5) << background.name().toStdString();
}

TEST(LastClickText, DegreesToNineDecimalsAndMetresToThree)
{
    const QString text = lastClickText(GLC_Vector3d(-122.123456789, 44.5, 1234.5678 * 1e-7), 1e-7, false);
    EXPECT_EQ(text.toStdString(), "Last Click:  X = -122.123456789 Y = 44.500000000 Z = 1234.568");
    EXPECT_TRUE(lastClickText(GLC_Vector3d(0, 0, 0), 1e-7, true).endsWith("(nothing drawn there: target kept)"));
}

TEST(OutsideRecords, AreTheUnshiftedRecordsAwayFromTheVertices)
{
    const std::vector<PointRecord> control = {record(-124.0, 42.0, -124.0, 42.0, 0.0)};
    const std::vector<PointRecord> input = {
        record(-123.0, 43.0, -123.00001, 43.00001, 0.5),  // converted
        record(-130.0, 40.0, 0.0, 0.0, 0.0),              // outside
        record(-124.0, 42.0, 0.0, 0.0, 0.0),              // on a vertex
        record(-123.5, 43.5, 0.0, 0.0, 0.2),              // has a shift
        record(-131.0, 39.0, 0.0, 0.0, 0.0),              // outside
    };
    EXPECT_EQ(outsideRecords(input.data(), uint32_t(input.size()), control.data(), uint32_t(control.size())),
              (std::vector<uint32_t>{1, 4}));
    EXPECT_EQ(outsideRecords(input.data(), 2, nullptr, 0), (std::vector<uint32_t>{1}));
    EXPECT_TRUE(outsideRecords(nullptr, 5, control.data(), 1).empty());
}

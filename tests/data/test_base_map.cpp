// The base-map image: its size, and sea in the west where the view puts
// longitude -125.

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include "tests/data/sampledata.h"

namespace {

constexpr int kMapWidth = 2048;   // pixels
constexpr int kMapHeight = 1250;  // pixels

QString mapPath()
{
    return QString::fromStdString(dataPath("Tarvonamap.jpg"));
}

}  // namespace

TEST(BaseMap, HasTheStatedSize)
{
    QImageReader reader(mapPath());
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    EXPECT_EQ(reader.size(), QSize(kMapWidth, kMapHeight));
}

TEST(BaseMap, SeaLiesAlongTheWestEdgeAndLandInTheEast)
{
    const QImage map(mapPath());
    ASSERT_FALSE(map.isNull());
    for (int row = 200; row < kMapHeight - 200; row += 100) {
        const QColor west = map.pixelColor(10, row);
        const QColor east = map.pixelColor(kMapWidth - 400, row);
        EXPECT_GT(west.blue(), west.red() + 40) << "row " << row;
        EXPECT_LT(east.blue(), east.red()) << "row " << row;
    }
}

// Image size and file numbering of the screen capture.

#include "app/capturenaming.h"

#include <gtest/gtest.h>

TEST(CaptureImageSize, ScaleIsTruncatedToAWholeNumber)
{
    EXPECT_EQ(captureImageSize(QSize(800, 600), 2.7), QSize(1600, 1200));
    EXPECT_EQ(captureImageSize(QSize(800, 600), 1.5), QSize(800, 600));
    EXPECT_EQ(captureImageSize(QSize(400, 400), 1.0), QSize(400, 400));
}

TEST(CaptureImageSize, LargerSideIsLimitedKeepingProportions)
{
    EXPECT_EQ(captureImageSize(QSize(1000, 800), 10), QSize(9000, 7200));
    EXPECT_EQ(captureImageSize(QSize(500, 1000), 10), QSize(4500, 9000));
    EXPECT_EQ(captureImageSize(QSize(950, 950), 10), QSize(9000, 9000));
    // Integer division rounds toward zero: 7 * 9000 / 10 = 6300, 333 * 9000 / 1000 = 2997.
    EXPECT_EQ(captureImageSize(QSize(1000, 333), 10), QSize(9000, 2997));
    EXPECT_EQ(captureImageSize(QSize(900, 900), 10), QSize(9000, 9000));
}

TEST(NextCaptureFileName, FollowsTheCounterTable)
{
    const struct {
        const char *current, *next;
    } table[] = {
        {"shot.png", "shot0000.png"},
        {"shot0000.png", "shot0001.png"},
        {"shot0009.png", "shot0010.png"},
        {"shot0999.png", "shot1000.png"},
        {"shot9999.png", "shot10000.png"},
        {"shot10000.png", "shot10001.png"},
        {"7.png", "0008.png"},
        {"", "0000"},
        {"image", "i0000mage"},
        {"/tmp/cap/view0041.jpg", "/tmp/cap/view0042.jpg"},
    };
    for (const auto &row : table)
        EXPECT_EQ(nextCaptureFileName(QString(row.current)), QString(row.next)) << row.current;
}

TEST(NextCaptureFileName, RepeatedCapturesCountUp)
{
    QString name = "shot0000.png";
    for (int i = 1; i <= 12; ++i)
        name = nextCaptureFileName(name);
    EXPECT_EQ(name, QString("shot0012.png"));
}

TEST(NumberedCaptureFileName, InsertsTheCounterBeforeTheExtension)
{
    EXPECT_EQ(numberedCaptureFileName("a.bmp"), QString("a0000.bmp"));
    EXPECT_EQ(numberedCaptureFileName("shot.png"), QString("shot0000.png"));
    EXPECT_EQ(numberedCaptureFileName("shot0003.png"), QString("shot00030000.png"));
    EXPECT_EQ(numberedCaptureFileName("ab"), QString("0000ab"));
}

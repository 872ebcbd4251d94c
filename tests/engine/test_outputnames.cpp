// Naming of the converted-points file.

#include "engine/formats/outputnames.h"

#include <gtest/gtest.h>

using namespace veltrane;

TEST(DeriveOutputPath, ReplacesEveryCsvOfTheFileName)
{
    EXPECT_EQ(deriveOutputPath("C:/data/pts.csv"), QString("C:/data/pts_out.csv"));
    EXPECT_EQ(deriveOutputPath("C:/data/pts.csv.csv"), QString("C:/data/pts_out.csv_out.csv"));
    EXPECT_EQ(deriveOutputPath("a.csv"), QString("a_out.csv"));
    EXPECT_EQ(deriveOutputPath("b.csv"), QString("b_out.csv"));
}

TEST(DeriveOutputPath, NeverReturnsTheInputItself)
{
    EXPECT_EQ(deriveOutputPath("/home/u/pts.txt"), QString("/home/u/pts_out.csv"));
    EXPECT_EQ(deriveOutputPath("/home/u/pts.CSV"), QString("/home/u/pts_out.csv"));
    EXPECT_EQ(deriveOutputPath("/home/u/pts"), QString("/home/u/pts_out.csv"));
    EXPECT_EQ(deriveOutputPath("/home/u/.hidden"), QString("/home/u/.hidden_out.csv"));
    for (const char *input : {"x.csv", "x.txt", "x", "dir.csv/x", "/a.b/c", ""})
        EXPECT_NE(deriveOutputPath(input), QString(input)) << input;
}

TEST(DeriveOutputPath, LeavesFolderNamesAlone)
{
    EXPECT_EQ(deriveOutputPath("/data/old.csv/pts.txt"), QString("/data/old.csv/pts_out.csv"));
    EXPECT_EQ(deriveOutputPath("/data/v1.2/pts"), QString("/data/v1.2/pts_out.csv"));
}

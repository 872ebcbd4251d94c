// Point-file reader: parsing of data lines, comments, sign forcing, extents,
// and files that are empty, missing or hostile.

#include "engine/formats/pointfile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace veltrane;

namespace {

class PointFileTest : public ::testing::Test {
protected:
    std::string write(const std::string &name, const std::string &content)
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out << content;
        return path;
    }

    std::vector<PointRecord> read(const std::string &content, LongitudeSign sign = LongitudeSign::AsRead)
    {
        return readPointFile(write("points.csv", content), stats, sign);
    }

    QTemporaryDir dir;
    Extent stats;
};

TEST_F(PointFileTest, CommaBlankAndTabSeparatorsAllParse)
{
    const auto points = read("1.5,45.2,10.0,P1\n1.5 45.2 10.0 P2\n1.5, 45.2, 10.0, P3\n1.5\t45.2\t10.0\tP4\n");
    ASSERT_EQ(points.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(points[i].x, 1.5);
        EXPECT_DOUBLE_EQ(points[i].y, 45.2);
        EXPECT_DOUBLE_EQ(points[i].h, 10.0);
        EXPECT_EQ(points[i].id, QString("P%1").arg(i + 1));
        EXPECT_EQ(points[i].xTo, 0.0);
        EXPECT_EQ(points[i].s, 0.0);
    }
    EXPECT_EQ(stats.count, 4);
}

TEST_F(PointFileTest, LinesThatDoNotMatchThePatternAreSkipped)
{
    const auto points = read("# comment 1,2,3,C\n"
                             "X,Y,H,ID\n"
                             "1.5 ,45.2,10.0,BLANKBEFORECOMMA\n"
                             "1,2,3\n"
                             "1,2,3,\n"
                             "\n"
                             "1,2,3,A,extra more\n");
    ASSERT_EQ(points.size(), 1u);
    // The identifier runs to the first white space, commas included.
    EXPECT_EQ(points[0].id, QString("A,extra"));
}

TEST_F(PointFileTest, CommentLinesAreCountedApartFromDataLines)
{
    const std::string path = write("c.csv", "# one\n1,2,3,A\n#two\nheader\n");
    int64_t comments = -1;
    EXPECT_EQ(countPointLines(path, &comments), 2);
    EXPECT_EQ(comments, 2);
}

TEST_F(PointFileTest, ForcedNegativeSignAppliesToBothSigns)
{
    const auto points = read("123.5,45,0,A\n-123.5,45,0,B\n", LongitudeSign::ForceWest);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(points[0].x, -123.5);
    EXPECT_DOUBLE_EQ(points[1].x, -123.5);
    EXPECT_DOUBLE_EQ(stats.xMax, -123.5);
}

TEST_F(PointFileTest, ExtentsAndRanges)
{
    read("3,10,100,A\n1,30,-5,B\n2,20,50,C\n");
    EXPECT_DOUBLE_EQ(stats.xMax, 3);
    EXPECT_DOUBLE_EQ(stats.xMin, 1);
    EXPECT_DOUBLE_EQ(stats.xRange, 2);
    EXPECT_DOUBLE_EQ(stats.yMax, 30);
    EXPECT_DOUBLE_EQ(stats.yMin, 10);
    EXPECT_DOUBLE_EQ(stats.yRange, 20);
    EXPECT_DOUBLE_EQ(stats.zMax, 100);
    EXPECT_DOUBLE_EQ(stats.zMin, -5);
    EXPECT_DOUBLE_EQ(stats.zRange, 105);
    EXPECT_EQ(stats.count, 3);
}

TEST_F(PointFileTest, SinglePointHasEqualExtentsAndZeroRanges)
{
    read("-120.25,44.5,12.5,ONLY\n");
    EXPECT_EQ(stats.count, 1);
    EXPECT_DOUBLE_EQ(stats.xMax, -120.25);
    EXPECT_DOUBLE_EQ(stats.xMin, -120.25);
    EXPECT_EQ(stats.xRange, 0.0);
    EXPECT_EQ(stats.yRange, 0.0);
    EXPECT_EQ(stats.zRange, 0.0);
}

TEST_F(PointFileTest, EmptyMissingAndDirectoryGiveNoPoints)
{
    stats.count = 99;
    EXPECT_TRUE(read("").empty());
    EXPECT_EQ(stats.count, 0);
    EXPECT_EQ(stats.xMax, 0.0);

    EXPECT_TRUE(readPointFile(dir.path().toStdString() + "/missing.csv", stats, LongitudeSign::AsRead).empty());
    EXPECT_EQ(stats.count, 0);
    EXPECT_EQ(countPointLines(dir.path().toStdString() + "/missing.csv"), 0);

    EXPECT_TRUE(readPointFile(dir.path().toStdString(), stats, LongitudeSign::AsRead).empty());
    EXPECT_EQ(stats.count, 0);
}

TEST_F(PointFileTest, LongLinesAreReadInPiecesOf255Characters)
{
    // A 300-character line: its second piece starts at character 256.
    std::string line(255, ' ');
    line += "7,8,9,SECOND";
    const auto points = read(line + "\n");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].id, QString("SECOND"));
    EXPECT_DOUBLE_EQ(points[0].x, 7);
}

TEST_F(PointFileTest, HostileBytesNeitherCrashNorHang)
{
    std::string garbage;
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(state >> 16));
    }
    garbage += "\n1,2,3,AFTERGARBAGE\n";
    garbage += std::string("4,5,6,NUL") + '\0' + "TAIL\n";
    garbage += std::string(10 * 1024 * 1024, 'x') + "\n";
    garbage += "7,8,9,\xe9\xff\n";
    const auto points = read(garbage);
    bool sawAfterGarbage = false, sawNul = false, sawLatin1 = false;
    for (const PointRecord &p : points) {
        sawAfterGarbage |= p.id == QLatin1String("AFTERGARBAGE");
        sawNul |= p.id == QLatin1String("NUL");
        sawLatin1 |= p.id == QString::fromLatin1("\xe9\xff");
    }
    EXPECT_TRUE(sawAfterGarbage);
    EXPECT_TRUE(sawNul);
    EXPECT_TRUE(sawLatin1);
    EXPECT_EQ(stats.count, static_cast<int32_t>(points.size()));
}

TEST(MergeStats, TakesOuterExtentsAndAddsCounts)
{
    Extent a, b;
    a.xMax = 1;
    a.xMin = -1;
    a.yMax = 5;
    a.yMin = 4;
    a.zMax = 10;
    a.zMin = 0;
    a.count = 3;
    b.xMax = 2;
    b.xMin = 0;
    b.yMax = 3;
    b.yMin = 2;
    b.zMax = 5;
    b.zMin = -5;
    b.count = 4;
    const Extent m = mergeStats(a, b);
    EXPECT_EQ(m.xMax, 2);
    EXPECT_EQ(m.xMin, -1);
    EXPECT_EQ(m.yMax, 5);
    EXPECT_EQ(m.yMin, 2);
    EXPECT_EQ(m.zMax, 10);
    EXPECT_EQ(m.zMin, -5);
    EXPECT_EQ(m.count, 7);
}

TEST_F(PointFileTest, ReadOnceSoPipesWorkWhileFoldersDevicesAndOverlongFilesAreRefused)
{
    // A named pipe can be opened and read once only.
    const std::string fifo = dir.path().toStdString() + "/fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&fifo] { std::ofstream(fifo) << "# head\n1,2,3,A\n4,5,6,B\n"; });
    std::vector<std::string> notes;
    InputProblem problem;
    EXPECT_EQ(readPointFile(fifo, stats, LongitudeSign::AsRead, &notes, problem).size(), 2u);
    writer.join();
    EXPECT_EQ(problem, InputProblem::None);
    EXPECT_EQ(notes.front(), "Loading 2 points from file " + fifo + " \n");

    const struct {
        std::string path;
        uint64_t byteLimit;
        InputProblem problem;
    } refused[] = {{dir.path().toStdString(), kNoByteLimit, InputProblem::IsFolder},
                   {"/dev/zero", kNoByteLimit, InputProblem::IsDevice},
                   {write("long.csv", std::string(64 * 1024, '\n') + "1,2,3,A\n"), 4096, InputProblem::TooLarge}};
    for (const auto &c : refused) {
        notes.clear();
        EXPECT_TRUE(readPointFile(c.path, stats, LongitudeSign::AsRead, &notes, problem, c.byteLimit).empty());
        EXPECT_EQ(problem, c.problem) << c.path;
        EXPECT_EQ(stats.count, 0);
        EXPECT_EQ(notes.back(), "Finished loading 0 points\n");
    }
}

}  // namespace

// Only an input whose size is unknown (a pipe) is read in full-size blocks
// on worker threads; an empty one, in memory or on disk, is small.
TEST(PieceReaderBlocks, EmptyInputsAreSmallAndPipesAreNot)
{
    MemoryByteSource empty(nullptr, 0);
    EXPECT_TRUE(PieceReader(empty).isSmall());

    std::FILE *emptyFile = std::tmpfile();
    ASSERT_NE(emptyFile, nullptr);
    StreamByteSource onDisk(emptyFile);
    EXPECT_EQ(onDisk.knownSize(), 0u);
    EXPECT_TRUE(PieceReader(onDisk).isSmall());
    std::fclose(emptyFile);

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::FILE *readEnd = ::fdopen(ends[0], "r");
    ASSERT_NE(readEnd, nullptr);
    StreamByteSource pipe(readEnd);
    EXPECT_EQ(pipe.knownSize(), kUnknownSize);
    EXPECT_FALSE(PieceReader(pipe).isSmall());
    std::fclose(readEnd);
    ::close(ends[1]);
}

#include "engine/formats/tinfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

// A file in a fresh directory of its own, removed with the fixture.
class TinFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        m_dir = fs::temp_directory_path() / ("veltrane_tinfile_" + std::to_string(seed()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string write(const std::string &text, const std::string &name = "control.obj")
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    TinFileContents read(const std::string &text, LongitudeSign sign = LongitudeSign::AsRead)
    {
        return readTinFile(write(text), sign);
    }

    fs::path m_dir;
};

void expectTriangle(const Triangle &t, int32_t p1, int32_t p2, int32_t p3)
{
    EXPECT_EQ(t.p1, p1);
    EXPECT_EQ(t.p2, p2);
    EXPECT_EQ(t.p3, p3);
}

TEST_F(TinFileTest, DevicesAndFilesBeyondTheLimitAreRefused)
{
    EXPECT_EQ(readTinFile("/dev/zero", LongitudeSign::AsRead).problem, InputProblem::IsDevice);
    const std::string path = write(std::string(200 * 1024, '#') + "\nv 1 2 3\n");
    const TinFileContents limited = readTinFile(path, LongitudeSign::AsRead, 100 * 1024);
    EXPECT_EQ(limited.problem, InputProblem::TooLarge);
    EXPECT_FALSE(limited.opened);
    EXPECT_TRUE(limited.vertices.empty());
    EXPECT_EQ(readTinFile(path, LongitudeSign::AsRead).vertices.size(), 1u);
}

}  // namespace

TEST_F(TinFileTest, VerticesAndFacesInFileOrder)
{
    const TinFileContents tin = read("v 1 2 3\nv 4.5 5 6\nv -7 8 9e1\nf 1 2 3\nf 3 1 2\n");
    ASSERT_TRUE(tin.opened);
    ASSERT_EQ(tin.vertices.size(), 3u);
    EXPECT_EQ(tin.vertices[1].x, 4.5);
    EXPECT_EQ(tin.vertices[2].x, -7.0);
    EXPECT_EQ(tin.vertices[2].y, 8.0);
    EXPECT_EQ(tin.vertices[2].h, 90.0);
    EXPECT_EQ(tin.vertices[2].xTo, 0.0);
    EXPECT_TRUE(tin.vertices[2].id.isEmpty());
    ASSERT_EQ(tin.triangles.size(), 2u);
    expectTriangle(tin.triangles[0], 0, 1, 2);
    expectTriangle(tin.triangles[1], 2, 0, 1);
    EXPECT_EQ(tin.droppedFaces, 0u);
    EXPECT_TRUE(tin.problems.empty());
}

TEST_F(TinFileTest, XSignForcesTheSignOfX)
{
    const std::string text = "v 123.25 45.5 10\nv -122.5 45 0\n";
    const TinFileContents west = read(text, LongitudeSign::ForceWest);
    ASSERT_EQ(west.vertices.size(), 2u);
    EXPECT_EQ(west.vertices[0].x, -123.25);
    EXPECT_EQ(west.vertices[0].y, 45.5);
    EXPECT_EQ(west.vertices[0].h, 10.0);
    EXPECT_EQ(west.vertices[1].x, -122.5);
    const TinFileContents asRead = read(text, LongitudeSign::AsRead);
    EXPECT_EQ(asRead.vertices[0].x, 123.25);
    EXPECT_EQ(asRead.vertices[1].x, -122.5);
}

TEST_F(TinFileTest, OnlyVAndFFollowedByABlankCount)
{
    const TinFileContents tin = read("# comment\n"
                                     "o network\ng part\n"
                                     "vn 0 0 1\nvt 0.5 0.5\n"
                                     " v 9 9 9\n"
                                     "v\t9 9 9\n"
                                     "\n"
                                     "v 1 1 1\nv 2 2 2\nv 3 3 3\n"
                                     "fo 1 2 3\n"
                                     "f\t1 2 3\n"
                                     "f 1 2 3\n");
    EXPECT_EQ(tin.vertices.size(), 3u);
    ASSERT_EQ(tin.triangles.size(), 1u);
    expectTriangle(tin.triangles[0], 0, 1, 2);
    EXPECT_EQ(tin.droppedFaces, 0u);
}

TEST_F(TinFileTest, LastLineWithoutLineEndIsReadOnce)
{
    const TinFileContents faceLast = read("v 1 1 1\nv 2 2 2\nv 3 3 3\nf 3 2 1");
    ASSERT_EQ(faceLast.triangles.size(), 1u);
    expectTriangle(faceLast.triangles[0], 2, 1, 0);
    const TinFileContents vertexLast = read("v 1 1 1\nv 2 2 2.5");
    ASSERT_EQ(vertexLast.vertices.size(), 2u);
    EXPECT_EQ(vertexLast.vertices[1].h, 2.5);
}

TEST_F(TinFileTest, FaceNumbersReadLikePercentI)
{
    std::string text;
    for (int k = 0; k < 20; ++k)
        text += "v " + std::to_string(k) + " 0 0\n";
    text += "f 010 011 012\n"      // octal: 8, 9, 10
            "f 0x10 0X11 +3\n"     // hexadecimal and a sign
            "f   4\t5   6  \r\n";  // any white space between
    const TinFileContents tin = read(text);
    ASSERT_EQ(tin.triangles.size(), 3u);
    expectTriangle(tin.triangles[0], 7, 8, 9);
    expectTriangle(tin.triangles[1], 15, 16, 2);
    expectTriangle(tin.triangles[2], 3, 4, 5);
}

TEST_F(TinFileTest, VerticesOnlyGiveNoTriangles)
{
    const TinFileContents tin = read("v 1 1 1\nv 2 2 2\n");
    EXPECT_TRUE(tin.opened);
    EXPECT_EQ(tin.vertices.size(), 2u);
    EXPECT_TRUE(tin.triangles.empty());
}

TEST_F(TinFileTest, UnparsableCoordinatesStayZero)
{
    const TinFileContents tin = read("v 1.5 north 7\nv abc\nv 2 3\n");
    ASSERT_EQ(tin.vertices.size(), 3u);
    EXPECT_EQ(tin.vertices[0].x, 1.5);
    EXPECT_EQ(tin.vertices[0].y, 0.0);
    EXPECT_EQ(tin.vertices[0].h, 0.0);  // reading stops at the first failure
    EXPECT_EQ(tin.vertices[1].x, 0.0);
    EXPECT_EQ(tin.vertices[2].y, 3.0);
    EXPECT_EQ(tin.vertices[2].h, 0.0);
}

TEST_F(TinFileTest, BadFacesAreDroppedWithTheirLineAndReason)
{
    const TinFileContents tin = read("v 1 1 1\n"                        // line 1
                                     "v 2 2 2\n"                        // 2
                                     "v 3 3 3\n"                        // 3
                                     "f 1 2\n"                          // 4: too few numbers
                                     "f 1/1/1 2/2/2 3/3/3\n"            // 5: slash form
                                     "f 1 2 4\n"                        // 6: past the last vertex
                                     "f 0 1 2\n"                        // 7: numbers start at 1
                                     "f -1 2 3\n"                       // 8
                                     "f 1 2 99999999999999999999999\n"  // 9: overflow
                                     "f 08 1 2\n"                       // 10: 0 then a stray 8
                                     "f 3 2 1\n");                      // 11: good
    ASSERT_TRUE(tin.opened);
    ASSERT_EQ(tin.triangles.size(), 1u);
    expectTriangle(tin.triangles[0], 2, 1, 0);
    EXPECT_EQ(tin.droppedFaces, 7u);
    ASSERT_EQ(tin.problems.size(), 7u);
    const char *lines[] = {"line 4:", "line 5:", "line 6:", "line 7:", "line 8:", "line 9:", "line 10:"};
    for (size_t k = 0; k < 7; ++k)
        EXPECT_EQ(tin.problems[k].rfind(lines[k], 0), 0u) << tin.problems[k];
    EXPECT_NE(tin.problems[0].find("could be read"), std::string::npos) << tin.problems[0];
    EXPECT_NE(tin.problems[2].find("vertex number 4 is outside 1..3"), std::string::npos) << tin.problems[2];
}

TEST_F(TinFileTest, FacesMayComeBeforeTheirVertices)
{
    const TinFileContents tin = read("f 1 2 3\nv 1 1 1\nv 2 2 2\nv 3 3 3\n");
    ASSERT_EQ(tin.triangles.size(), 1u);
    EXPECT_EQ(tin.droppedFaces, 0u);
}

TEST_F(TinFileTest, LongLinesAreReadInPiecesAndCountedAsOneLine)
{
    // 254 characters of comment end the first piece exactly; the rest of the
    // line, which happens to look like a vertex, is a piece of its own.
    const std::string longComment = "#" + std::string(253, 'x');
    const TinFileContents tin = read(longComment + "v 5 6 7\n" + "v 1 2 3\nf 1 2 9\n");
    ASSERT_EQ(tin.vertices.size(), 2u);
    EXPECT_EQ(tin.vertices[0].x, 5.0);
    EXPECT_EQ(tin.vertices[1].x, 1.0);
    ASSERT_EQ(tin.problems.size(), 1u);
    EXPECT_EQ(tin.problems[0].rfind("line 3:", 0), 0u) << tin.problems[0];

    // A vertex line longer than a piece: its numbers come from the first piece.
    const TinFileContents padded = read("v 1.25 2.5" + std::string(300, ' ') + "3\n");
    ASSERT_EQ(padded.vertices.size(), 1u);
    EXPECT_EQ(padded.vertices[0].y, 2.5);
    EXPECT_EQ(padded.vertices[0].h, 0.0);
}

TEST_F(TinFileTest, MissingFileOrDirectoryIsNotOpened)
{
    const TinFileContents missing = readTinFile((m_dir / "absent.obj").string(), LongitudeSign::ForceWest);
    EXPECT_FALSE(missing.opened);
    EXPECT_TRUE(missing.vertices.empty());
    const TinFileContents directory = readTinFile(m_dir.string(), LongitudeSign::ForceWest);
    EXPECT_FALSE(directory.opened);
    const TinFileContents empty = read("");
    EXPECT_TRUE(empty.opened);
    EXPECT_TRUE(empty.vertices.empty());
    EXPECT_TRUE(empty.triangles.empty());
}

// The sample input files: what the point reader takes from them and how many
// of their points lie outside the control network.

#include "engine/run/conversion.h"
#include "engine/formats/pointfile.h"
#include "tests/data/sampledata.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace veltrane;

namespace {

constexpr int kSamplePointCount = 50;
constexpr int kSampleOutsideCount = 2;
constexpr int kSurveyPointCount = 20000;

// Map extent, degrees.
constexpr double kMapWest = -125.0, kMapEast = -116.0, kMapSouth = 41.0, kMapNorth = 46.5;

int countOutside(const std::vector<PointRecord> &points, int count, const SampleTin &tin)
{
    int outside = 0;
    for (int i = 0; i < count; ++i)
        outside += inTin(points[i].x, points[i].y, tin) ? 0 : 1;
    return outside;
}

void expectInsideTheMap(const std::vector<PointRecord> &points, int count)
{
    for (int i = 0; i < count; ++i) {
        EXPECT_GT(points[i].x, kMapWest) << points[i].id.toStdString();
        EXPECT_LT(points[i].x, kMapEast) << points[i].id.toStdString();
        EXPECT_GT(points[i].y, kMapSouth) << points[i].id.toStdString();
        EXPECT_LT(points[i].y, kMapNorth) << points[i].id.toStdString();
    }
}

}  // namespace

TEST(InputFiles, SamplePointsMixSeparatorsAndAHeaderRow)
{
    const std::vector<std::string> lines = readLines(dataPath("sample_points.csv"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0][0], '#');
    EXPECT_EQ(lines[1].find_first_of("0123456789"), std::string::npos) << "second line should be a header row";
    const auto withTab = std::count_if(lines.begin() + 2, lines.end(),
                                       [](const std::string &l) { return l.find('\t') != std::string::npos; });
    const auto withBlank = std::count_if(lines.begin() + 2, lines.end(),
                                         [](const std::string &l) { return l.find(' ') != std::string::npos; });
    EXPECT_GE(withTab, 2);
    EXPECT_GE(withBlank, 2);
}

TEST(InputFiles, SamplePointsAreReadWithTwoOutsideTheNetwork)
{
    Extent stats;
    const std::vector<PointRecord> points = readPointFile(dataPath("sample_points.csv"), stats, LongitudeSign::AsRead);
    ASSERT_EQ(stats.count, kSamplePointCount);
    ASSERT_GE(points.size(), static_cast<size_t>(stats.count));
    expectInsideTheMap(points, stats.count);
    EXPECT_EQ(countOutside(points, stats.count, readObj(dataPath(kControlTinFile))), kSampleOutsideCount);
}

TEST(InputFiles, SurveyHasSomePointsOutsideTheNetwork)
{
    Extent stats;
    const std::vector<PointRecord> points = readPointFile(dataPath("survey_20k.csv"), stats, LongitudeSign::AsRead);
    ASSERT_EQ(stats.count, kSurveyPointCount);
    ASSERT_GE(points.size(), static_cast<size_t>(stats.count));
    expectInsideTheMap(points, stats.count);
    const int outside = countOutside(points, stats.count, readObj(dataPath(kControlTinFile)));
    EXPECT_GT(outside, kSurveyPointCount / 100);
    EXPECT_LT(outside, kSurveyPointCount / 10);
}

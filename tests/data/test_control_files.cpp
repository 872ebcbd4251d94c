// The two control files list the same points, in different orders, moved by
// a smooth shift of a few centimetres.

#include "engine/run/conversion.h"
#include "engine/geodesy/geodesic.h"
#include "tests/data/sampledata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace veltrane;

namespace {

constexpr double kMinHorizontalShift = 0.01;  // metres
constexpr double kMaxHorizontalShift = 0.06;  // metres
constexpr double kMaxVerticalShift = 0.03;    // metres
constexpr size_t kExpectedControlCount = 250;

std::map<std::string, SamplePoint> byId(const std::vector<SamplePoint> &points)
{
    std::map<std::string, SamplePoint> map;
    for (const SamplePoint &p : points)
        EXPECT_TRUE(map.emplace(p.id, p).second) << "duplicate identifier " << p.id;
    return map;
}

}  // namespace

TEST(ControlFiles, ListTheSameIdentifiersInDifferentOrders)
{
    const std::vector<SamplePoint> cors96 = readCommaPoints(dataPath(kControlFileCors96));
    const std::vector<SamplePoint> cors96a = readCommaPoints(dataPath(kControlFileCors96a));
    ASSERT_EQ(cors96.size(), kExpectedControlCount);
    ASSERT_EQ(cors96a.size(), cors96.size());

    std::set<std::string> ids96, ids96a;
    std::vector<std::string> order96, order96a;
    for (const SamplePoint &p : cors96) {
        ids96.insert(p.id);
        order96.push_back(p.id);
    }
    for (const SamplePoint &p : cors96a) {
        ids96a.insert(p.id);
        order96a.push_back(p.id);
    }
    EXPECT_EQ(ids96.size(), cors96.size()) << "identifiers repeat";
    EXPECT_EQ(ids96, ids96a);
    EXPECT_NE(order96, order96a);
}

TEST(ControlFiles, StartWithACommentAndWriteElevenDecimals)
{
    for (const char *name : {kControlFileCors96, kControlFileCors96a}) {
        const std::vector<std::string> lines = readLines(dataPath(name));
        ASSERT_FALSE(lines.empty()) << name;
        EXPECT_EQ(lines[0].substr(0, 2), "# ") << name;
        for (size_t i = 1; i < lines.size(); ++i) {
            const std::string &line = lines[i];
            const size_t c1 = line.find(','), c2 = line.find(',', c1 + 1), c3 = line.find(',', c2 + 1);
            ASSERT_NE(c3, std::string::npos) << name << ": " << line;
            EXPECT_EQ(line[0], '-') << "longitude not west: " << line;
            EXPECT_EQ(decimalsOf(line.substr(0, c1)), 11) << line;
            EXPECT_EQ(decimalsOf(line.substr(c1 + 1, c2 - c1 - 1)), 11) << line;
            EXPECT_EQ(decimalsOf(line.substr(c2 + 1, c3 - c2 - 1)), 4) << line;
        }
    }
}

TEST(ControlFiles, PointsLieInTheRegionWithTerrainHeights)
{
    const std::vector<SamplePoint> cors96 = readCommaPoints(dataPath(kControlFileCors96));
    ASSERT_FALSE(cors96.empty());
    double hMin = cors96[0].h, hMax = cors96[0].h;
    for (const SamplePoint &p : cors96) {
        EXPECT_GE(p.x, -124.5) << p.id;
        EXPECT_LE(p.x, -116.5) << p.id;
        EXPECT_GE(p.y, 41.9) << p.id;
        EXPECT_LE(p.y, 46.3) << p.id;
        EXPECT_GE(p.h, 0.0) << p.id;
        EXPECT_LE(p.h, 3000.0) << p.id;
        hMin = std::min(hMin, p.h);
        hMax = std::max(hMax, p.h);
    }
    EXPECT_GT(hMax - hMin, 1000.0) << "heights should span low coast and high range";
}

TEST(ControlFiles, ShiftIsAFewCentimetresAndVaries)
{
    const auto from = byId(readCommaPoints(dataPath(kControlFileCors96)));
    const auto to = byId(readCommaPoints(dataPath(kControlFileCors96a)));
    ASSERT_FALSE(from.empty());

    const double a = kGrs80SemiMajorAxis;
    const double e2 = kGrs80Flattening * (2.0 - kGrs80Flattening);
    double eastMin = 1.0, eastMax = -1.0, upMin = 1.0, upMax = -1.0;
    for (const auto &[id, p] : from) {
        const auto match = to.find(id);
        ASSERT_NE(match, to.end()) << id;
        const SamplePoint &q = match->second;
        const double phi = p.y * kPi / 180.0;
        const double w2 = 1.0 - e2 * std::sin(phi) * std::sin(phi);
        const double east = (q.x - p.x) * kPi / 180.0 * a / std::sqrt(w2) * std::cos(phi);
        const double north = (q.y - p.y) * kPi / 180.0 * a * (1.0 - e2) / (w2 * std::sqrt(w2));
        const double up = q.h - p.h;
        const double horizontal = std::hypot(east, north);
        EXPECT_GE(horizontal, kMinHorizontalShift) << id;
        EXPECT_LE(horizontal, kMaxHorizontalShift) << id;
        EXPECT_LE(std::fabs(up), kMaxVerticalShift) << id;
        eastMin = std::min(eastMin, east);
        eastMax = std::max(eastMax, east);
        upMin = std::min(upMin, up);
        upMax = std::max(upMax, up);
    }
    EXPECT_GT(eastMax - eastMin, 0.005) << "the east shift should vary across the region";
    EXPECT_GT(upMax - upMin, 0.01) << "the height shift should vary across the region";
}

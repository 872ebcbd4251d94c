// The records a moving frame draws: how many, which, and the culling test
// over them.

#include "view/scenearrays.h"

#include <gtest/gtest.h>

#include <vector>

using namespace veltrane;

namespace {

Matrix4 identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// Records along x from -1.4 to 1.6 in steps of 0.25: with the identity
// matrices the frustum is the cube -1 .. 1, so records 2 to 9 are inside.
std::vector<PointRecord> lineOfRecords()
{
    std::vector<PointRecord> pts(13);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        pts[i].x = -1.4 + 0.25 * double(i);
        pts[i].h = 0.5;
    }
    return pts;
}

TEST(SubsetStride, SmallDataSetsAreDrawnWhole)
{
    EXPECT_EQ(subsetStride(0, 80000), 1u);
    EXPECT_EQ(subsetStride(20000, 80000), 1u);
    EXPECT_EQ(subsetStride(80000, 80000), 1u);
    EXPECT_EQ(subsetStride(5, 0), 1u);
}

TEST(SubsetStride, LargeDataSetsStayWithinTheBudget)
{
    EXPECT_EQ(subsetStride(80001, 80000), 2u);
    EXPECT_EQ(subsetStride(160000, 80000), 2u);
    EXPECT_EQ(subsetStride(1000000, 80000), 13u);
    EXPECT_EQ(subsetStride(5000000, 80000), 63u);
    for (uint32_t count : {80001u, 123457u, 1000000u, 4999999u}) {
        const uint32_t k = subsetStride(count, 80000);
        const uint32_t drawn = (count + k - 1) / k;
        EXPECT_LE(drawn, 80000u) << count;
        // The smallest such stride: one less would exceed the budget.
        EXPECT_GT((count + k - 2) / (k - 1), 80000u) << count;
    }
}

TEST(SubsetCount, EveryKthRecordFromTheFirst)
{
    EXPECT_EQ(subsetCount(7, 3), 3u);  // records 0, 3, 6
    EXPECT_EQ(subsetCount(6, 3), 2u);  // records 0, 3
    EXPECT_EQ(subsetCount(3, 1), 3u);
    EXPECT_EQ(subsetCount(0, 4), 0u);
    EXPECT_EQ(subsetCount(5, 0), 0u);
    EXPECT_EQ(subsetCount(4294967295u, 13), 330382100u);
}

TEST(VisibleRecordIndices, AllRecordsInRecordOrder)
{
    const std::vector<PointRecord> pts = lineOfRecords();
    const FrustumPlanes frustum = extractFrustumPlanes(identity(), identity());
    std::vector<uint32_t> indices{99, 98};  // replaced, not appended to
    const uint32_t visible = visibleRecordIndices(pts.data(), uint32_t(pts.size()), 1, 1.0, frustum, indices);
    EXPECT_EQ(visible, 8u);
    std::vector<uint32_t> expected;
    for (uint32_t i = 2; i <= 9; ++i) {
        expected.push_back(2 * i);
        expected.push_back(2 * i + 1);
    }
    EXPECT_EQ(indices, expected);
}

TEST(VisibleRecordIndices, OnlyTheSubsetIsTested)
{
    const std::vector<PointRecord> pts = lineOfRecords();
    const FrustumPlanes frustum = extractFrustumPlanes(identity(), identity());
    std::vector<uint32_t> indices;
    // Records 0, 4, 8, 12: only 4 and 8, the subset's second and third,
    // lie inside.
    EXPECT_EQ(visibleRecordIndices(pts.data(), uint32_t(pts.size()), 4, 1.0, frustum, indices), 2u);
    EXPECT_EQ(indices, (std::vector<uint32_t>{2, 3, 4, 5}));
}

TEST(VisibleRecordIndices, HeightsAreScaled)
{
    std::vector<PointRecord> pts = lineOfRecords();
    const FrustumPlanes frustum = extractFrustumPlanes(identity(), identity());
    std::vector<uint32_t> indices;
    // 0.5 x 4 = 2 lifts every record above the cube.
    EXPECT_EQ(visibleRecordIndices(pts.data(), uint32_t(pts.size()), 1, 4.0, frustum, indices), 0u);
    EXPECT_TRUE(indices.empty());
}

TEST(FillVertices, ARangeMatchesTheWholeArray)
{
    std::vector<PointRecord> pts = lineOfRecords();
    for (std::size_t i = 0; i < pts.size(); ++i) {
        pts[i].xTo = pts[i].x + 0.01;
        pts[i].yTo = 0.2;
        pts[i].hTo = 2.0 + double(i);
        pts[i].dx = 0.01;
        pts[i].dy = -0.02;
    }
    const std::vector<Vertex3f> points = pointVertices(pts.data(), uint32_t(pts.size()), 0.5);
    const std::vector<Vertex3f> vectors = vectorVertices(pts.data(), uint32_t(pts.size()), 0.5, 3);
    std::vector<Vertex3f> part(8);
    fillPointVertices(pts.data(), 5, 4, 1, 0.5, part.data());
    for (int v = 0; v < 8; ++v) {
        EXPECT_EQ(part[v].x, points[10 + v].x);
        EXPECT_EQ(part[v].y, points[10 + v].y);
        EXPECT_EQ(part[v].z, points[10 + v].z);
    }
    fillVectorVertices(pts.data(), 5, 4, 1, 0.5, 3, part.data());
    for (int v = 0; v < 8; ++v) {
        EXPECT_EQ(part[v].x, vectors[10 + v].x);
        EXPECT_EQ(part[v].y, vectors[10 + v].y);
        EXPECT_EQ(part[v].z, vectors[10 + v].z);
    }
    // Records 1, 4, 7, 10: both vertices of each, in that order.
    fillPointVertices(pts.data(), 1, 4, 3, 0.5, part.data());
    for (int r = 0; r < 4; ++r)
        for (int half = 0; half < 2; ++half) {
            EXPECT_EQ(part[2 * r + half].x, points[2 * (1 + 3 * r) + half].x) << r;
            EXPECT_EQ(part[2 * r + half].z, points[2 * (1 + 3 * r) + half].z) << r;
        }
    fillVectorVertices(pts.data(), 1, 4, 3, 0.5, 3, part.data());
    for (int r = 0; r < 4; ++r)
        for (int half = 0; half < 2; ++half)
            EXPECT_EQ(part[2 * r + half].x, vectors[2 * (1 + 3 * r) + half].x) << r;
    EXPECT_FLOAT_EQ(points[10].z, float(0.5 * 0.5));
    EXPECT_FLOAT_EQ(points[11].z, float(0.5 * 7.0));
    EXPECT_FLOAT_EQ(vectors[11].x, float(pts[5].x + 3 * 0.01));
}

}  // namespace

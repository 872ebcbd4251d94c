// Matching TIN vertices to control points through the index against the
// plain rule: every control point in order, kept only when strictly nearer
// than the best so far and than the tolerance. Lattices in powers of two
// make many distances exactly equal, so the first-of-equals rule is tested.

#include "engine/network/controlnetwork.h"
#include "engine/geometry/trianglegeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace veltrane;

namespace {

// Spacing of the lattice, degrees: exact in binary and below the tolerance,
// so that several control points lie within reach of a vertex.
constexpr double kStep = 1.0 / (1 << 18);

TinVertexMatch matchByScan(const std::vector<PointRecord> &vertices, const std::vector<PointRecord> &control)
{
    TinVertexMatch result;
    result.records.resize(std::max(vertices.size(), control.size()));
    for (size_t k = 0; k < vertices.size(); ++k) {
        const PointRecord *nearest = nullptr;
        double best = kVertexMatchTolerance;
        for (const PointRecord &c : control) {
            const double distance = planarDistance(vertices[k].x, vertices[k].y, c.x, c.y);
            if (distance < best) {
                best = distance;
                nearest = &c;
            }
        }
        result.records[k] = nearest ? *nearest : vertices[k];
        result.unmatchedVertices += nearest ? 0 : 1;
    }
    return result;
}

PointRecord at(double x, double y, int number)
{
    PointRecord p;
    p.x = x;
    p.y = y;
    p.h = number;
    p.dx = number * 1e-9;
    p.id = QStringLiteral("C%1").arg(number);
    return p;
}

void expectSameMatches(const std::vector<PointRecord> &vertices, const std::vector<PointRecord> &control)
{
    const TinVertexMatch expected = matchByScan(vertices, control);
    const TinVertexMatch got = matchTinVertices(vertices, control);
    EXPECT_EQ(got.unmatchedVertices, expected.unmatchedVertices);
    ASSERT_EQ(got.records.size(), expected.records.size());
    for (size_t k = 0; k < got.records.size(); ++k) {
        const PointRecord &a = got.records[k], &b = expected.records[k];
        ASSERT_EQ(a.id, b.id) << "vertex " << k;
        ASSERT_TRUE((a.x == b.x || (std::isnan(a.x) && std::isnan(b.x))) && a.h == b.h && a.dx == b.dx)
            << "vertex " << k;
    }
}

TEST(TinVertexMatching, IndexGivesTheMatchesOfTheScanWithTies)
{
    std::mt19937_64 rng(20261207);
    std::uniform_int_distribution<int> cell(0, 40);
    std::uniform_real_distribution<double> jitter(-3.0 * kStep, 3.0 * kStep);
    const double x0 = -123.0, y0 = 45.0;

    // Lattice points in random order, some of them twice (the later copy
    // must never win), a few not finite.
    std::vector<PointRecord> control;
    for (int i = 0; i < 3000; ++i)
        control.push_back(at(x0 + cell(rng) * kStep, y0 + cell(rng) * kStep, i));
    for (int i = 0; i < 300; ++i)
        control.push_back(at(control[i].x, control[i].y, 3000 + i));
    std::shuffle(control.begin(), control.end(), rng);
    const double inf = std::numeric_limits<double>::infinity();
    control.push_back(at(std::nan(""), y0, -1));
    control.push_back(at(x0, inf, -2));

    // On lattice points, halfway between two and in the middle of four
    // (exactly equal distances), jittered, beyond reach, and not finite.
    std::vector<PointRecord> vertices;
    for (int i = 0; i < 3000; ++i) {
        const double x = x0 + cell(rng) * kStep, y = y0 + cell(rng) * kStep;
        vertices.push_back(at(x, y, 0));
        vertices.push_back(at(x + kStep / 2, y, 0));
        vertices.push_back(at(x + kStep / 2, y - kStep / 2, 0));
        vertices.push_back(at(x + jitter(rng), y + jitter(rng), 0));
        vertices.push_back(at(x - 45 * kStep - jitter(rng), y, 0));  // the tolerance is about 10.5 steps
    }
    vertices.push_back(at(std::nan(""), y0, 0));
    vertices.push_back(at(-inf, y0, 0));
    vertices.push_back(at(1e308, -1e308, 0));
    expectSameMatches(vertices, control);
}

TEST(TinVertexMatching, IndexGivesTheMatchesOfTheScanOnScatteredPoints)
{
    // Continuous coordinates across many columns, a vertical line of
    // control points, and vertices near the edge of the tolerance.
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> lon(-123.001, -122.999), lat(44.999, 45.001), near(-2e-5, 2e-5);
    std::vector<PointRecord> control;
    for (int i = 0; i < 2000; ++i)
        control.push_back(at(lon(rng), lat(rng), i));
    for (int i = 0; i < 500; ++i)
        control.push_back(at(-123.0, 44.9995 + i * 2e-6, 2000 + i));
    std::vector<PointRecord> vertices;
    for (int i = 0; i < 3000; ++i) {
        const PointRecord &c = control[std::uniform_int_distribution<size_t>(0, control.size() - 1)(rng)];
        vertices.push_back(at(c.x + near(rng), c.y + near(rng), 0));
        vertices.push_back(at(c.x + kVertexMatchTolerance * (1 - 1e-15), c.y, 0));
        vertices.push_back(at(c.x, c.y - kVertexMatchTolerance, 0));
    }
    expectSameMatches(vertices, control);
}

}  // namespace

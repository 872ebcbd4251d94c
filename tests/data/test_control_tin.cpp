// The control TIN file: the Delaunay triangulation of the CORS96 control
// points, vertices in their own order, faces numbering existing vertices.

#include "engine/run/conversion.h"
#include "tests/data/sampledata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

using namespace veltrane;

namespace {

constexpr double kVertexTolerance = 1e-5;        // degrees, as the run matches vertices
constexpr double kCircumcircleTolerance = 1e-9;  // relative; points on the circle are allowed

SampleTin readTin()
{
    return readObj(dataPath(kControlTinFile));
}

bool facesAreValid(const SampleTin &tin)
{
    const int n = static_cast<int>(tin.vertices.size());
    return tin.faces.size() % 3 == 0 &&
           std::all_of(tin.faces.begin(), tin.faces.end(), [n](int v) { return v >= 1 && v <= n; });
}

const SamplePoint &corner(const SampleTin &tin, size_t face, int k)
{
    return tin.vertices[tin.faces[3 * face + k] - 1];
}

}  // namespace

TEST(ControlTin, StartsWithACommentLine)
{
    const std::vector<std::string> lines = readLines(dataPath(kControlTinFile));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0][0], '#');
}

TEST(ControlTin, EveryVertexIsOneControlPoint)
{
    const SampleTin tin = readTin();
    const std::vector<SamplePoint> control = readCommaPoints(dataPath(kControlFileCors96));
    ASSERT_EQ(tin.vertices.size(), control.size());

    std::set<size_t> matched;
    bool sameOrder = true;
    for (size_t v = 0; v < tin.vertices.size(); ++v) {
        size_t best = control.size();
        double bestDistance = kVertexTolerance;
        for (size_t c = 0; c < control.size(); ++c) {
            const double d = std::hypot(tin.vertices[v].x - control[c].x, tin.vertices[v].y - control[c].y);
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
        ASSERT_LT(best, control.size()) << "vertex " << v + 1 << " has no control point within 1e-5 degrees";
        EXPECT_TRUE(matched.insert(best).second) << "control point " << control[best].id << " used twice";
        EXPECT_NEAR(tin.vertices[v].h, control[best].h, 1e-4) << "vertex " << v + 1;
        sameOrder = sameOrder && best == v;
    }
    EXPECT_FALSE(sameOrder) << "vertices should not follow the control file's order";
}

TEST(ControlTin, FacesNumberExistingVertices)
{
    const SampleTin tin = readTin();
    ASSERT_FALSE(tin.faces.empty());
    EXPECT_TRUE(facesAreValid(tin));
}

TEST(ControlTin, FacesFormATriangulationOfAllPoints)
{
    const SampleTin tin = readTin();
    ASSERT_TRUE(facesAreValid(tin));
    const size_t faceCount = tin.faces.size() / 3;

    std::map<std::pair<int, int>, int> edgeUses;
    std::set<int> used;
    for (size_t f = 0; f < faceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
            const int a = tin.faces[3 * f + k], b = tin.faces[3 * f + (k + 1) % 3];
            ++edgeUses[{std::min(a, b), std::max(a, b)}];
            used.insert(a);
        }
    }
    size_t boundaryEdges = 0;
    for (const auto &[edge, uses] : edgeUses) {
        EXPECT_LE(uses, 2) << "edge " << edge.first << "-" << edge.second;
        boundaryEdges += uses == 1 ? 1 : 0;
    }
    EXPECT_EQ(used.size(), tin.vertices.size()) << "every vertex belongs to a face";
    // Euler: a triangulation of n points whose hull has b vertices has 2n - 2 - b faces.
    EXPECT_EQ(faceCount, 2 * tin.vertices.size() - 2 - boundaryEdges);
}

TEST(ControlTin, FacesAreClockwiseAndDelaunay)
{
    const SampleTin tin = readTin();
    ASSERT_TRUE(facesAreValid(tin));
    for (size_t f = 0; f < tin.faces.size() / 3; ++f) {
        const SamplePoint &a = corner(tin, f, 0), &b = corner(tin, f, 1), &c = corner(tin, f, 2);
        EXPECT_LT(doubleArea(a, b, c), 0.0) << "face " << f + 1 << " is not clockwise";

        // Circumcircle of a-b-c; no vertex may lie inside it.
        const double d = 2.0 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
        const double a2 = a.x * a.x + a.y * a.y, b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
        const double cx = (a2 * (b.y - c.y) + b2 * (c.y - a.y) + c2 * (a.y - b.y)) / d;
        const double cy = (a2 * (c.x - b.x) + b2 * (a.x - c.x) + c2 * (b.x - a.x)) / d;
        const double r2 = (a.x - cx) * (a.x - cx) + (a.y - cy) * (a.y - cy);
        for (size_t v = 0; v < tin.vertices.size(); ++v) {
            const double dx = tin.vertices[v].x - cx, dy = tin.vertices[v].y - cy;
            EXPECT_GE(dx * dx + dy * dy, r2 * (1.0 - kCircumcircleTolerance))
                << "vertex " << v + 1 << " inside the circumcircle of face " << f + 1;
        }
    }
}

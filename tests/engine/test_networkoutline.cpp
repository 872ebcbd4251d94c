// The network's outline on whole and broken TINs, and its users agreeing on
// it: the network check's boundary, the nearest-side search of points
// outside, and the completion of a triangulation to its hull.

#include "engine/geometry/hullcompletion.h"
#include "engine/geometry/networkoutline.h"
#include "engine/network/networkvalidation.h"
#include "engine/geometry/planegeometry.h"
#include "engine/network/pointshift.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <ostream>
#include <memory>
#include <vector>

namespace veltrane {

bool operator==(const OutlineSide &l, const OutlineSide &r)
{
    return l.from == r.from && l.to == r.to && l.oneSided == r.oneSided;
}

void PrintTo(const OutlineSide &side, std::ostream *out)
{
    *out << side.from << (side.oneSided ? "->" : "--") << side.to;
}

}  // namespace veltrane

using namespace veltrane;

namespace {

using Control = std::vector<PointRecord>;
using Tin = std::vector<Triangle>;

// Control points on a small patch at 44 N, 120 W (coordinates in tenths of
// a degree), with shifts linear in x and y.
PointRecord controlAt(double x, double y)
{
    PointRecord p;
    p.x = -120.0 + 0.1 * x;
    p.y = 44.0 + 0.1 * y;
    p.h = 100.0;
    p.dx = 1e-5 + 2e-6 * x;
    p.dy = -2e-5 + 4e-6 * y;
    p.dh = 0.05 + 0.01 * x - 0.02 * y;
    p.xTo = p.x + p.dx, p.yTo = p.y + p.dy, p.hTo = p.h + p.dh;
    return p;
}

// The unit square 0 (0, 0), 1 (1, 0), 2 (1, 1), 3 (0, 1), and 4 (2, 0) on
// the line of its lower side; triangles clockwise (y up).
const Control kSquare = {controlAt(0, 0), controlAt(1, 0), controlAt(1, 1), controlAt(0, 1), controlAt(2, 0)};
const Triangle kUpperLeft{0, 3, 2};
const Triangle kLowerRight{0, 2, 1};

std::vector<OutlineSide> outlineOf(const Control &control, const Tin &tin)
{
    return networkOutline(control.data(), control.size(), tin);
}

// A square without its lower quarter: corners A, B, E, D, inner point C
// near the lower side, G inside the upper part, F inside the left
// triangle. The left triangle A-D-C is folded over by C-A-F, which uses
// its side C-A the same way round; the gap below C is the triangle B-A-C.
enum : int32_t { A, B, E, D, C, G, F };
const Control kNotched = {controlAt(0, 0), controlAt(4, 0), controlAt(4, 4),    controlAt(0, 4),
                          controlAt(2, 1), controlAt(2, 3), controlAt(0.5, 1.5)};
const Tin kNotchedTin = {{A, D, C}, {D, E, G}, {E, C, G}, {C, D, G}, {E, B, C}, {C, A, F}};

// The first triangle with area whose sides come nearest to (x, y), by a
// scan of every triangle.
int32_t nearestSideByScan(const Control &control, const Tin &tin, double x, double y)
{
    double best = std::numeric_limits<double>::infinity();
    int32_t nearest = -1;
    for (size_t k = 0; k < tin.size(); ++k) {
        const PlanePoint a = planeOf(control[tin[k].p1]), b = planeOf(control[tin[k].p2]),
                         c = planeOf(control[tin[k].p3]);
        if (orientation(a, b, c) == 0.0)
            continue;
        const double distance = squaredDistanceToSides(PlanePoint{x, y}, a, b, c);
        if (distance < best)
            best = distance, nearest = int32_t(k);
    }
    return nearest;
}

}  // namespace

TEST(NetworkOutline, SidesOfAWholeTinRunClockwiseAroundIt)
{
    const std::vector<OutlineSide> expected = {{1, 0, true}, {0, 3, true}, {2, 1, true}, {3, 2, true}};
    EXPECT_EQ(outlineOf(kSquare, {kUpperLeft, kLowerRight}), expected);
    // The direction comes from where the triangles lie, not from the way
    // they run: a counter-clockwise triangle gives the same outline, and
    // the diagonal its neighbours share stays inside.
    EXPECT_EQ(outlineOf(kSquare, {kUpperLeft, Triangle{0, 1, 2}}), expected);
    // A triangle with an index out of range takes no part.
    EXPECT_EQ(outlineOf(kSquare, {kUpperLeft, kLowerRight, Triangle{0, 2, 9}}), expected);
    EXPECT_TRUE(outlineOf(kSquare, {}).empty());
}

TEST(NetworkOutline, BrokenSidesAreOnTheOutline)
{
    // The lower triangle twice: its two outer sides are folds (both copies
    // on one side), and the diagonal, used three times, has triangles on
    // both sides and no way round it.
    EXPECT_EQ(outlineOf(kSquare, {kUpperLeft, kLowerRight, kLowerRight}),
              (std::vector<OutlineSide>{{1, 0, true}, {0, 2, false}, {0, 3, true}, {2, 1, true}, {3, 2, true}}));
    // A triangle without area covers neither side of its sides; beside a
    // triangle with area, the side they share lies on the outline still,
    // with the triangle with area on its right.
    EXPECT_EQ(outlineOf(kSquare, {Triangle{0, 4, 1}}),
              (std::vector<OutlineSide>{{0, 1, false}, {0, 4, false}, {1, 4, false}}));
    EXPECT_EQ(outlineOf(kSquare, {kLowerRight, Triangle{0, 1, 4}}),
              (std::vector<OutlineSide>{{1, 0, true}, {0, 2, true}, {0, 4, false}, {2, 1, true}, {1, 4, false}}));
    // Two triangles on opposite sides of a side share it however they run.
    EXPECT_EQ(outlineVertices(5, outlineOf(kSquare, {kLowerRight, kLowerRight})),
              (std::vector<bool>{true, true, true, false, false}));
}

TEST(NetworkOutline, TheCheckTheSearchAndTheCompletionAgreeOnAFoldedTin)
{
    const std::vector<OutlineSide> outline = outlineOf(kNotched, kNotchedTin);
    const std::vector<bool> onOutline = outlineVertices(kNotched.size(), outline);
    EXPECT_EQ(onOutline, (std::vector<bool>{true, true, true, true, true, false, true}));
    // The fold C-A is one outline side, the lower side of the folded pair.
    EXPECT_NE(std::find(outline.begin(), outline.end(), OutlineSide{C, A, true}), outline.end());

    // The network check leaves out exactly the outline's vertices.
    const NetworkValidation validation = validateNetwork(kNotched, kNotchedTin);
    for (size_t v = 0; v < kNotched.size(); ++v)
        EXPECT_EQ(validation.residuals[v].state == ResidualState::Boundary, bool(onOutline[v])) << v;
    EXPECT_EQ(validation.residuals[G].state, ResidualState::Validated);

    // Points outside (around the square, and in the notch) take the triangle
    // with the nearest side, as a scan of every triangle finds it.
    const NetworkInterpolator interpolator(std::make_shared<const Control>(kNotched),
                                           std::make_shared<const Tin>(kNotchedTin));
    std::vector<PointRecord> points;
    for (double x = -1.0; x <= 5.0; x += 0.25)
        for (const double y : {-1.0, 0.1, 0.4, 5.0})
            points.push_back(controlAt(x, y));
    std::vector<PointStatus> status(points.size());
    std::vector<int32_t> triangleOf(points.size());
    EXPECT_EQ(interpolator.convert(points.data(), points.size(), status.data(), triangleOf.data(), true), 0u);
    size_t extended = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        if (status[i] != PointStatus::Nearest)
            continue;
        ++extended;
        EXPECT_EQ(triangleOf[i], nearestSideByScan(kNotched, kNotchedTin, points[i].x, points[i].y)) << i;
    }
    EXPECT_GT(extended, points.size() / 2);

    // The completion follows the outline from B through C to A across the
    // fold and fills the notch.
    Tin completed = kNotchedTin;
    completeTinToHull(uint32_t(kNotched.size()), kNotched.data(), completed);
    ASSERT_EQ(completed.size(), kNotchedTin.size() + 1);
    const Triangle &added = completed.back();
    EXPECT_EQ(std::vector<int32_t>({added.p1, added.p2, added.p3}), std::vector<int32_t>({B, A, C}));
}

TEST(NetworkOutline, CompletionStopsWhereTheOutlineBranches)
{
    // With a third triangle on C-A (on the notch's side), the outline there
    // has triangles on both sides: no single way round, nothing is added.
    Tin branched = kNotchedTin;
    branched.push_back(Triangle{A, C, B});
    branched.push_back(Triangle{A, C, B});
    completeTinToHull(uint32_t(kNotched.size()), kNotched.data(), branched);
    EXPECT_EQ(branched.size(), kNotchedTin.size() + 2);
}

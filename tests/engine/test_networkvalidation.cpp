// Leave-one-out check of the control network and the uncertainty of
// converted points.

#include "engine/delaunay.h"
#include "engine/formats/validationreport.h"
#include "engine/networkvalidation.h"
#include "engine/pointquality.h"
#include "engine/trianglegeometry.h"
#include "tests/support/conversiontestsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace veltrane;

namespace {

constexpr double kResidualTolerance = 1e-9;  // metres

using ShiftField = std::function<void(PointRecord &)>;

// n random control points over one by one degree at 44 N, 120 W, sorted and
// triangulated as the run does, with shifts from `field`.
struct Network {
    std::vector<PointRecord> control;
    std::vector<Triangle> triangles;
};

Network randomNetwork(uint32_t n, unsigned seed, const ShiftField &field)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Network network;
    network.control.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        PointRecord &p = network.control[i];
        p.x = -120.0 + unit(random);
        p.y = 44.0 + unit(random);
        p.id = QStringLiteral("C%1").arg(i);
        field(p);
    }
    sortPointsByX(network.control.data(), n);
    network.triangles = buildDelaunayTin(n, network.control.data());
    return network;
}

void linearField(PointRecord &p)
{
    p.dx = 1e-5 + 2e-6 * (p.x + 120.0) - 3e-6 * (p.y - 44.0);
    p.dy = -2e-5 + 4e-6 * (p.x + 120.0) + 1e-6 * (p.y - 44.0);
    p.dh = 0.05 + 0.01 * (p.x + 120.0) - 0.02 * (p.y - 44.0);
}

void quadraticField(PointRecord &p)
{
    const double u = p.x + 120.0, v = p.y - 44.0;
    p.dx = 1e-5 + 3e-5 * u * u - 2e-5 * u * v;
    p.dy = -2e-5 + 1e-5 * v * v + 4e-5 * u * v;
    p.dh = 0.05 + 0.3 * u * u - 0.2 * v * v;
}

// Residual of point i the slow way: the whole network triangulated again
// without it, its shift interpolated over the plane of the triangle that
// holds it.
ControlResidual bruteForceResidual(const Network &network, size_t i)
{
    std::vector<PointRecord> others = network.control;
    others.erase(others.begin() + std::ptrdiff_t(i));
    const std::vector<Triangle> tin = buildDelaunayTin(uint32_t(others.size()), others.data());
    const PointRecord &p = network.control[i];
    for (const Triangle &t : tin) {
        const PointRecord &a = others[size_t(t.p1)], &b = others[size_t(t.p2)], &c = others[size_t(t.p3)];
        const double s1 = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        const double s2 = (c.x - b.x) * (p.y - b.y) - (c.y - b.y) * (p.x - b.x);
        const double s3 = (a.x - c.x) * (p.y - c.y) - (a.y - c.y) * (p.x - c.x);
        if (!((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)))
            continue;
        double shift[3];
        double PointRecord::*components[3] = {&PointRecord::dx, &PointRecord::dy, &PointRecord::dh};
        for (int k = 0; k < 3; ++k) {
            const PlaneCoefficients plane =
                planeThroughPoints(a.x, a.y, a.*components[k], b.x, b.y, b.*components[k], c.x, c.y, c.*components[k]);
            shift[k] = -((plane.A * p.x + plane.D) + plane.B * p.y) / plane.C;
        }
        return residualInMetres(shift[0] - p.dx, shift[1] - p.dy, shift[2] - p.dh, p.y);
    }
    return ControlResidual{};
}

TEST(NetworkValidation, LinearFieldLeavesNoResidual)
{
    const Network network = randomNetwork(300, 11, linearField);
    const NetworkValidation validation = validateNetwork(network.control, network.triangles);
    EXPECT_GT(validation.summary.validated, 250u);
    EXPECT_EQ(validation.summary.irregular, 0u);
    for (const ControlResidual &r : validation.residuals) {
        if (r.state != ResidualState::Validated)
            continue;
        EXPECT_NEAR(r.east, 0.0, kResidualTolerance);
        EXPECT_NEAR(r.north, 0.0, kResidualTolerance);
        EXPECT_NEAR(r.up, 0.0, kResidualTolerance);
    }
}

TEST(NetworkValidation, StarRetriangulationMatchesWholeRetriangulation)
{
    const Network network = randomNetwork(300, 7, quadraticField);
    const NetworkValidation validation = validateNetwork(network.control, network.triangles);
    const std::vector<bool> boundary = boundaryVertices(network.control.size(), network.triangles);
    uint32_t compared = 0;
    double largest = 0.0;
    for (size_t i = 0; i < network.control.size(); ++i) {
        const ControlResidual &r = validation.residuals[i];
        if (boundary[i]) {
            EXPECT_EQ(r.state, ResidualState::Boundary) << i;
            continue;
        }
        ASSERT_EQ(r.state, ResidualState::Validated) << i;
        const ControlResidual expected = bruteForceResidual(network, i);
        ASSERT_EQ(expected.state, ResidualState::Validated) << i;
        EXPECT_NEAR(r.east, expected.east, kResidualTolerance) << i;
        EXPECT_NEAR(r.north, expected.north, kResidualTolerance) << i;
        EXPECT_NEAR(r.up, expected.up, kResidualTolerance) << i;
        largest = std::max(largest, r.horizontal);
        ++compared;
    }
    EXPECT_EQ(compared, validation.summary.validated);
    EXPECT_GT(largest, 0.05);  // the field is curved enough for the comparison to mean something
    EXPECT_DOUBLE_EQ(validation.summary.maxHorizontal,
                     validation.residuals[size_t(validation.summary.worstPoint)].horizontal);
}

}  // namespace

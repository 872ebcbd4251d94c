// Leave-one-out check of the control network and the uncertainty of
// converted points.

#include "engine/geometry/delaunay.h"
#include "engine/formats/validationreport.h"
#include "engine/geodesy/geodesic.h"
#include "engine/geometry/hullcompletion.h"
#include "engine/network/networkvalidation.h"
#include "engine/network/pointquality.h"
#include "engine/geometry/trianglegeometry.h"
#include "tests/support/conversiontestsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <random>

using namespace veltrane;

namespace {

constexpr double kResidualTolerance = 1e-9;  // metres

using ShiftField = std::function<void(PointRecord &)>;

// n random control points over one by one degree at 44 N, 120 W, sorted and
// triangulated (and completed to their hull) as the run does, with shifts
// from `field`.
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
    completeTinToHull(n, network.control.data(), network.triangles);
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
    std::vector<Triangle> tin = buildDelaunayTin(uint32_t(others.size()), others.data());
    completeTinToHull(uint32_t(others.size()), others.data(), tin);
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
    const std::vector<bool> boundary = boundaryVertices(network.control, network.triangles);
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

TEST(NetworkValidation, StarOfOneHundredThousandNeighboursIsWalkedQuickly)
{
    // One control point joined to 100,000 others around it, in shuffled
    // triangle order: a walk that scans the star for each next edge takes
    // over ten seconds here, the linear walk a quarter of a second.
    constexpr int kNeighbours = 100000;
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> jitter(0.9, 1.0);
    std::vector<PointRecord> control(kNeighbours + 1);
    control[0].x = -120.0;
    control[0].y = 44.0;
    for (int i = 1; i <= kNeighbours; ++i) {
        const double angle = 2.0 * kPi * (i - 1) / kNeighbours, radius = 0.5 * jitter(random);
        control[size_t(i)].x = -120.0 + radius * std::cos(angle);
        control[size_t(i)].y = 44.0 + radius * std::sin(angle);
    }
    for (PointRecord &p : control)
        linearField(p);
    std::vector<Triangle> triangles;
    for (int i = 1; i <= kNeighbours; ++i)
        triangles.push_back(Triangle{0, i, i % kNeighbours + 1});
    std::shuffle(triangles.begin(), triangles.end(), random);

    const auto start = std::chrono::steady_clock::now();
    const NetworkValidation validation = validateNetwork(control, triangles);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    ASSERT_EQ(validation.residuals[0].state, ResidualState::Validated);
    EXPECT_NEAR(validation.residuals[0].horizontal, 0.0, kResidualTolerance);
    EXPECT_NEAR(validation.residuals[0].up, 0.0, kResidualTolerance);
    EXPECT_EQ(validation.summary.validated, 1u);
    EXPECT_EQ(validation.summary.boundary, uint32_t(kNeighbours));
}

TEST(NetworkValidation, ReportLeavesBoundaryResidualsEmpty)
{
    const Network network = randomNetwork(60, 3, quadraticField);
    const NetworkValidation validation = validateNetwork(network.control, network.triangles);
    const QList<QByteArray> lines =
        QByteArray::fromStdString(
            validationReportText(network.control.data(), validation.residuals.data(), network.control.size()))
            .split('\n')
            .mid(0, int(network.control.size()) + 1);
    ASSERT_EQ(lines.size(), int(network.control.size()) + 1);
    EXPECT_EQ(lines[0] + "\n", QByteArray(kValidationReportHeader));
    for (size_t i = 0; i < network.control.size(); ++i) {
        const QList<QByteArray> fields = lines[int(i) + 1].split(',');
        ASSERT_EQ(fields.size(), 7);
        EXPECT_EQ(fields[0], network.control[i].id.toLatin1());
        const bool validated = validation.residuals[i].state == ResidualState::Validated;
        for (int f = 3; f < 7; ++f)
            EXPECT_EQ(fields[f].isEmpty(), !validated) << lines[int(i) + 1].toStdString();
        if (validated) {
            EXPECT_NEAR(fields[6].toDouble(), validation.residuals[i].horizontal, 1e-6);
        }
    }
    EXPECT_GT(validation.summary.boundary, 0u);
}

TEST(PointQuality, SigmasFollowTheResidualsAndEveryPointHasItsLine)
{
    const Network network = randomNetwork(200, 5, quadraticField);
    const NetworkValidation validation = validateNetwork(network.control, network.triangles);
    const PointQualityEstimator estimator(network.control, network.triangles, validation);

    // Every control point, then random points in and around the network.
    std::vector<PointRecord> points = network.control;
    std::mt19937_64 random(9);
    std::uniform_real_distribution<double> around(-0.2, 1.2);
    for (int k = 0; k < 200; ++k) {
        PointRecord p;
        p.x = -120.0 + around(random);
        p.y = 44.0 + around(random);
        p.id = QStringLiteral("R%1").arg(k);
        points.push_back(p);
    }
    std::vector<PointRecord> converted = points;
    std::vector<PointStatus> pointStatus(points.size());
    std::vector<int32_t> holding(points.size());
    NetworkInterpolator(std::make_shared<const std::vector<PointRecord>>(network.control),
                        std::make_shared<const std::vector<Triangle>>(network.triangles))
        .convert(converted.data(), converted.size(), pointStatus.data(), holding.data(), false);
    std::vector<PointQuality> quality(points.size());
    evaluatePointQuality(estimator, points.data(), pointStatus.data(), holding.data(), points.size(), quality.data());

    for (size_t i = 0; i < network.control.size(); ++i) {
        const ControlResidual &r = validation.residuals[i];
        ASSERT_EQ(quality[i].status, PointStatus::Converted) << i;
        const bool validated = r.state == ResidualState::Validated;
        EXPECT_NEAR(quality[i].sigmaHorizontal, validated ? r.horizontal : validation.summary.rmsHorizontal, 1e-12);
        EXPECT_NEAR(quality[i].sigmaVertical, validated ? std::fabs(r.up) : validation.summary.rmsVertical, 1e-12);
        EXPECT_EQ(quality[i].nearestControl, 0.0);
    }
    uint32_t outside = 0;
    for (size_t i = network.control.size(); i < points.size(); ++i) {
        // The nearest control point by measuring the distance to all of them.
        double nearest = 1e300;
        for (const PointRecord &c : network.control) {
            double azimuth = 0.0;
            nearest = std::min(nearest, geodesicInverse(points[i].y, points[i].x, c.y, c.x, kGrs80SemiMajorAxis,
                                                        kGrs80SemiMinorAxis, kGrs80Flattening, azimuth));
        }
        EXPECT_NEAR(quality[i].nearestControl, nearest, 1e-6) << i;
        EXPECT_EQ(quality[i].hasSigma, quality[i].status == PointStatus::Converted);
        if (quality[i].hasSigma) {
            EXPECT_GE(quality[i].sigmaHorizontal, 0.0);
            EXPECT_LE(quality[i].sigmaHorizontal,
                      std::max(validation.summary.maxHorizontal, validation.summary.rmsHorizontal));
        }
        outside += quality[i].status == PointStatus::Outside;
    }
    EXPECT_GT(outside, 0u);

    std::string text;
    appendQualityLines(text, points.data(), quality.data(), 150);  // two batches, one file
    appendQualityLines(text, points.data() + 150, quality.data() + 150, points.size() - 150);
    const QList<QByteArray> lines = QByteArray::fromStdString(text).split('\n');
    ASSERT_EQ(lines.size(), int(points.size()) + 1);  // and the empty rest after the last line end
    for (size_t i = 0; i < points.size(); ++i)
        EXPECT_TRUE(lines[int(i)].startsWith(points[i].id.toLatin1() + "," +
                                             (quality[i].hasSigma ? "converted," : "outside,,,")));
}

TEST(PointQuality, NearestControlOfADenseClusterTakesFewGeodesics)
{
    // 20,000 control points within about ten metres, in a two-degree square
    // marked by its corners, and points all over the square: every cluster
    // point lies within a few percent of the nearest by plane distance.
    std::mt19937_64 random(21);
    std::uniform_real_distribution<double> metre(-5e-5, 5e-5);
    std::vector<PointRecord> control;
    for (const double corner : {0.0, 1.0, 2.0, 3.0}) {
        PointRecord p;
        p.x = -121.0 + 2.0 * std::fmod(corner, 2.0);
        p.y = 43.0 + 2.0 * std::floor(corner / 2.0);
        control.push_back(p);
    }
    for (int i = 0; i < 20000; ++i) {
        PointRecord p;
        p.x = -120.0 + metre(random);
        p.y = 44.0 + 0.8 * metre(random);
        control.push_back(p);
    }
    const std::vector<Triangle> triangles;
    const NetworkValidation validation;
    const PointQualityEstimator estimator(control, triangles, validation);

    std::uniform_real_distribution<double> unit(0.0, 1.0);
    size_t measured = 0;
    for (int k = 0; k < 2000; ++k) {
        const double x = -121.0 + 2.0 * unit(random), y = 43.0 + 2.0 * unit(random);
        double metres = 0.0, brute = 1e300;
        size_t geodesics = 0;
        ASSERT_TRUE(estimator.nearestControlDistance(x, y, metres, &geodesics));
        measured += geodesics;
        if (k % 100 != 0)
            continue;
        for (const PointRecord &c : control) {
            double azimuth = 0.0;
            brute = std::min(brute, geodesicInverse(y, x, c.y, c.x, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis,
                                                    kGrs80Flattening, azimuth));
        }
        EXPECT_EQ(metres, brute) << x << " " << y;
    }
    // Measuring every cluster point would take 40,000,000 geodesics.
    EXPECT_LT(measured, size_t(2000 * 8));
}

TEST(PointQuality, NearestControlIsExactAcrossTheGlobe)
{
    // Sparse and dense cells, points far outside the network and on the
    // other side of the world: always the smallest geodesic of all.
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> longitude(-180.0, 180.0), latitude(-89.0, 89.0), near(-1e-3, 1e-3);
    std::vector<PointRecord> control;
    for (int i = 0; i < 400; ++i) {
        PointRecord p;
        p.x = -100.0 + 30.0 * std::fabs(near(random)) * 1e3;
        p.y = 30.0 + 20.0 * std::fabs(near(random)) * 1e3;
        control.push_back(p);
    }
    for (int i = 0; i < 300; ++i) {
        PointRecord p;
        p.x = -90.0 + near(random);
        p.y = 40.0 + near(random);
        control.push_back(p);
    }
    const std::vector<Triangle> triangles;
    const NetworkValidation validation;
    const PointQualityEstimator estimator(control, triangles, validation);
    for (int k = 0; k < 300; ++k) {
        double x = longitude(random), y = latitude(random);
        if (k % 3 == 0) {
            x = -90.0 + 0.5 * near(random);
            y = 40.0 + 0.5 * near(random);
        } else if (k % 3 == 1) {
            x = -100.0 + 40.0 * std::fabs(near(random)) * 1e3;
            y = 25.0 + 30.0 * std::fabs(near(random)) * 1e3;
        }
        double metres = 0.0, brute = 1e300;
        ASSERT_TRUE(estimator.nearestControlDistance(x, y, metres));
        for (const PointRecord &c : control) {
            double azimuth = 0.0;
            brute = std::min(brute, geodesicInverse(y, x, c.y, c.x, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis,
                                                    kGrs80Flattening, azimuth));
        }
        EXPECT_EQ(metres, brute) << x << " " << y;
    }
}

}  // namespace

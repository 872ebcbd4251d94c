#include "engine/pointquality.h"

#include "engine/base/parallel.h"
#include "engine/geodesic.h"
#include "engine/planegeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {

namespace {

// Points handled by one thread at a time.
constexpr size_t kPointsPerRange = 4096;
// Control points per grid cell, on average.
constexpr double kPointsPerCell = 2.0;
// Candidates within this factor of the best local-plane distance are measured
// on the ellipsoid: the plane at the query's latitude is off by far less.
constexpr double kCandidateMargin = 1.02;
// Meridian radius of curvature at the equator, a (1 - e^2), metres: the
// smallest M.
constexpr double kEquatorMeridianRadius = kGrs80SemiMajorAxis * (1.0 - kGrs80EccentricitySquared);
// Lowest cosine of latitude used to bound east-west distances (about 89.4 degrees).
constexpr double kMinCosLatitude = 0.01;

// The local plane at a latitude: metres per radian east (N cos phi) and
// north (M).
struct LocalPlane {
    double eastRadius;
    double northRadius;
};

LocalPlane localPlaneAt(double latitude)
{
    return {primeVerticalRadius(latitude) * std::cos(latitude * kRadiansPerDegree), meridianRadius(latitude)};
}

// Local-plane distance in metres from (x1, y1) to (x2, y2), on the plane at y1.
double planeMetres(const LocalPlane &plane, double x1, double y1, double x2, double y2)
{
    const double east = (x2 - x1) * kRadiansPerDegree * plane.eastRadius;
    const double north = (y2 - y1) * kRadiansPerDegree * plane.northRadius;
    return std::hypot(east, north);
}

}  // namespace

PointQualityEstimator::PointQualityEstimator(const std::vector<PointRecord> &control,
                                             const std::vector<Triangle> &triangles,
                                             const NetworkValidation &validation)
    : control_(control), triangles_(triangles), validation_(validation)
{
    double xMin = std::numeric_limits<double>::infinity(), yMin = xMin;
    double xMax = -xMin, yMax = -xMin;
    size_t usable = 0;
    for (const PointRecord &p : control) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            continue;
        ++usable;
        xMin = std::min(xMin, p.x);
        xMax = std::max(xMax, p.x);
        yMin = std::min(yMin, p.y);
        yMax = std::max(yMax, p.y);
    }
    if (usable == 0)
        return;
    maxAbsLatitude_ = std::max(std::fabs(yMin), std::fabs(yMax));
    const double width = xMax - xMin, height = yMax - yMin;
    const double area = std::max(width, 1e-9) * std::max(height, 1e-9);
    cellSize_ = std::max(std::sqrt(area * kPointsPerCell / double(usable)), 1e-9);
    columns_ = int32_t(std::min(4096.0, std::floor(width / cellSize_) + 1));
    rows_ = int32_t(std::min(4096.0, std::floor(height / cellSize_) + 1));
    cellSize_ = std::max(cellSize_, std::max(width / columns_, height / rows_) * (1.0 + 1e-12));
    originX_ = xMin;
    originY_ = yMin;
    const auto cellOf = [this](const PointRecord &p) {
        const int32_t c = std::min(columns_ - 1, int32_t((p.x - originX_) / cellSize_));
        const int32_t r = std::min(rows_ - 1, int32_t((p.y - originY_) / cellSize_));
        return size_t(r) * size_t(columns_) + size_t(c);
    };
    cells_ = buildCellLists<uint32_t>(size_t(columns_) * size_t(rows_), control.size(), [&](size_t i, auto visit) {
        if (std::isfinite(control[i].x) && std::isfinite(control[i].y))
            visit(cellOf(control[i]));
    });
}

double PointQualityEstimator::sigmaHorizontalAt(int32_t vertex) const
{
    const ControlResidual &r = validation_.residuals[size_t(vertex)];
    return r.state == ResidualState::Validated ? r.horizontal : validation_.summary.rmsHorizontal;
}

double PointQualityEstimator::sigmaVerticalAt(int32_t vertex) const
{
    const ControlResidual &r = validation_.residuals[size_t(vertex)];
    return r.state == ResidualState::Validated ? std::fabs(r.up) : validation_.summary.rmsVertical;
}

bool PointQualityEstimator::nearestControlDistance(double x, double y, double &metres) const
{
    if (cells_.items.empty() || !std::isfinite(x) || !std::isfinite(y))
        return false;
    // Lower bound, in metres, of the distance to points k cells away.
    const double cosBound =
        std::max(kMinCosLatitude, std::cos(std::max(maxAbsLatitude_, std::fabs(y)) * kRadiansPerDegree));
    const double metresPerCell =
        cellSize_ * kRadiansPerDegree * std::min(kEquatorMeridianRadius, kGrs80SemiMajorAxis * cosBound);
    const LocalPlane plane = localPlaneAt(y);
    const double fx = (x - originX_) / cellSize_, fy = (y - originY_) / cellSize_;
    const int64_t cx = int64_t(std::floor(std::min(std::max(fx, -1.0), double(columns_))));
    const int64_t cy = int64_t(std::floor(std::min(std::max(fy, -1.0), double(rows_))));

    double best = std::numeric_limits<double>::infinity();
    std::vector<std::pair<double, uint32_t>> candidates;
    const int64_t maxRing = std::max<int64_t>(columns_, rows_) + 2;
    for (int64_t ring = 0; ring <= maxRing; ++ring) {
        if (std::isfinite(best) && double(ring - 1) * metresPerCell > best * kCandidateMargin)
            break;
        for (int64_t r = cy - ring; r <= cy + ring; ++r) {
            if (r < 0 || r >= rows_)
                continue;
            const bool edgeRow = r == cy - ring || r == cy + ring;
            for (int64_t c = cx - ring; c <= cx + ring; c += edgeRow ? 1 : std::max<int64_t>(1, 2 * ring)) {
                if (c < 0 || c >= columns_)
                    continue;
                const size_t cell = size_t(r) * size_t(columns_) + size_t(c);
                for (uint32_t k = cells_.start[cell]; k < cells_.start[cell + 1]; ++k) {
                    const PointRecord &p = control_[cells_.items[k]];
                    const double d = planeMetres(plane, x, y, p.x, p.y);
                    candidates.emplace_back(d, cells_.items[k]);
                    best = std::min(best, d);
                }
            }
        }
    }
    double nearest = std::numeric_limits<double>::infinity();
    for (const auto &candidate : candidates) {
        if (candidate.first > best * kCandidateMargin)
            continue;
        const PointRecord &p = control_[candidate.second];
        double azimuth = 0.0;
        const double d =
            geodesicInverse(y, x, p.y, p.x, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis, kGrs80Flattening, azimuth);
        nearest = std::min(nearest, d == kGeodesicFailureDistance ? candidate.first : d);
    }
    metres = nearest;
    return std::isfinite(nearest);
}

PointQuality PointQualityEstimator::evaluate(double x, double y, PointStatus status, int32_t triangle) const
{
    PointQuality quality;
    quality.status = status;
    quality.hasNearestControl = nearestControlDistance(x, y, quality.nearestControl);
    if (status == PointStatus::Outside || triangle < 0 || size_t(triangle) >= triangles_.size())
        return quality;
    const Triangle &t = triangles_[size_t(triangle)];
    const int32_t corner[3] = {t.p1, t.p2, t.p3};
    quality.hasSigma = true;
    for (const int32_t v : corner) {
        if (control_[size_t(v)].x == x && control_[size_t(v)].y == y) {
            quality.sigmaHorizontal = sigmaHorizontalAt(v);
            quality.sigmaVertical = sigmaVerticalAt(v);
            return quality;
        }
    }
    const BarycentricWeights w = nearestPlaceWeights(planeOf(control_[size_t(t.p1)]), planeOf(control_[size_t(t.p2)]),
                                                     planeOf(control_[size_t(t.p3)]), PlanePoint{x, y});
    for (int k = 0; k < 3; ++k) {
        quality.sigmaHorizontal += w.w[k] * sigmaHorizontalAt(corner[k]);
        quality.sigmaVertical += w.w[k] * sigmaVerticalAt(corner[k]);
    }
    return quality;
}

void evaluatePointQuality(const PointQualityEstimator &estimator, const PointRecord *points, const PointStatus *status,
                          const int32_t *triangleOf, size_t count, PointQuality *quality)
{
    forEachRange(count, kPointsPerRange, [&](size_t first, size_t last) {
        for (size_t i = first; i < last; ++i)
            quality[i] = estimator.evaluate(points[i].x, points[i].y, status[i], triangleOf[i]);
    });
}

}  // namespace veltrane

#include "engine/network/pointquality.h"

#include "engine/base/parallel.h"
#include "engine/geodesy/geodesic.h"
#include "engine/geometry/planegeometry.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace veltrane {

namespace {

// Points handled by one thread at a time.
constexpr size_t kPointsPerRange = 4096;
// Control points per grid cell, on average.
constexpr double kPointsPerCell = 2.0;
// Cells with at least this many control points keep their points' geodesic
// offsets from the cell's first point, which bound the distance to each of
// them from one geodesic per cell.
constexpr uint32_t kDenseCell = 16;
// Meridian radius of curvature at the equator, a (1 - e^2), metres: the
// smallest M.
constexpr double kEquatorMeridianRadius = kGrs80SemiMajorAxis * (1.0 - kGrs80EccentricitySquared);
// The distance from a point grows convexly along any geodesic that stays
// within a quarter of the circumference of the sphere of the largest
// curvature (radius b) from it: 9,985 km, kept well below.
constexpr double kConvexReach = 9.0e6;
// Below this distance (metres) from a cell's first point the azimuth there is
// not trusted, and only the triangle inequality bounds the cell's points.
constexpr double kAzimuthDistance = 1.0;
// Every lower bound is lowered by this much (metres, and relative) before it
// rules a point out: the geodesics are settled to far less.
constexpr double kBoundSlack = 1e-3;
constexpr double kBoundSlackRelative = 1e-8;

double slackened(double bound)
{
    return bound - kBoundSlack - kBoundSlackRelative * std::fabs(bound);
}

// Longitude difference in degrees as radians the shorter way round, 0 .. pi,
// scaled as the geodesics scale it.
double wrappedLongitude(double difference)
{
    const double d = std::fmod(std::fabs(difference) * kDegreesToRadiansF32, 2.0 * kPi);
    return std::min(d, 2.0 * kPi - d);
}

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
    latitudesValid_ = maxAbsLatitude_ <= 90.0;
    eastMost_ = xMax;
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

    const size_t cellCount = cells_.cellCount();
    reach_.assign(cellCount, -1.0);
    offsetLength_.assign(cells_.items.size(), 0.0);
    offsetNorth_.assign(cells_.items.size(), 0.0);
    offsetEast_.assign(cells_.items.size(), 0.0);
    if (!latitudesValid_)
        return;
    forEachRange(cellCount, 256, [this](size_t first, size_t last) {
        for (size_t cell = first; cell < last; ++cell) {
            const uint32_t begin = cells_.start[cell], end = cells_.start[cell + 1];
            if (end - begin < kDenseCell)
                continue;
            const PointRecord &anchor = control_[cells_.items[begin]];
            double reach = 0.0;
            for (uint32_t k = begin + 1; k < end; ++k) {
                const PointRecord &p = control_[cells_.items[k]];
                double azimuth = 0.0;
                const double length = geodesicInverse(anchor.y, anchor.x, p.y, p.x, kGrs80SemiMajorAxis,
                                                      kGrs80SemiMinorAxis, kGrs80Flattening, azimuth);
                if (length == kGeodesicFailureDistance) {
                    reach = -1.0;
                    break;
                }
                offsetLength_[k] = length;
                offsetNorth_[k] = length * std::cos(azimuth);
                offsetEast_[k] = length * std::sin(azimuth);
                reach = std::max(reach, length);
            }
            reach_[cell] = reach;
        }
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

// The search visits the grid's cells in rings around the query's cell and
// computes geodesics only to points that lower bounds cannot rule out. Every
// bound is a true lower bound on the geodesic, so the result is the smallest
// of all geodesics:
// - A path shorter than the best distance so far keeps within
//   best / M_min of the query's latitude (meridian arcs are the shortest ways
//   between parallels, and M >= M_min). In that band a metre of path covers at
//   most 1 / M_min radians of latitude and 1 / rho_min of longitude, rho_min
//   being the radius of the band's most poleward parallel, so the path is at
//   least hypot(M_min dLatitude, rho_min dLongitude) long.
// - In a dense cell, the distance from the query grows convexly along the
//   geodesic from the cell's first point A to its point P (positive curvature,
//   well within a quarter circumference), so it is at least
//   |QA| - |AP| cos(azimuth of P - azimuth of Q, both at A), and at least
//   | |QA| - |AP| |.
// The geodesics scale degrees to radians with the single-precision factor,
// and the bounds use the same one.
bool PointQualityEstimator::nearestControlDistance(double x, double y, double &metres, size_t *measured) const
{
    if (cells_.items.empty() || !std::isfinite(x) || !std::isfinite(y))
        return false;
    const bool bounded = latitudesValid_ && std::fabs(y) <= 90.0;
    const double latitude = std::fabs(y) * kDegreesToRadiansF32;
    // Longitudes of the query and of the network span this many radians: no
    // two of them are closer than a full turn less that the other way round.
    const double span = (std::max(eastMost_, x) - std::min(originX_, x)) * kDegreesToRadiansF32;
    const LocalPlane plane = localPlaneAt(y);
    size_t geodesics = 0;
    double best = std::numeric_limits<double>::infinity();
    double parallelRadius = 0.0;  // rho_min of the band around the query for paths shorter than best

    const auto improve = [&](double value) {
        if (!(value < best))
            return;
        best = value;
        const double poleward = latitude + best / kEquatorMeridianRadius;
        parallelRadius = poleward < kPi / 2 ? kGrs80SemiMajorAxis * std::cos(poleward) : 0.0;
    };
    const auto planarBound = [&](const PointRecord &p) {
        if (!bounded)
            return -std::numeric_limits<double>::infinity();
        const double north = kEquatorMeridianRadius * std::fabs(p.y - y) * kDegreesToRadiansF32;
        const double east = parallelRadius * wrappedLongitude(p.x - x);
        return slackened(std::sqrt(north * north + east * east));
    };
    const auto measure = [&](const PointRecord &p) {
        ++geodesics;
        double azimuth = 0.0;
        const double d =
            geodesicInverse(y, x, p.y, p.x, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis, kGrs80Flattening, azimuth);
        improve(d == kGeodesicFailureDistance ? planeMetres(plane, x, y, p.x, p.y) : d);
    };
    // Lower bound on the distance to any point in the cells `ring` or more
    // cells away from the query's: they differ from it by at least ring - 1
    // cells in latitude or in longitude.
    const double cellRadians = cellSize_ * kDegreesToRadiansF32;
    const auto ringBound = [&](int64_t ring) {
        if (!bounded || ring <= 1)
            return -std::numeric_limits<double>::infinity();
        const double apart = double(ring - 1) * cellRadians;
        const double east = span < 2.0 * kPi ? std::min(apart, 2.0 * kPi - span) : 0.0;
        return slackened(std::min(kEquatorMeridianRadius * apart, parallelRadius * east));
    };

    // Points of sparse cells wait in a heap, nearest lower bound first; a
    // bound found with a longer best distance is tightened before use.
    using Entry = std::pair<double, uint32_t>;
    const std::greater<Entry> later;
    std::vector<Entry> waiting;
    const auto wait = [&](double bound, uint32_t index) {
        waiting.emplace_back(bound, index);
        std::push_heap(waiting.begin(), waiting.end(), later);
    };
    uint32_t measuredFirst = std::numeric_limits<uint32_t>::max();
    const auto settle = [&](double limit) {
        if (!std::isfinite(best) && !waiting.empty()) {
            // Until a point is measured the band is the whole globe, which
            // bounds nothing east-west: the point nearest on the local plane
            // is measured first, for a short best distance at once.
            double nearest = std::numeric_limits<double>::infinity();
            for (const Entry &entry : waiting) {
                const PointRecord &p = control_[entry.second];
                const double d = planeMetres(plane, x, y, p.x, p.y);
                if (!(d >= nearest)) {
                    nearest = d;
                    measuredFirst = entry.second;
                }
            }
            measure(control_[measuredFirst]);
        }
        while (!waiting.empty() && waiting.front().first <= limit) {
            std::pop_heap(waiting.begin(), waiting.end(), later);
            const Entry entry = waiting.back();
            waiting.pop_back();
            if (entry.first > best) {
                waiting.clear();
                return;
            }
            if (entry.second == measuredFirst)
                continue;
            const PointRecord &p = control_[entry.second];
            const double bound = planarBound(p);
            if (bound > entry.first)
                wait(bound, entry.second);
            else
                measure(p);
        }
    };
    // All points of a dense cell, from one geodesic to its first point.
    std::vector<double> bounds;
    const auto visitDense = [&](size_t cell) {
        const uint32_t begin = cells_.start[cell], end = cells_.start[cell + 1];
        const PointRecord &anchor = control_[cells_.items[begin]];
        double azimuth = 0.0;
        ++geodesics;
        const double toQuery = geodesicInverse(anchor.y, anchor.x, y, x, kGrs80SemiMajorAxis, kGrs80SemiMinorAxis,
                                               kGrs80Flattening, azimuth);
        const double reach = reach_[cell];
        if (reach < 0.0 || toQuery == kGeodesicFailureDistance || toQuery + reach > kConvexReach) {
            for (uint32_t k = begin; k < end; ++k)
                wait(planarBound(control_[cells_.items[k]]), cells_.items[k]);
            return;
        }
        if (slackened(toQuery - reach) > best)
            return;
        const bool aimed = toQuery >= kAzimuthDistance;
        const double cosine = std::cos(azimuth), sine = std::sin(azimuth);
        bounds.resize(end - begin);
        uint32_t first = begin;
        double lowest = std::numeric_limits<double>::infinity();
        for (uint32_t k = begin; k < end; ++k) {
            const double apart = std::fabs(offsetLength_[k] - toQuery);
            const double along = toQuery - (offsetNorth_[k] * cosine + offsetEast_[k] * sine);
            const double b = slackened(aimed ? std::max(apart, along) : apart);
            bounds[k - begin] = b;
            if (b < lowest) {
                lowest = b;
                first = k;
            }
        }
        if (lowest > best)
            return;
        measure(control_[cells_.items[first]]);
        for (uint32_t k = begin; k < end; ++k)
            if (k != first && bounds[k - begin] <= best)
                measure(control_[cells_.items[k]]);
    };

    const double fx = (x - originX_) / cellSize_, fy = (y - originY_) / cellSize_;
    const int64_t cx = int64_t(std::floor(std::min(std::max(fx, -1.0), double(columns_))));
    const int64_t cy = int64_t(std::floor(std::min(std::max(fy, -1.0), double(rows_))));
    const int64_t maxRing = std::max<int64_t>(columns_, rows_) + 2;
    for (int64_t ring = 0;; ++ring) {
        const double limit = ring <= maxRing ? ringBound(ring) : std::numeric_limits<double>::infinity();
        settle(limit);
        if (ring > maxRing || limit > best)
            break;
        for (int64_t r = cy - ring; r <= cy + ring; ++r) {
            if (r < 0 || r >= rows_)
                continue;
            const bool edgeRow = r == cy - ring || r == cy + ring;
            for (int64_t c = cx - ring; c <= cx + ring; c += edgeRow ? 1 : std::max<int64_t>(1, 2 * ring)) {
                if (c < 0 || c >= columns_)
                    continue;
                const size_t cell = size_t(r) * size_t(columns_) + size_t(c);
                if (bounded && reach_[cell] >= 0.0) {
                    visitDense(cell);
                    continue;
                }
                for (uint32_t k = cells_.start[cell]; k < cells_.start[cell + 1]; ++k)
                    wait(planarBound(control_[cells_.items[k]]), cells_.items[k]);
            }
        }
    }
    if (measured)
        *measured = geodesics;
    metres = best;
    return std::isfinite(best);
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

#pragma once
// The uncertainty of converted points: the absolute leave-one-out residuals
// of the network's control points interpolated over the triangle that gave
// each point its shift, and the distance to the nearest control point.

#include "engine/celllists.h"
#include "engine/formats/checkrecords.h"
#include "engine/formats/pointrecord.h"
#include "engine/networkvalidation.h"
#include "engine/pointshift.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

class PointQualityEstimator {
public:
    // Keeps references to all three, which must outlive it.
    PointQualityEstimator(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                          const NetworkValidation &validation);

    // The quality of point (x, y) with its status and the triangle that gave
    // its shift (-1 when none). Sigmas interpolate the vertices' absolute
    // residuals linearly (a vertex without residual contributes the network's
    // RMS); a point extrapolated from a triangle takes the value at the
    // nearest place of that triangle. An outside point has no sigma.
    PointQuality evaluate(double x, double y, PointStatus status, int32_t triangle) const;

    // Geodesic distance in metres from (x, y) to the nearest control point;
    // false when there is none.
    bool nearestControlDistance(double x, double y, double &metres) const;

private:
    double sigmaHorizontalAt(int32_t vertex) const;
    double sigmaVerticalAt(int32_t vertex) const;

    const std::vector<PointRecord> &control_;
    const std::vector<Triangle> &triangles_;
    const NetworkValidation &validation_;

    // Control points bucketed in a uniform grid of longitude and latitude.
    double originX_ = 0.0;
    double originY_ = 0.0;
    double cellSize_ = 1.0;  // degrees
    int32_t columns_ = 0;
    int32_t rows_ = 0;
    double maxAbsLatitude_ = 0.0;
    CellLists<uint32_t> cells_;  // control indices with finite coordinates, per cell
};

// Fills quality[0..count) for converted points with their holding triangles
// (-1: outside) and statuses, spread over the cores.
void evaluatePointQuality(const PointQualityEstimator &estimator, const PointRecord *points, const PointStatus *status,
                          const int32_t *triangleOf, size_t count, PointQuality *quality);

}  // namespace veltrane

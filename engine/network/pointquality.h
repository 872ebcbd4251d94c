#pragma once
// The uncertainty of converted points: the absolute leave-one-out residuals
// of the network's control points interpolated over the triangle that gave
// each point its shift, and the distance to the nearest control point.

#include "engine/geometry/celllists.h"
#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"
#include "engine/network/networkvalidation.h"
#include "engine/network/pointshift.h"

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
    // false when there is none. `measured`, when given, receives the number
    // of geodesics computed for it.
    bool nearestControlDistance(double x, double y, double &metres, size_t *measured = nullptr) const;

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
    double eastMost_ = 0.0;       // largest longitude of the control points
    bool latitudesValid_ = true;  // every control latitude within [-90, 90]
    CellLists<uint32_t> cells_;   // control indices with finite coordinates, per cell

    // Cells holding many control points keep the geodesic from their first
    // point to each of the others, as its length and the length times cosine
    // and sine of its azimuth there (one entry per entry of cells_.items), and
    // the longest of them; a reach below zero means the cell keeps none.
    std::vector<double> offsetLength_;
    std::vector<double> offsetNorth_;
    std::vector<double> offsetEast_;
    std::vector<double> reach_;
};

// Fills quality[0..count) for converted points with their holding triangles
// (-1: outside) and statuses, spread over the cores.
void evaluatePointQuality(const PointQualityEstimator &estimator, const PointRecord *points, const PointStatus *status,
                          const int32_t *triangleOf, size_t count, PointQuality *quality);

}  // namespace veltrane

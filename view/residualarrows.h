#pragma once
// The network check in the 3D view: each validated control point's
// horizontal residual as an arrow in scene degrees, scaled by the vector
// multiplier and coloured by its size over the ramp of the check's picture,
// 0 to the largest residual.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"

#include <QColor>
#include <cstdint>
#include <vector>

namespace veltrane {

struct ResidualArrow {
    uint32_t point = 0;  // index of the control point
    double east = 0.0;   // the arrow's end less its start, degrees of longitude
    double north = 0.0;  // degrees of latitude
    QColor colour;       // of its size
};

// The arrows of the validated residuals of the first `count` control points
// (residuals beyond either list are left out), `multiplier` times their
// length. Residuals are metres east and north; their degrees are those at
// the point's latitude.
std::vector<ResidualArrow> residualArrows(const PointRecord *control, uint32_t count,
                                          const std::vector<ControlResidual> &residuals, double multiplier);

// Indices of the points on the network's outline, which have no residual.
std::vector<uint32_t> boundaryPoints(uint32_t count, const std::vector<ControlResidual> &residuals);

}  // namespace veltrane

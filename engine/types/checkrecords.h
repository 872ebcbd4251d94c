#pragma once
// The results of the network check, as plain records: the leave-one-out
// residual of a control point and the uncertainty of a converted point.

#include "engine/types/pointrecord.h"

#include <cstdint>

namespace veltrane {

// Why a control point has, or has not, a leave-one-out residual.
enum class ResidualState : uint8_t {
    Validated,  // interpolated from the network without it
    Boundary,   // on the network's outline: nothing surrounds it
    Unused,     // in no triangle of the network
    Irregular,  // its triangles do not close around it, or no triangle of its star holds it
};

// Predicted minus known shift at one control point, in metres.
struct ControlResidual {
    ResidualState state = ResidualState::Unused;
    double east = 0.0;        // longitude part, along the parallel
    double north = 0.0;       // latitude part, along the meridian
    double up = 0.0;          // height part
    double horizontal = 0.0;  // sqrt(east^2 + north^2)
};

// The uncertainty of one converted point, in metres.
struct PointQuality {
    PointStatus status = PointStatus::Outside;
    bool hasSigma = false;           // false for Outside: no sigma fields
    double sigmaHorizontal = 0.0;    // interpolated absolute horizontal residual
    double sigmaVertical = 0.0;      // interpolated absolute height residual
    bool hasNearestControl = false;  // false when the network has no control point
    double nearestControl = 0.0;     // geodesic distance to the nearest control point
};

}  // namespace veltrane

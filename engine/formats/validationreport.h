#pragma once
// The two files of the network check: the leave-one-out residual of every
// control point, and the uncertainty beside every converted point.

#include "engine/formats/pointrecord.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrane {

// Why a control point has, or has not, a leave-one-out residual.
enum class ResidualState : uint8_t {
    Validated,  // interpolated from the network without it
    Boundary,   // on an edge that only one triangle has: nothing surrounds it
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

// Header of the residual file.
constexpr const char *kValidationReportHeader =
    "POINT_ID,X,Y,RESIDUAL_E_M,RESIDUAL_N_M,RESIDUAL_H_M,RESIDUAL_HORIZONTAL_M\n";

// The residual file: the header and one line per control point (source
// position, residuals; empty residual fields for a point that was not
// validated).
std::string validationReportText(const PointRecord *control, const ControlResidual *residuals, size_t count);

// The uncertainty of one converted point, in metres.
struct PointQuality {
    PointStatus status = PointStatus::Outside;
    bool hasSigma = false;           // false for Outside: no sigma fields
    double sigmaHorizontal = 0.0;    // interpolated absolute horizontal residual
    double sigmaVertical = 0.0;      // interpolated absolute height residual
    bool hasNearestControl = false;  // false when the network has no control point
    double nearestControl = 0.0;     // geodesic distance to the nearest control point
};

// Header of the uncertainty file.
constexpr const char *kQualityFileHeader = "POINT_ID,STATUS,SIGMA_HORIZONTAL_M,SIGMA_H_M,NEAREST_CONTROL_M\n";

// Appends one line of the uncertainty file per point.
void appendQualityLines(std::string &out, const PointRecord *points, const PointQuality *quality, size_t count);

}  // namespace veltrane

#pragma once
// The two files of the network check: the leave-one-out residual of every
// control point, and the uncertainty beside every converted point.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"

#include <cstddef>
#include <string>

namespace veltrane {

// Header of the residual file.
constexpr const char *kValidationReportHeader =
    "POINT_ID,X,Y,RESIDUAL_E_M,RESIDUAL_N_M,RESIDUAL_H_M,RESIDUAL_HORIZONTAL_M\n";

// The residual file: the header and one line per control point (source
// position, residuals; empty residual fields for a point that was not
// validated).
std::string validationReportText(const PointRecord *control, const ControlResidual *residuals, size_t count);

// Header of the uncertainty file.
constexpr const char *kQualityFileHeader = "POINT_ID,STATUS,SIGMA_HORIZONTAL_M,SIGMA_H_M,NEAREST_CONTROL_M\n";

// Appends one line of the uncertainty file per point.
void appendQualityLines(std::string &out, const PointRecord *points, const PointQuality *quality, size_t count);

}  // namespace veltrane

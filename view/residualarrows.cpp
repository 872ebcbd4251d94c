#include "view/residualarrows.h"

#include "engine/network/networkvalidation.h"
#include "engine/network/residualramp.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

std::vector<ResidualArrow> residualArrows(const PointRecord *control, uint32_t count,
                                          const std::vector<ControlResidual> &residuals, double multiplier)
{
    std::vector<ResidualArrow> arrows;
    if (!control)
        return arrows;
    const uint32_t n = uint32_t(std::min<size_t>(count, residuals.size()));
    double largest = 0.0;
    for (uint32_t i = 0; i < n; ++i)
        if (residuals[i].state == ResidualState::Validated && std::isfinite(residuals[i].horizontal))
            largest = std::max(largest, residuals[i].horizontal);
    for (uint32_t i = 0; i < n; ++i) {
        const ControlResidual &r = residuals[i];
        if (r.state != ResidualState::Validated || !std::isfinite(r.horizontal))
            continue;
        // Metres of one degree east and north at the point's latitude.
        const ControlResidual degree = residualInMetres(1.0, 1.0, 0.0, control[i].y);
        if (!(degree.east > 0.0) || !(degree.north > 0.0))
            continue;
        const RampColour ramp = residualRamp(largest > 0.0 ? r.horizontal / largest : 0.0);
        arrows.push_back({i, multiplier * r.east / degree.east, multiplier * r.north / degree.north,
                          QColor::fromRgbF(ramp.red, ramp.green, ramp.blue)});
    }
    return arrows;
}

std::vector<uint32_t> boundaryPoints(uint32_t count, const std::vector<ControlResidual> &residuals)
{
    std::vector<uint32_t> points;
    const uint32_t n = uint32_t(std::min<size_t>(count, residuals.size()));
    for (uint32_t i = 0; i < n; ++i)
        if (residuals[i].state == ResidualState::Boundary)
            points.push_back(i);
    return points;
}

}  // namespace veltrane

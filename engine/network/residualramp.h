#pragma once
// The colour ramp of residual sizes, shared by the network check's picture
// and the 3D view: blue (small) through green and yellow to red (the largest).

namespace veltrane {

struct RampColour {
    double red = 0.0;  // 0 .. 1
    double green = 0.0;
    double blue = 0.0;
};

// The ramp at t in 0..1 (clamped).
RampColour residualRamp(double t);

}  // namespace veltrane

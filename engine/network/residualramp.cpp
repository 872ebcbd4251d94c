#include "engine/network/residualramp.h"

#include <algorithm>

namespace veltrane {

RampColour residualRamp(double t)
{
    static constexpr RampColour kStops[] = {{40 / 255.0, 70 / 255.0, 200 / 255.0},
                                            {30 / 255.0, 160 / 255.0, 90 / 255.0},
                                            {235 / 255.0, 195 / 255.0, 30 / 255.0},
                                            {215 / 255.0, 40 / 255.0, 30 / 255.0}};
    constexpr int kLast = int(sizeof kStops / sizeof kStops[0]) - 1;
    t = std::min(1.0, std::max(0.0, t)) * kLast;
    const int i = std::min(kLast - 1, int(t));
    const double f = t - i;
    const RampColour &a = kStops[i], &b = kStops[i + 1];
    return {a.red + (b.red - a.red) * f, a.green + (b.green - a.green) * f, a.blue + (b.blue - a.blue) * f};
}

}  // namespace veltrane

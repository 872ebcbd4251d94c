#include "view/framerate.h"

#include <cmath>

namespace veltrane {

FrameRate updateFrameRate(FrameTimeRing &ring, int elapsedMs)
{
    if (elapsedMs > 0) {
        ring.ms[ring.next] = elapsedMs;
        ring.next = (ring.next + 1) % kFrameRingSize;
    }
    long long sum = 0;
    for (int t : ring.ms)
        sum += t;
    FrameRate rate;
    if (sum > 0) {
        const double meanMs = double(sum) / kFrameRingSize;
        rate.fps = int(1000.0 / meanMs);
    }
    if (rate.fps > kFullZoomFps) {
        rate.zoomSteps = kFullZoomSteps;
    } else {
        rate.zoomSteps = rate.fps / 3;
        if (rate.zoomSteps == 0)
            rate.zoomSteps = 1;
    }
    return rate;
}

int zoomSubSteps(int zoomSteps)
{
    const int n = int(zoomSteps * 0.25);
    return n > 0 ? n : 1;
}

double zoomSubStepFactor(int subSteps, int wheelDelta)
{
    const double exponent = kLnZoomPerNotch / subSteps;
    return std::exp(wheelDelta > 0 ? exponent : -exponent);
}

}  // namespace veltrane

#pragma once
// Frame-rate measurement of the views and the animated wheel zoom derived
// from it.

#include <array>

namespace veltrane {

constexpr int kFrameRingSize = 20;
// Above this rate the wheel zoom uses its full number of sub-steps.
constexpr int kFullZoomFps = 60;
constexpr int kFullZoomSteps = 20;
// One wheel notch zooms by 1.5 (in) or its inverse (out); this is ln 1.5.
constexpr double kLnZoomPerNotch = 0.4054651081081644;

// The last frame times in milliseconds (0 = not yet written) and the slot
// the next one goes to.
struct FrameTimeRing {
    std::array<int, kFrameRingSize> ms{};
    int next = 0;
};

struct FrameRate {
    int fps = 0;        // 1000 / mean frame time, truncated; 0 before any frame
    int zoomSteps = 1;  // base of the wheel zoom's sub-step count
};

// Stores a frame time (frames of 0 ms or less are not stored) and returns
// the rate over the ring and the zoom base derived from it.
FrameRate updateFrameRate(FrameTimeRing &ring, int elapsedMs);

// Number of repaints one wheel notch is spread over: zoomSteps / 4, at least 1.
int zoomSubSteps(int zoomSteps);
// Camera zoom factor of one sub-step: 1.5^(1/n) forward (delta > 0),
// 1.5^(-1/n) otherwise.
double zoomSubStepFactor(int subSteps, int wheelDelta);

}  // namespace veltrane

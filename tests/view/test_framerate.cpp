// The frame-time ring and the wheel zoom's sub-steps.

#include "view/framerate.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace veltrane;

namespace {

FrameRate feed(FrameTimeRing &ring, int ms, int frames)
{
    FrameRate rate;
    for (int i = 0; i < frames; ++i)
        rate = updateFrameRate(ring, ms);
    return rate;
}

TEST(FrameRate, SteadyFrameTimesGiveRateAndZoomBase)
{
    FrameTimeRing ring;
    FrameRate rate = feed(ring, 40, 20);
    EXPECT_EQ(rate.fps, 25);
    EXPECT_EQ(rate.zoomSteps, 8);
    EXPECT_EQ(zoomSubSteps(rate.zoomSteps), 2);

    rate = feed(ring, 10, 20);
    EXPECT_EQ(rate.fps, 100);
    EXPECT_EQ(rate.zoomSteps, 20);
    EXPECT_EQ(zoomSubSteps(rate.zoomSteps), 5);

    // Exactly 60 frames per second is not "above 60": 60 / 3 = 20 as well,
    // but 50 fps gives 16 and 4 sub-steps.
    rate = feed(ring, 20, 20);
    EXPECT_EQ(rate.fps, 50);
    EXPECT_EQ(rate.zoomSteps, 16);
    EXPECT_EQ(zoomSubSteps(rate.zoomSteps), 4);
}

TEST(FrameRate, MeanOverTwentyFramesWithUnwrittenSlotsCountingZero)
{
    FrameTimeRing ring;
    // Nothing stored yet: a defined rate of 0 and the smallest zoom base.
    FrameRate rate = updateFrameRate(ring, 0);
    EXPECT_EQ(rate.fps, 0);
    EXPECT_EQ(rate.zoomSteps, 1);
    EXPECT_EQ(ring.next, 0);

    // One 100 ms frame: the mean over 20 slots is 5 ms.
    rate = updateFrameRate(ring, 100);
    EXPECT_EQ(rate.fps, 200);
    EXPECT_EQ(ring.next, 1);

    // One slow frame among nineteen fast ones barely moves the rate, and
    // falls out after twenty more frames.
    FrameTimeRing steady;
    feed(steady, 10, 19);
    rate = updateFrameRate(steady, 400);
    EXPECT_EQ(rate.fps, 1000 * 20 / (19 * 10 + 400));
    rate = feed(steady, 10, 20);
    EXPECT_EQ(rate.fps, 100);
    EXPECT_EQ(steady.next, (19 + 1 + 20) % kFrameRingSize);
}

TEST(FrameRate, ZeroAndNegativeFrameTimesAreNotStored)
{
    FrameTimeRing ring;
    feed(ring, 40, 20);
    const int next = ring.next;
    const FrameRate rate = updateFrameRate(ring, 0);
    EXPECT_EQ(ring.next, next);
    EXPECT_EQ(rate.fps, 25);
    updateFrameRate(ring, -5);
    EXPECT_EQ(ring.next, next);
}

TEST(FrameRate, SlowMachinesZoomInOneStep)
{
    FrameTimeRing ring;
    const FrameRate rate = feed(ring, 500, 20);  // 2 fps
    EXPECT_EQ(rate.fps, 2);
    EXPECT_EQ(rate.zoomSteps, 1);
    EXPECT_EQ(zoomSubSteps(rate.zoomSteps), 1);
    EXPECT_EQ(zoomSubSteps(7), 1);
    EXPECT_EQ(zoomSubSteps(0), 1);
}

TEST(ZoomSubSteps, OneNotchZoomsByOneAndAHalfWhateverTheCount)
{
    for (int n : {1, 2, 4, 5}) {
        EXPECT_NEAR(std::pow(zoomSubStepFactor(n, 120), n), 1.5, 1e-12) << n;
        EXPECT_NEAR(std::pow(zoomSubStepFactor(n, -120), n), 1.0 / 1.5, 1e-12) << n;
    }
    EXPECT_NEAR(zoomSubStepFactor(2, 120), std::sqrt(1.5), 1e-12);
    // A zero delta zooms out.
    EXPECT_LT(zoomSubStepFactor(5, 0), 1.0);
}

}  // namespace

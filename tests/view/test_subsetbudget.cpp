// The records a moving frame draws follow the measured frame times towards
// the target, within bounds, and only when a motion starts.

#include "view/subsetbudget.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace veltrane;

namespace {

struct BudgetCase {
    const char *name;
    std::vector<std::pair<uint32_t, double>> frames;  // records drawn, ms
    uint32_t expected;                                // records after adapt()
};

// Every case starts from 50,000 records and a 150 ms target.
const BudgetCase kCases[] = {
    {"SlowFramesShrinkIt", {{50000, 300}, {50000, 300}, {50000, 300}}, 25000},
    {"FastFramesGrowIt", {{50000, 75}, {50000, 75}, {50000, 75}}, 100000},
    {"FramesNearTheTargetKeepIt", {{50000, 170}, {50000, 170}, {50000, 170}}, 50000},
    {"TwoFramesAreTooFew", {{50000, 300}, {50000, 300}}, 50000},
    {"OneSlowFrameDoesNotCount", {{50000, 900}, {50000, 150}, {50000, 150}}, 50000},
    {"NeverBelowASmallDataSet", {{50000, 10000}, {50000, 10000}, {50000, 10000}}, SubsetBudget::kSmallDataSetRecords},
    {"AtMostFourTimesAStep", {{50000, 1}, {50000, 1}, {50000, 1}}, 200000},
    {"FramesOfAnotherSubsetAreDropped", {{80000, 600}, {80000, 600}, {50000, 75}, {50000, 75}, {50000, 75}}, 100000},
};

class SubsetBudgetAdapts : public testing::TestWithParam<BudgetCase> {};

TEST_P(SubsetBudgetAdapts, ToTheFramesOfTheLastMotion)
{
    SubsetBudget budget(50000, 150.0);
    for (const auto &frame : GetParam().frames)
        budget.noteFrame(frame.first, frame.second);
    // Frames noted during a motion change nothing until the next one starts.
    EXPECT_EQ(budget.records(), 50000u);
    budget.adapt();
    EXPECT_EQ(budget.records(), GetParam().expected);
    // The frames are used once.
    budget.adapt();
    EXPECT_EQ(budget.records(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SubsetBudgetAdapts, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<BudgetCase> &info) { return std::string(info.param.name); });

}  // namespace

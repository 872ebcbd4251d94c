#include "view/subsetbudget.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {
// Frames needed before the budget moves: the first frame of a motion may
// also build the subset's arrays, the median leaves it out.
constexpr std::size_t kMinSamples = 3;
constexpr std::size_t kMaxSamples = 9;
// Frame times within this share of the target leave the budget as it is.
constexpr double kTolerance = 0.2;
// One adaptation changes the budget by at most this factor either way.
constexpr double kMaxStep = 4.0;
}  // namespace

SubsetBudget::SubsetBudget(uint32_t initialRecords, double targetMs)
    : m_records(std::max(initialRecords, kSmallDataSetRecords)), m_targetMs(targetMs)
{
}

SubsetBudget SubsetBudget::fixed(uint32_t records)
{
    SubsetBudget budget;
    budget.m_records = std::max(records, 1u);
    budget.m_adapts = false;
    return budget;
}

void SubsetBudget::noteFrame(uint32_t records, double ms)
{
    if (!m_adapts || records == 0 || !(ms > 0.0))
        return;
    if (records != m_sampleRecords) {
        m_samples.clear();
        m_sampleRecords = records;
    }
    if (m_samples.size() == kMaxSamples)
        m_samples.erase(m_samples.begin());
    m_samples.push_back(ms);
}

void SubsetBudget::adapt()
{
    if (m_samples.size() < kMinSamples)
        return;
    std::vector<double> sorted = m_samples;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    m_samples.clear();
    const double ratio = m_targetMs / median;
    if (std::abs(ratio - 1.0) <= kTolerance)
        return;
    // Time grows with the records drawn; a frame's fixed part makes this
    // step short of the target, and the next motions close the gap.
    const double wanted = double(m_sampleRecords) * std::clamp(ratio, 1.0 / kMaxStep, kMaxStep);
    m_records = uint32_t(std::clamp(wanted, double(kSmallDataSetRecords), double(UINT32_MAX)));
}

}  // namespace veltrane

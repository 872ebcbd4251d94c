#include "report/plotcontent.h"

#include "report/plotscales.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

constexpr int kWantedBins = 20;
constexpr int kEnoughBins = 10;
// Quantiles the bins are fitted to, tried in turn.
constexpr double kBinQuantiles[] = {0.99, 0.98, 0.95, 0.9, 0.8, 0.7};
constexpr double kFaintestMark = 0.3;
constexpr double kHeightSymbolQuantile = 0.98;

HistogramBins binsUpTo(const std::vector<double> &sorted, double upper)
{
    HistogramBins bins;
    bins.width = roundUpStep(upper / kWantedBins);
    bins.counts.assign(size_t(std::floor(upper / bins.width)) + 1, 0);
    for (const double v : sorted) {
        const double slot = std::floor(v / bins.width);
        if (slot < double(bins.counts.size()))
            ++bins.counts[size_t(std::max(0.0, slot))];
        else
            ++bins.overflow;
    }
    return bins;
}

// `value` (> 0) cut to two significant digits.
double roundDownTwoDigits(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)) - 1.0);
    return std::floor(value / power) * power;
}

}  // namespace

int HistogramBins::nonEmpty() const
{
    return int(std::count_if(counts.begin(), counts.end(), [](uint32_t c) { return c > 0; })) + (overflow > 0);
}

HistogramBins histogramBins(const std::vector<double> &values)
{
    std::vector<double> sorted;
    for (const double v : values)
        if (std::isfinite(v))
            sorted.push_back(std::max(0.0, v));
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty() || !(sorted.back() > 0.0))
        return HistogramBins{1.0, std::vector<uint32_t>(1, uint32_t(sorted.size())), 0};
    HistogramBins best;
    for (const double q : kBinQuantiles) {
        const double upper = sorted[size_t(q * double(sorted.size() - 1))];
        if (!(upper > 0.0))
            break;
        HistogramBins bins = binsUpTo(sorted, upper);
        if (best.counts.empty() || bins.nonEmpty() > best.nonEmpty())
            best = std::move(bins);
        if (best.nonEmpty() >= kEnoughBins)
            break;
    }
    return best.counts.empty() ? binsUpTo(sorted, sorted.back()) : best;
}

ArrowSelection selectArrows(const std::vector<ControlResidual> &residuals, size_t maxArrows)
{
    ArrowSelection selection;
    selection.drawn = largestResiduals(residuals, residuals.size());
    selection.validated = selection.drawn.size();
    if (selection.drawn.size() > maxArrows) {
        selection.drawn.resize(maxArrows);
        if (maxArrows > 0)
            selection.thresholdMillimetres = residuals[selection.drawn.back()].horizontal * kMillimetresPerMetre;
    }
    return selection;
}

ArrowScale arrowScale(std::vector<double> millimetres, double medianPixels, double longestPixels)
{
    ArrowScale scale;
    if (millimetres.empty())
        return scale;
    std::sort(millimetres.begin(), millimetres.end());
    const double largest = millimetres.back();
    double median = millimetres[millimetres.size() / 2];
    if (!(median > 0.0))
        median = largest;
    if (!(median > 0.0))
        return scale;
    scale.pixelsPerMillimetre = medianPixels / median;
    if (largest * scale.pixelsPerMillimetre > longestPixels)
        scale.clipMillimetres = roundDownTwoDigits(longestPixels / scale.pixelsPerMillimetre);
    scale.barMillimetres = roundDown125(std::min(largest, scale.clipMillimetres));
    return scale;
}

std::vector<size_t> largestResiduals(const std::vector<ControlResidual> &residuals, size_t count)
{
    std::vector<size_t> order;
    for (size_t i = 0; i < residuals.size(); ++i)
        if (residuals[i].state == ResidualState::Validated)
            order.push_back(i);
    const auto larger = [&](size_t a, size_t b) {
        return residuals[a].horizontal > residuals[b].horizontal ||
               (residuals[a].horizontal == residuals[b].horizontal && a < b);
    };
    const size_t kept = std::min(count, order.size());
    std::partial_sort(order.begin(), order.begin() + std::ptrdiff_t(kept), order.end(), larger);
    order.resize(kept);
    return order;
}

double heightSymbolTop(const std::vector<ControlResidual> &residuals)
{
    std::vector<double> sizes;
    for (const ControlResidual &r : residuals)
        if (r.state == ResidualState::Validated && std::isfinite(r.up))
            sizes.push_back(std::fabs(r.up) * kMillimetresPerMetre);
    if (sizes.empty())
        return 0.0;
    const auto at = sizes.begin() + std::ptrdiff_t(kHeightSymbolQuantile * double(sizes.size() - 1));
    std::nth_element(sizes.begin(), at, sizes.end());
    return *at > 0.0 ? *at : *std::max_element(sizes.begin(), sizes.end());
}

double markOpacity(size_t marks)
{
    if (marks <= kOpaqueMarks)
        return 1.0;
    return std::max(kFaintestMark, std::sqrt(double(kOpaqueMarks) / double(marks)));
}

}  // namespace veltrane

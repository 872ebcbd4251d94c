#include "engine/shiftstatistics.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
constexpr size_t kBinCount = size_t(kLargestOctave - kLeastOctave) * kBinsPerOctave;

// The bin of a length: its octave and the equal part of that octave.
size_t binOf(double length)
{
    if (!(length > std::ldexp(1.0, kLeastOctave)))
        return 0;
    int exponent = 0;
    const double fraction = std::frexp(length, &exponent);  // 0.5 <= fraction < 1, length = fraction * 2^exponent
    const int octave = exponent - 1 - kLeastOctave;
    if (octave >= kLargestOctave - kLeastOctave)
        return kBinCount - 1;
    const auto part = size_t((fraction * 2.0 - 1.0) * kBinsPerOctave);
    return size_t(octave) * kBinsPerOctave + std::min(part, size_t(kBinsPerOctave - 1));
}

// The middle of a bin, metres.
double binCentre(size_t bin)
{
    const int octave = int(bin / kBinsPerOctave) + kLeastOctave;
    const double part = double(bin % kBinsPerOctave) + 0.5;
    return std::ldexp(1.0 + part / kBinsPerOctave, octave);
}

}  // namespace

void ShiftStatistics::add(const PointRecord &p)
{
    if (!std::isfinite(p.s) || !std::isfinite(p.azimuth) || !std::isfinite(p.dh) || !std::isfinite(p.x) ||
        !std::isfinite(p.y))
        return;
    if (bins_.empty())
        bins_.assign(kBinCount, 0);
    if (count_ == 0) {
        leastLength_ = largestLength_ = p.s;
        leastDeltaH_ = largestDeltaH_ = p.dh;
        west_ = east_ = p.x;
        south_ = north_ = p.y;
    }
    ++count_;
    leastLength_ = std::min(leastLength_, p.s);
    largestLength_ = std::max(largestLength_, p.s);
    leastDeltaH_ = std::min(leastDeltaH_, p.dh);
    largestDeltaH_ = std::max(largestDeltaH_, p.dh);
    west_ = std::min(west_, p.x);
    east_ = std::max(east_, p.x);
    south_ = std::min(south_, p.y);
    north_ = std::max(north_, p.y);
    // A shift of no length has no direction.
    if (p.s > 0.0) {
        sumSin_ += std::sin(p.azimuth * kDegree);
        sumCos_ += std::cos(p.azimuth * kDegree);
    }
    ++bins_[binOf(p.s)];
}

void ShiftStatistics::merge(const ShiftStatistics &other)
{
    if (other.count_ == 0)
        return;
    if (count_ == 0) {
        *this = other;
        return;
    }
    count_ += other.count_;
    leastLength_ = std::min(leastLength_, other.leastLength_);
    largestLength_ = std::max(largestLength_, other.largestLength_);
    leastDeltaH_ = std::min(leastDeltaH_, other.leastDeltaH_);
    largestDeltaH_ = std::max(largestDeltaH_, other.largestDeltaH_);
    west_ = std::min(west_, other.west_);
    east_ = std::max(east_, other.east_);
    south_ = std::min(south_, other.south_);
    north_ = std::max(north_, other.north_);
    sumSin_ += other.sumSin_;
    sumCos_ += other.sumCos_;
    for (size_t i = 0; i < kBinCount; ++i)
        bins_[i] += other.bins_[i];
}

double ShiftStatistics::medianLength() const
{
    if (count_ == 0)
        return 0.0;
    // The lower middle value of an even count.
    const uint64_t rank = (count_ - 1) / 2;
    uint64_t below = 0;
    for (size_t i = 0; i < kBinCount; ++i) {
        below += bins_[i];
        if (below > rank)
            return std::min(largestLength_, std::max(leastLength_, binCentre(i)));
    }
    return largestLength_;
}

double ShiftStatistics::meanAzimuth() const
{
    if (sumSin_ == 0.0 && sumCos_ == 0.0)
        return 0.0;
    const double degrees = std::atan2(sumSin_, sumCos_) / kDegree;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

double ShiftStatistics::azimuthConcentration() const
{
    return count_ ? std::hypot(sumSin_, sumCos_) / double(count_) : 0.0;
}

}  // namespace veltrane

#include "engine/network/shiftstatistics.h"

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
    lengths_.push_back(p.s);
    if (lengths_.size() > kUnbinnedLengths)
        binLengths();
}

void ShiftStatistics::binLength(double length, uint64_t count, double least, double largest)
{
    if (bins_.empty()) {
        bins_.assign(kBinCount, 0);
        binLeast_.assign(kBinCount, 0.0);
        binLargest_.assign(kBinCount, 0.0);
    }
    const size_t bin = binOf(length);
    if (bins_[bin] == 0) {
        binLeast_[bin] = least;
        binLargest_[bin] = largest;
    } else {
        binLeast_[bin] = std::min(binLeast_[bin], least);
        binLargest_[bin] = std::max(binLargest_[bin], largest);
    }
    bins_[bin] += count;
}

void ShiftStatistics::binLengths()
{
    for (const double length : lengths_)
        binLength(length, 1, length, length);
    lengths_.clear();
    lengths_.shrink_to_fit();
}

void ShiftStatistics::merge(const ShiftStatistics &other)
{
    if (other.count_ == 0)
        return;
    if (count_ == 0) {
        leastLength_ = other.leastLength_;
        largestLength_ = other.largestLength_;
        leastDeltaH_ = other.leastDeltaH_;
        largestDeltaH_ = other.largestDeltaH_;
        west_ = other.west_;
        east_ = other.east_;
        south_ = other.south_;
        north_ = other.north_;
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
    lengths_.insert(lengths_.end(), other.lengths_.begin(), other.lengths_.end());
    for (size_t i = 0; i < other.bins_.size(); ++i)
        if (other.bins_[i] > 0)
            binLength(other.binLeast_[i], other.bins_[i], other.binLeast_[i], other.binLargest_[i]);
    if (lengths_.size() > kUnbinnedLengths)
        binLengths();
}

ShiftStatistics gatherShifts(const KeptShifts &kept)
{
    ShiftStatistics all;
    if (!kept.points)
        return all;
    const std::vector<PointRecord> &points = *kept.points;
    auto outside = kept.outside.begin();
    size_t begin = 0;
    // The outside points are named in ascending order, as the blocks ask for them.
    const auto noShift = [&outside, &kept](size_t i) {
        const bool skipped = outside != kept.outside.end() && *outside == i;
        outside += skipped;
        return skipped;
    };
    for (const size_t end : kept.blockEnds) {
        all.merge(blockShiftsOf(points, begin, std::min(end, points.size()), noShift));
        begin = end;
    }
    return all;
}

double ShiftStatistics::medianLength(bool *exact) const
{
    bool isExact = true;
    const double median = medianOf(isExact);
    if (exact)
        *exact = isExact;
    return median;
}

double ShiftStatistics::medianOf(bool &exact) const
{
    exact = true;
    if (count_ == 0)
        return 0.0;
    // The lower middle value of an even count.
    const uint64_t rank = (count_ - 1) / 2;
    if (bins_.empty()) {
        std::vector<double> values = lengths_;
        std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(rank), values.end());
        return values[size_t(rank)];
    }
    ShiftStatistics binned = *this;
    binned.binLengths();
    uint64_t below = 0;
    for (size_t i = 0; i < kBinCount; ++i) {
        below += binned.bins_[i];
        if (below > rank) {
            exact = binned.binLeast_[i] == binned.binLargest_[i];
            return std::min(binned.binLargest_[i], std::max(binned.binLeast_[i], binCentre(i)));
        }
    }
    return largestLength_;
}

double ShiftStatistics::meanAzimuth() const
{
    if (sumSin_ == 0.0 && sumCos_ == 0.0)
        return 0.0;
    const double degrees = std::atan2(sumSin_, sumCos_) / kDegree;
    // A direction a hair west of north is 0, not 360.
    return std::fmod(degrees + 360.0, 360.0);
}

double ShiftStatistics::azimuthConcentration() const
{
    return count_ ? std::hypot(sumSin_, sumCos_) / double(count_) : 0.0;
}

}  // namespace veltrane

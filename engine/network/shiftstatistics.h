#pragma once
// Statistics of the converted points' shifts, gathered block by block in
// bounded memory: the least, median and largest shift length s, the mean
// azimuth, the range of DeltaH and the extent of the points. Up to
// kUnbinnedLengths values of s are kept as they are (a block's); beyond
// them they go into a histogram whose bins split every octave from
// 2^kLeastOctave to 2^kLargestOctave metres into kBinsPerOctave equal parts,
// each bin with the least and largest value it holds. The median is exact
// while the values are kept, and when its bin holds one value only;
// otherwise it is the bin's centre clamped to the bin's values, within half a
// bin (0.05 % of the value) of the exact median. The azimuth is a circular
// mean: the direction of the sum of the shifts' unit vectors.

#include "engine/types/pointrecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace veltrane {

// Histogram of s: octaves from 2^kLeastOctave metres (about 1 nm; shorter
// shifts share the first bin) to 2^kLargestOctave metres (about 1000 km;
// longer ones share the last bin).
constexpr int kLeastOctave = -30;
constexpr int kLargestOctave = 20;
constexpr int kBinsPerOctave = 1024;
constexpr size_t kUnbinnedLengths = 8192;

class ShiftStatistics {
public:
    // One converted point's shift: its source position, s (metres), azimuth
    // (degrees from north) and DeltaH (metres). Points without finite values
    // are left out.
    void add(const PointRecord &point);
    // Takes in the points of `other` (gathered over another block).
    void merge(const ShiftStatistics &other);

    uint64_t count() const { return count_; }
    // Metres; 0 when there are no points.
    double leastLength() const { return count_ ? leastLength_ : 0.0; }
    double largestLength() const { return count_ ? largestLength_ : 0.0; }
    // `exact` (when given) tells whether it is the exact median.
    double medianLength(bool *exact = nullptr) const;
    // Degrees from north, 0 .. 360, of the mean direction; and the mean
    // resultant length, 0 (no prevailing direction) .. 1 (all alike).
    double meanAzimuth() const;
    double azimuthConcentration() const;
    double leastDeltaH() const { return count_ ? leastDeltaH_ : 0.0; }
    double largestDeltaH() const { return count_ ? largestDeltaH_ : 0.0; }
    // The extent of the points' source positions, degrees.
    double west() const { return west_; }
    double east() const { return east_; }
    double south() const { return south_; }
    double north() const { return north_; }

private:
    uint64_t count_ = 0;
    double leastLength_ = 0.0;
    double largestLength_ = 0.0;
    double leastDeltaH_ = 0.0;
    double largestDeltaH_ = 0.0;
    double sumSin_ = 0.0;  // of the azimuths
    double sumCos_ = 0.0;
    double west_ = 0.0;
    double east_ = 0.0;
    double south_ = 0.0;
    double north_ = 0.0;
    double medianOf(bool &exact) const;
    // Bins the kept values.
    void binLengths();
    void binLength(double length, uint64_t count, double least, double largest);

    std::vector<double> lengths_;  // not binned yet
    // Allocated once more than kUnbinnedLengths values came in.
    std::vector<uint64_t> bins_;
    std::vector<double> binLeast_;
    std::vector<double> binLargest_;
};

// One block's share of a run's statistics: the shifts of points [begin, end)
// but those `noShift(i)` names, added in order. Whether gathered while
// converting or later from kept points, every block goes through here, so
// both give the same numbers to the last bit.
template <typename NoShift>
ShiftStatistics blockShiftsOf(const std::vector<PointRecord> &points, size_t begin, size_t end, NoShift noShift)
{
    ShiftStatistics shifts;
    for (size_t i = begin; i < end; ++i)
        if (!noShift(i))
            shifts.add(points[i]);
    return shifts;
}

// The points a run kept, as it read them in blocks: enough to gather their
// statistics later, only when they are asked for.
struct KeptShifts {
    std::shared_ptr<const std::vector<PointRecord>> points;  // null: nothing kept
    std::vector<size_t> blockEnds;                           // past each block's last point
    std::vector<size_t> outside;                             // ascending indices of the points without a shift
};

// The statistics of the kept points' shifts, gathered block by block as the
// run gathers them while it converts.
ShiftStatistics gatherShifts(const KeptShifts &kept);

}  // namespace veltrane

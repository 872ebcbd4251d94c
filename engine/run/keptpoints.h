#pragma once
// The converted points of a run, kept for a view, their extent and what
// gathers their shifts' statistics later. Room for all of them is taken once,
// from the input's size and the first block's share of it, so that a million
// records are not copied each time a growing array fills; the extent is
// measured as each block comes in.

#include "engine/types/pointrecord.h"
#include "engine/network/shiftstatistics.h"
#include "engine/run/streamconversion.h"

#include <cstdint>
#include <vector>

namespace veltrane {

class KeptPoints {
public:
    // `inputSize`: the whole input in the units of KeptBlock::inputSize
    // (bytes or features); kUnknownSize when it is not known (a pipe).
    explicit KeptPoints(uint64_t inputSize) : inputSize_(inputSize) {}

    // The next block, in input order.
    void add(KeptBlock &&block);

    // Every point added, in order, and their extent.
    std::vector<PointRecord> take(Extent &extent);
    // Their shifts, once `points` holds what take() gave.
    KeptShifts shifts(std::shared_ptr<const std::vector<PointRecord>> points);

private:
    uint64_t inputSize_;
    std::vector<PointRecord> kept_;
    Extent extent_;
    std::vector<size_t> blockEnds_;
    std::vector<size_t> outside_;
};

}  // namespace veltrane

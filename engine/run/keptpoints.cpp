#include "engine/run/keptpoints.h"

#include "engine/formats/pointfile.h"
#include "engine/formats/pointstream.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace veltrane {

void KeptPoints::add(KeptBlock &&block)
{
    std::vector<PointRecord> &points = block.points;
    const size_t before = kept_.size();
    widenExtent(extent_, points.data(), points.size(), before);
    for (const uint32_t i : block.outside)
        outside_.push_back(before + i);
    blockEnds_.push_back(before + points.size());
    if (kept_.capacity() == 0 && (inputSize_ == kUnknownSize || block.inputSize == 0)) {
        kept_ = std::move(points);
        return;
    }
    if (kept_.capacity() == 0) {
        // No point takes less than one byte (or one feature) of the input.
        const double estimate = std::ceil(double(points.size()) * double(inputSize_) / double(block.inputSize));
        kept_.reserve(size_t(std::min(estimate, double(inputSize_))));
    }
    kept_.insert(kept_.end(), std::make_move_iterator(points.begin()), std::make_move_iterator(points.end()));
}

std::vector<PointRecord> KeptPoints::take(Extent &extent)
{
    finishExtent(extent_, kept_.size());
    extent = extent_;
    // A first block denser than the rest leaves room unused: given back.
    if (kept_.capacity() > 2 * kept_.size())
        kept_.shrink_to_fit();
    return std::move(kept_);
}

KeptShifts KeptPoints::shifts(std::shared_ptr<const std::vector<PointRecord>> points)
{
    return KeptShifts{std::move(points), std::move(blockEnds_), std::move(outside_)};
}

}  // namespace veltrane

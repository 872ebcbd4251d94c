#include "engine/keptpoints.h"

#include "engine/formats/pointfile.h"
#include "engine/formats/pointstream.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include <sys/mman.h>

namespace veltrane {

namespace {

// A transparent huge page of the processor's memory management, bytes.
constexpr uintptr_t kHugePageBytes = uintptr_t(2) << 20;

// Asks the kernel to back the whole huge pages of a large array with huge
// pages: a million records are then mapped in some fifty faults instead of
// tens of thousands, and given back as fast.
void preferHugePages(const void *data, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    const uintptr_t begin = (uintptr_t(data) + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(kHugePageBytes - 1);
    // Only advice: where the kernel has no huge pages to give, nothing changes.
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace

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
        preferHugePages(kept_.data(), kept_.capacity() * sizeof(PointRecord));
    }
    kept_.insert(kept_.end(), std::make_move_iterator(points.begin()), std::make_move_iterator(points.end()));
}

std::vector<PointRecord> KeptPoints::take(STATS &extent)
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

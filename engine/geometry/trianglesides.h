#pragma once
// Sides of TIN triangles as single numbers: the two vertex indices packed
// into 64 bits, which sort and compare as one value.

#include "engine/types/pointrecord.h"

#include <cstdint>
#include <vector>

namespace veltrane {

// The side from -> to as one number: `from` in the high half.
inline uint64_t sideKey(int32_t from, int32_t to)
{
    return (uint64_t(uint32_t(from)) << 32) | uint32_t(to);
}

// The same number for both directions: the lower index (as unsigned) first.
inline uint64_t undirectedSideKey(int32_t a, int32_t b)
{
    return uint32_t(a) < uint32_t(b) ? sideKey(a, b) : sideKey(b, a);
}

inline int32_t sideKeyFrom(uint64_t key)
{
    return int32_t(uint32_t(key >> 32));
}

inline int32_t sideKeyTo(uint64_t key)
{
    return int32_t(uint32_t(key));
}

// The sides of the valid faces of `triangles` (indices below `pointCount`),
// sorted: as each face runs (p1 p2, p2 p3, p3 p1), or with the lower index
// first when `undirected`.
std::vector<uint64_t> sortedSides(const std::vector<Triangle> &triangles, int64_t pointCount, bool undirected);

}  // namespace veltrane

#pragma once
// Items sorted into the cells of a grid by counting sort, as one array of
// items and one of offsets: the items of cell c are
// items[start[c] .. start[c + 1]), in ascending item order.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane {

template <typename Offset>
struct CellLists {
    std::vector<Offset> start;    // cell count + 1 offsets into items
    std::vector<uint32_t> items;  // item numbers, ascending within each cell

    size_t cellCount() const { return start.empty() ? 0 : start.size() - 1; }
};

// Builds the lists of `cellCount` cells for items 0 .. itemCount - 1.
// forEachCell(item, visit) calls visit(cell) for each cell the item goes
// into (an item given a cell twice is listed there twice); it is called
// twice per item and must give the same cells both times. Offset must hold
// the total number of entries.
template <typename Offset, typename ForEachCell>
CellLists<Offset> buildCellLists(size_t cellCount, size_t itemCount, const ForEachCell &forEachCell)
{
    CellLists<Offset> lists;
    lists.start.assign(cellCount + 1, 0);
    for (size_t item = 0; item < itemCount; ++item)
        forEachCell(item, [&lists](size_t cell) { ++lists.start[cell + 1]; });
    for (size_t cell = 0; cell < cellCount; ++cell)
        lists.start[cell + 1] += lists.start[cell];
    lists.items.resize(size_t(lists.start[cellCount]));
    std::vector<Offset> fill(lists.start.begin(), lists.start.end() - 1);
    for (size_t item = 0; item < itemCount; ++item)
        forEachCell(item, [&](size_t cell) { lists.items[size_t(fill[cell]++)] = uint32_t(item); });
    return lists;
}

}  // namespace veltrane

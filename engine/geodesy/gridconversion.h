#pragma once
// Points in grid coordinates through the network: before its shift every
// point goes from the input's coordinate system to longitude, latitude and
// height, after it the target goes into the output's system, and the numbers
// as read stay for the output line. Used from every worker thread at once:
// each call borrows converters of its own (one PROJ context each) from a pool.

#include "engine/geodesy/coordinatesystem.h"
#include "engine/types/gridpoint.h"
#include "engine/types/pointrecord.h"

#include <memory>
#include <string>
#include <vector>

namespace veltrane {

class GridConversion {
public:
    // `output` is the system the targets are written in: `input` again
    // unless the user asked for another.
    GridConversion(const CoordinateSystem &input, const CoordinateSystem &output, DatumDirection direction);
    ~GridConversion();
    GridConversion(const GridConversion &) = delete;
    GridConversion &operator=(const GridConversion &) = delete;

    const GridLayout &layout() const { return layout_; }

    // False with `error` set when PROJ refuses a system's conversion.
    bool ready(std::string &error) const;

    // Keeps each point's coordinates as read in grid[i].source and turns
    // its x, y, h into longitude, latitude (degrees) and height (metres).
    void toGeographic(std::vector<PointRecord> &points, std::vector<GridPoint> &grid) const;

    // Fills the targets, the grid shifts and DeltaH of every point the
    // network moved; a point with status Outside keeps zeros.
    void fromGeographic(const std::vector<PointRecord> &points, const PointStatus *status,
                        std::vector<GridPoint> &grid) const;

private:
    class ConverterPool;

    CoordinateSystem input_;
    bool outputIsInput_;
    GridLayout layout_;
    std::unique_ptr<ConverterPool> inputConverters_;
    std::unique_ptr<ConverterPool> outputConverters_;
};

}  // namespace veltrane

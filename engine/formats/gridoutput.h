#pragma once
// The converted-points file of a run whose points are in grid coordinates
// (a projected or a geocentric coordinate system), or whose targets are
// written in another system than the input's: the header names every
// position column with its coordinate, realization and unit, and the grid
// shifts follow DeltaH. Geographic positions keep the columns' usual names.

#include "engine/formats/outputwriter.h"
#include "engine/types/gridpoint.h"
#include "engine/types/pointrecord.h"

#include <string>

namespace veltrane {

// The grid shifts written after DeltaH: DeltaE,DeltaN for a projected
// input, DeltaX,DeltaY,DeltaZ for a geocentric one, none for degrees.
int gridShiftCount(const GridLayout &layout);

// Header line, e.g. "POINT_ID,E_CORS96_FTUS,N_CORS96_FTUS,h_CORS96_FTUS,
// E_CORS96a_FTUS,N_CORS96a_FTUS,h_CORS96a_FTUS,s,AZIMUTH,DeltaH,DeltaE,DeltaN\n".
std::string gridOutputHeader(const GridLayout &layout);

// Appends one point's line: identifier, the CORS96 position, the CORS96a
// position, s and AZIMUTH (metres, degrees, from the record), DeltaH and the
// grid shifts. Degrees take decimals.degrees, every linear column
// decimals.heights, DeltaH and the grid shifts decimals.deltaH.
void appendGridShiftLine(std::string &out, const PointRecord &record, const GridPoint &grid, const GridLayout &layout,
                         const OutputDecimals &decimals = OutputDecimals());

}  // namespace veltrane

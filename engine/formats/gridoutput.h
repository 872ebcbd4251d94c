#pragma once
// The converted-points file of a run whose points are in grid coordinates
// (a projected or a geocentric coordinate system), or whose targets are
// written in another system than the input's: the header names every
// position column with its coordinate, realization and unit, and the grid
// shifts follow DeltaH. Geographic positions keep the columns' usual names.

#include "engine/formats/outputwriter.h"
#include "engine/formats/pointrecord.h"

#include <string>

namespace veltrane {

enum class CoordinateKind {
    Geographic,  // longitude, latitude (degrees), ellipsoid height (metres)
    Projected,   // easting, northing, ellipsoid height, in the system's linear unit
    Geocentric,  // X, Y, Z, in the system's linear unit
};

// How the three columns of one position are named.
struct PositionColumns {
    CoordinateKind kind = CoordinateKind::Geographic;
    std::string unit;  // the linear unit's label ("M", "FTUS", "FT"); unused for Geographic
};

struct GridLayout {
    DatumDirection direction = DatumDirection::Cors96ToCors96a;
    PositionColumns source;  // the input's system
    PositionColumns target;  // the system the targets are written in
};

// The grid shifts written after DeltaH: DeltaE,DeltaN for a projected
// input, DeltaX,DeltaY,DeltaZ for a geocentric one, none for degrees.
int gridShiftCount(const GridLayout &layout);

// One point's positions as written.
struct GridPoint {
    double source[3] = {0.0, 0.0, 0.0};  // as read
    double target[3] = {0.0, 0.0, 0.0};  // in the target's system; zeros for a point left unconverted
    double shift[3] = {0.0, 0.0, 0.0};   // target minus source, both in the input's system
    double deltaH = 0.0;                 // ellipsoid height change, in the input's linear unit
};

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

#pragma once
// A point's positions in grid coordinates (a projected or a geocentric
// coordinate system) and how the columns of a grid output are named.

#include "engine/types/pointrecord.h"

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

// One point's positions as written.
struct GridPoint {
    double source[3] = {0.0, 0.0, 0.0};  // as read
    double target[3] = {0.0, 0.0, 0.0};  // in the target's system; zeros for a point left unconverted
    double shift[3] = {0.0, 0.0, 0.0};   // target minus source, both in the input's system
    double deltaH = 0.0;                 // ellipsoid height change, in the input's linear unit
};

}  // namespace veltrane

#pragma once
// Where the base-map image lies in the scene: its edges in degrees (those of
// the image file, in the single precision the map is drawn with) and its
// height in height units (scaled by the view's dScaleZ when drawn).

#include "engine/types/basemap.h"

namespace veltrane {

constexpr float kMapWest = float(kBaseMapWest);
constexpr float kMapEast = float(kBaseMapEast);
constexpr float kMapSouth = float(kBaseMapSouth);
constexpr float kMapNorth = float(kBaseMapNorth);
constexpr double kMapHeight = -1000.0;

}  // namespace veltrane

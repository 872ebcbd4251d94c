#pragma once
// The base-map image: its file name and the rectangle of the earth it shows.
// The data generator draws it for this rectangle and the 3D view stretches it
// over exactly the same one.

namespace veltrane {

constexpr const char *kBaseMapFile = "Tarvonamap.jpg";

// Edges of the base map, decimal degrees.
constexpr double kBaseMapWest = -125.0;
constexpr double kBaseMapEast = -116.0;
constexpr double kBaseMapSouth = 41.0;
constexpr double kBaseMapNorth = 46.5;

}  // namespace veltrane

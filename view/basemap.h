#pragma once
// Where the base-map image lies in the scene: its edges in degrees and its
// height in height units (scaled by the view's dScaleZ when drawn).

namespace veltrane {

constexpr float kMapWest = -125.0f;
constexpr float kMapEast = -116.0f;
constexpr float kMapSouth = 41.0f;
constexpr float kMapNorth = 46.5f;
constexpr double kMapHeight = -1000.0;

}  // namespace veltrane

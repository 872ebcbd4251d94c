#pragma once
// The base-map image: a shaded relief of the Tarvona region with a one-degree
// graticule, a scale bar, a north arrow and the region's name. The image
// spans exactly the map extent of region.h, west to east and south to north.

#include <string>

constexpr int kBaseMapWidth = 2048;   // pixels
constexpr int kBaseMapHeight = 1250;  // pixels
constexpr int kBaseMapJpegQuality = 90;

// Draws the map and saves it as JPEG. Needs a QGuiApplication (for fonts).
bool writeBaseMap(const std::string &path);

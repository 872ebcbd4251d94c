#pragma once
// The Tarvona sample region: extents, counts and seeds of the generated data.

#include "engine/types/basemap.h"

#include <cstdint>

// Area covered by the control network, decimal degrees.
constexpr double kNetworkWest = -124.5;
constexpr double kNetworkEast = -116.5;
constexpr double kNetworkSouth = 41.9;
constexpr double kNetworkNorth = 46.3;

// Area covered by the base-map image, shared with the view.
constexpr double kMapWest = veltrane::kBaseMapWest;
constexpr double kMapEast = veltrane::kBaseMapEast;
constexpr double kMapSouth = veltrane::kBaseMapSouth;
constexpr double kMapNorth = veltrane::kBaseMapNorth;

// Control points and their ellipsoid heights, metres.
constexpr int kControlCount = 250;
constexpr double kControlHeightMin = 0.0;
constexpr double kControlHeightMax = 3000.0;
constexpr double kControlHeightNoise = 15.0;  // half-width of the height jitter, metres

// Decimals written: longitudes and latitudes, then heights.
constexpr int kDegreeDecimals = 11;
constexpr int kHeightDecimals = 4;

// One seed per generated file, so that changing one file leaves the others alone.
constexpr uint64_t kSeedControl = 0x5441525630303031ull;
constexpr uint64_t kSeedShuffle = 0x5441525630303032ull;
constexpr uint64_t kSeedSample = 0x5441525630303033ull;
constexpr uint64_t kSeedSurvey = 0x5441525630303034ull;
constexpr uint64_t kSeedLarge = 0x5441525630303035ull;
constexpr uint64_t kSeedDense = 0x5441525630303036ull;

constexpr const char *kSampleInputFile = "sample_points.csv";
constexpr const char *kSurveyInputFile = "survey_20k.csv";

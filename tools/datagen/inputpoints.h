#pragma once
// Input point files for trying and timing the conversion.

#include "tools/datagen/hull.h"

#include <cstdint>
#include <string>
#include <vector>

// About fifty points: a comment line, a header row (which a reader skips),
// comma-, blank- and tab-separated lines, and kSampleOutsideCount points
// inside the map but outside the control network.
constexpr int kSampleInsideCount = 48;
constexpr int kSampleOutsideCount = 2;
bool writeSamplePoints(const std::string &path, const std::vector<HullVertex> &hull);

// A survey of `count` comma-separated points with identifiers of `idPrefix`
// and `idDigits` digits; about one in kSurveyOutsideEvery lies inside the map
// but outside the control network, the rest inside the network's hull.
constexpr int kSurveyOutsideEvery = 40;
bool writeSurveyPoints(const std::string &path, const std::vector<HullVertex> &hull, uint64_t count, uint64_t seed,
                       const char *idPrefix, int idDigits);

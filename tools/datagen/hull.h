#pragma once
// Convex hull of the control points: the area where input points can be
// converted.

#include "tools/datagen/samplenetwork.h"

#include <vector>

struct HullVertex {
    double longitude;
    double latitude;
};

// Hull vertices counter-clockwise (monotone chain), without repeated ends.
std::vector<HullVertex> convexHull(const std::vector<ControlSite> &points);

// True when the point lies strictly inside the hull.
bool insideHull(const std::vector<HullVertex> &hull, double longitude, double latitude);

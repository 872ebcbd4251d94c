#pragma once
// The control network: irregularly spread control points with their
// NAD83(CORS96) positions, and the two control files.

#include <cstdint>
#include <string>
#include <vector>

struct ControlSite {
    std::string id;    // TV0001, TV0002, ...
    double longitude;  // degrees, NAD83(CORS96)
    double latitude;   // degrees
    double height;     // ellipsoid height, metres
};

// kControlCount points over the network area, in identifier order. Spread by
// best-candidate sampling (blue noise: irregular, but without clusters or
// large gaps); heights follow the terrain plus a small jitter.
std::vector<ControlSite> makeControlNetwork(uint64_t seed);

// `count` points over the network area for benchmarks of large networks,
// made in linear time: the area is cut into about `count` cells of equal
// size and each holds one point at a random place; identifiers TD000001, ...
std::vector<ControlSite> makeDenseControlNetwork(int count, uint64_t seed);

// The same points in NAD83(CORS96a): each moved by the shift field.
std::vector<ControlSite> shiftToCors96a(const std::vector<ControlSite> &points);

// The points in a random order (Fisher-Yates with the given seed).
std::vector<ControlSite> shuffled(std::vector<ControlSite> points, uint64_t seed);

// One control file: a comment line, then "x,y,h,ID" lines.
bool writeControlFile(const std::string &path, const std::string &comment, const std::vector<ControlSite> &points);

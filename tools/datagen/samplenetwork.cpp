#include "tools/datagen/samplenetwork.h"

#include "tools/datagen/random.h"
#include "tools/datagen/region.h"
#include "tools/datagen/shiftfield.h"
#include "tools/datagen/terrain.h"
#include "tools/datagen/textfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace {

// Candidates drawn for every new point; the one farthest from the points
// already placed is kept. More candidates give a more even spread.
constexpr int kCandidatesPerPoint = 12;

// Degrees of longitude are shorter than degrees of latitude by about this
// factor at the middle of the network (cos 44.1 degrees).
constexpr double kLongitudeScale = 0.718;

double squaredDistance(double lon1, double lat1, double lon2, double lat2)
{
    const double dx = (lon1 - lon2) * kLongitudeScale;
    const double dy = lat1 - lat2;
    return dx * dx + dy * dy;
}

double controlHeight(double longitude, double latitude, SplitMix64 &random)
{
    const double h = terrainHeight(longitude, latitude) + random.uniform(-kControlHeightNoise, kControlHeightNoise);
    return std::min(kControlHeightMax, std::max(kControlHeightMin, h));
}

}  // namespace

std::vector<ControlSite> makeControlNetwork(uint64_t seed)
{
    SplitMix64 random(seed);
    std::vector<ControlSite> points;
    points.reserve(kControlCount);
    for (int n = 0; n < kControlCount; ++n) {
        double bestLon = 0.0;
        double bestLat = 0.0;
        double bestDistance = -1.0;
        for (int c = 0; c < kCandidatesPerPoint; ++c) {
            const double lon = random.uniform(kNetworkWest, kNetworkEast);
            const double lat = random.uniform(kNetworkSouth, kNetworkNorth);
            double nearest = std::numeric_limits<double>::max();
            for (const ControlSite &p : points)
                nearest = std::min(nearest, squaredDistance(lon, lat, p.longitude, p.latitude));
            if (nearest > bestDistance) {
                bestDistance = nearest;
                bestLon = lon;
                bestLat = lat;
            }
        }
        char id[16];
        std::snprintf(id, sizeof id, "TV%04d", n + 1);
        points.push_back({id, bestLon, bestLat, controlHeight(bestLon, bestLat, random)});
    }
    return points;
}

std::vector<ControlSite> makeDenseControlNetwork(int count, uint64_t seed)
{
    SplitMix64 random(seed);
    // Cells about square on the ground, enough of them for `count` points.
    const double width = (kNetworkEast - kNetworkWest) * kLongitudeScale;
    const double height = kNetworkNorth - kNetworkSouth;
    const int columns = std::max(1, int(std::ceil(std::sqrt(count * width / height))));
    const int rows = std::max(1, (count + columns - 1) / columns);
    const double cellWidth = (kNetworkEast - kNetworkWest) / columns;
    const double cellHeight = (kNetworkNorth - kNetworkSouth) / rows;
    std::vector<ControlSite> points;
    points.reserve(size_t(count));
    for (int n = 0; n < count; ++n) {
        const int row = n / columns, column = n % columns;
        const double lon = kNetworkWest + (column + random.uniform()) * cellWidth;
        const double lat = kNetworkSouth + (row + random.uniform()) * cellHeight;
        char id[16];
        std::snprintf(id, sizeof id, "TD%06d", n + 1);
        points.push_back({id, lon, lat, controlHeight(lon, lat, random)});
    }
    return points;
}

std::vector<ControlSite> shiftToCors96a(const std::vector<ControlSite> &points)
{
    std::vector<ControlSite> moved = points;
    for (ControlSite &p : moved) {
        const ShiftDegrees shift = shiftDegreesAt(p.longitude, p.latitude);
        p.longitude += shift.longitude;
        p.latitude += shift.latitude;
        p.height += shift.height;
    }
    return moved;
}

std::vector<ControlSite> shuffled(std::vector<ControlSite> points, uint64_t seed)
{
    SplitMix64 random(seed);
    for (size_t i = points.size(); i > 1; --i)
        std::swap(points[i - 1], points[random.below(i)]);
    return points;
}

bool writeControlFile(const std::string &path, const std::string &comment, const std::vector<ControlSite> &points)
{
    return writeTextFile(path, [&](std::FILE *file) {
        std::fprintf(file, "# %s\n", comment.c_str());
        for (const ControlSite &p : points)
            std::fprintf(file, "%.*f,%.*f,%.*f,%s\n", kDegreeDecimals, p.longitude, kDegreeDecimals, p.latitude,
                         kHeightDecimals, p.height, p.id.c_str());
    });
}

#include "tools/datagen/inputpoints.h"

#include "tools/datagen/random.h"
#include "tools/datagen/region.h"
#include "tools/datagen/terrain.h"
#include "tools/datagen/textfile.h"

#include <algorithm>
#include <cstdio>

namespace {

// Clear margin between the network's rectangle and the points placed
// outside it, degrees.
constexpr double kOutsideMargin = 0.05;

// Surveyed marks stand this much above the ground, metres.
constexpr double kMarkHeightMin = 0.0;
constexpr double kMarkHeightMax = 2.5;

struct Position {
    double longitude;
    double latitude;
};

Position insideNetwork(const std::vector<HullVertex> &hull, SplitMix64 &random)
{
    for (;;) {
        const Position p{random.uniform(kNetworkWest, kNetworkEast), random.uniform(kNetworkSouth, kNetworkNorth)};
        if (insideHull(hull, p.longitude, p.latitude))
            return p;
    }
}

// A position in one of the four bands between the network's rectangle and
// the map's edge; the network's hull lies inside that rectangle.
Position outsideNetwork(SplitMix64 &random)
{
    switch (random.below(4)) {
    case 0:  // west, off the coast
        return {random.uniform(kMapWest, kNetworkWest - kOutsideMargin), random.uniform(kMapSouth, kMapNorth)};
    case 1:  // east
        return {random.uniform(kNetworkEast + kOutsideMargin, kMapEast), random.uniform(kMapSouth, kMapNorth)};
    case 2:  // south
        return {random.uniform(kMapWest, kMapEast), random.uniform(kMapSouth, kNetworkSouth - kOutsideMargin)};
    default:  // north
        return {random.uniform(kMapWest, kMapEast), random.uniform(kNetworkNorth + kOutsideMargin, kMapNorth)};
    }
}

double markHeight(const Position &p, SplitMix64 &random)
{
    return std::max(0.0, terrainHeight(p.longitude, p.latitude)) + random.uniform(kMarkHeightMin, kMarkHeightMax);
}

void writePoint(std::FILE *file, const Position &p, double height, char separator, const char *id)
{
    std::fprintf(file, "%.*f%c%.*f%c%.*f%c%s\n", kDegreeDecimals, p.longitude, separator, kDegreeDecimals, p.latitude,
                 separator, kHeightDecimals, height, separator, id);
}

}  // namespace

bool writeSamplePoints(const std::string &path, const std::vector<HullVertex> &hull)
{
    constexpr int kTotal = kSampleInsideCount + kSampleOutsideCount;
    constexpr int kBlankEvery = 6;  // every 6th line separated by blanks
    constexpr int kTabEvery = 9;    // every 9th line by tabs
    // Line numbers of the two points outside the network.
    constexpr int kOutsideLines[kSampleOutsideCount] = {17, 41};

    SplitMix64 random(kSeedSample);
    return writeTextFile(path, [&](std::FILE *file) {
        std::fprintf(file, "# Tarvona sample points, NAD83(CORS96): longitude, latitude, ellipsoid height (m), name;"
                           " SP017 and SP041 lie outside the control network\n");
        std::fprintf(file, "longitude,latitude,height,name\n");
        for (int n = 1; n <= kTotal; ++n) {
            const bool outside =
                std::find(std::begin(kOutsideLines), std::end(kOutsideLines), n) != std::end(kOutsideLines);
            const Position p = outside ? outsideNetwork(random) : insideNetwork(hull, random);
            const char separator = n % kTabEvery == 0 ? '\t' : (n % kBlankEvery == 0 ? ' ' : ',');
            char id[16];
            std::snprintf(id, sizeof id, "SP%03d", n);
            writePoint(file, p, markHeight(p, random), separator, id);
        }
    });
}

bool writeSurveyPoints(const std::string &path, const std::vector<HullVertex> &hull, uint64_t count, uint64_t seed,
                       const char *idPrefix, int idDigits)
{
    SplitMix64 random(seed);
    return writeTextFile(path, [&](std::FILE *file) {
        std::fprintf(file,
                     "# Tarvona survey, %llu points, NAD83(CORS96): longitude, latitude, ellipsoid height (m), "
                     "identifier\n",
                     static_cast<unsigned long long>(count));
        for (uint64_t n = 1; n <= count; ++n) {
            const bool outside = random.below(kSurveyOutsideEvery) == 0;
            const Position p = outside ? outsideNetwork(random) : insideNetwork(hull, random);
            char id[32];
            std::snprintf(id, sizeof id, "%s%0*llu", idPrefix, idDigits, static_cast<unsigned long long>(n));
            writePoint(file, p, markHeight(p, random), ',', id);
        }
    });
}

#include "tools/datagen/terrain.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kOceanDepth = 2500.0;    // sea floor far off shore, metres
constexpr double kShelfWidth = 0.15;      // e-folding width of the shelf, degrees
constexpr double kShoreRiseWidth = 0.08;  // e-folding width of the rise from the shore, degrees
constexpr double kValleyFloor = 220.0;    // base height of the land, metres
constexpr double kLowestLand = 30.0;      // no inland basins below this, metres

struct Peak {
    double longitude;
    double latitude;
    double height;  // metres above the range
    double radius;  // degrees
};

// Volcanic cones standing on the high range.
constexpr Peak kPeaks[] = {
    {-121.95, 45.82, 900.0, 0.10},
    {-121.80, 44.95, 1000.0, 0.12},
    {-121.90, 43.70, 800.0, 0.10},
    {-122.05, 42.55, 850.0, 0.11},
};

// Waves summed into the small-scale relief: frequency in radians per degree
// along a direction, amplitude in metres, phase in radians.
struct Wave {
    double frequency;
    double direction;  // radians from east
    double amplitude;
    double phase;
};

constexpr Wave kReliefWaves[] = {
    {7.0, 0.35, 140.0, 0.4}, {9.5, 2.10, 110.0, 1.9}, {13.0, 1.20, 80.0, 3.1}, {17.5, 2.80, 60.0, 0.7},
    {23.0, 0.80, 45.0, 2.5}, {31.0, 1.75, 34.0, 4.2}, {41.0, 0.15, 26.0, 5.3}, {55.0, 2.45, 18.0, 1.1},
};

// Ridged sum of the waves: sharp crests, rounded valleys.
double reliefDetail(double longitude, double latitude)
{
    double sum = 0.0;
    for (const Wave &w : kReliefWaves) {
        const double along = std::cos(w.direction) * longitude + std::sin(w.direction) * latitude;
        sum += w.amplitude * (1.0 - 2.0 * std::fabs(std::sin(w.frequency * along + w.phase)));
    }
    return sum;
}

double bell(double value, double centre, double width)
{
    const double t = (value - centre) / width;
    return std::exp(-t * t);
}

double smoothStep(double edge0, double edge1, double value)
{
    double t = (value - edge0) / (edge1 - edge0);
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return t * t * (3.0 - 2.0 * t);
}

// Height of the land before it is blended into the shore.
double landHeight(double longitude, double latitude, double fromCoast)
{
    const double coastRange = 520.0 * bell(fromCoast, 0.45, 0.25) * (1.0 + 0.3 * std::sin(3.1 * latitude + 0.5));
    const double rangeAxis = 2.55 + 0.10 * std::sin(1.7 * latitude);
    const double highRange = 1900.0 * bell(fromCoast, rangeAxis, 0.35) * (0.85 + 0.15 * std::sin(2.3 * latitude));
    double peaks = 0.0;
    for (const Peak &p : kPeaks) {
        const double dx = (longitude - p.longitude) / p.radius;
        const double dy = (latitude - p.latitude) / p.radius;
        peaks += p.height * std::exp(-(dx * dx + dy * dy));
    }
    const double plateau = 900.0 * smoothStep(1.8, 3.6, fromCoast);
    const double easternHills = 800.0 * bell(longitude, -118.1, 0.6) * bell(latitude, 44.9, 0.7);
    const double ripples =
        120.0 * std::sin(2.1 * longitude + 0.7) * std::sin(2.9 * latitude) +
        60.0 * std::sin(5.3 * longitude + 1.3 * latitude) * std::cos(4.7 * latitude - 0.4 * longitude);
    // Mountains are rougher than valleys and plateaus.
    const double roughness = 0.08 + (coastRange + highRange + easternHills) / 1400.0;
    const double height = kValleyFloor + coastRange + highRange + peaks + plateau + easternHills + ripples +
                          roughness * reliefDetail(longitude, latitude);
    return std::max(kLowestLand, height);
}

}  // namespace

double coastLongitude(double latitude)
{
    return -124.72 + 0.10 * std::sin(2.3 * latitude) + 0.05 * std::sin(7.1 * latitude + 1.0);
}

double terrainHeight(double longitude, double latitude)
{
    const double fromCoast = longitude - coastLongitude(latitude);
    if (fromCoast < 0.0)
        return -kOceanDepth * (1.0 - std::exp(fromCoast / kShelfWidth));
    return landHeight(longitude, latitude, fromCoast) * (1.0 - std::exp(-fromCoast / kShoreRiseWidth));
}

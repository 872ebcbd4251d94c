#include "tools/datagen/shiftfield.h"

#include "engine/geodesy/geodesic.h"
#include "tools/datagen/region.h"

#include <cmath>

using namespace veltrane;

namespace {

constexpr double kDegreesPerRadian = 180.0 / kPi;

// Position in the network scaled to -1 .. 1 in both directions.
double unitEast(double longitude)
{
    const double centre = 0.5 * (kNetworkWest + kNetworkEast);
    return (longitude - centre) / (0.5 * (kNetworkEast - kNetworkWest));
}

double unitNorth(double latitude)
{
    const double centre = 0.5 * (kNetworkSouth + kNetworkNorth);
    return (latitude - centre) / (0.5 * (kNetworkNorth - kNetworkSouth));
}

}  // namespace

ShiftMetres shiftMetresAt(double longitude, double latitude)
{
    const double u = unitEast(longitude);
    const double v = unitNorth(latitude);
    ShiftMetres shift;
    shift.east = 0.022 + 0.008 * u - 0.009 * v + 0.004 * std::sin(kPi * (0.7 * u + 0.2)) * std::cos(0.5 * kPi * v);
    shift.north = 0.018 + 0.009 * u + 0.006 * v + 0.003 * std::cos(kPi * (0.6 * v - 0.3 * u));
    shift.up = 0.015 * v - 0.008 * u + 0.005 * std::sin(kPi * (0.8 * u + 0.5 * v));
    return shift;
}

ShiftDegrees shiftDegreesAt(double longitude, double latitude)
{
    const double a = kGrs80SemiMajorAxis;
    const double e2 = kGrs80Flattening * (2.0 - kGrs80Flattening);  // first eccentricity squared
    const double phi = latitude / kDegreesPerRadian;
    const double w2 = 1.0 - e2 * std::sin(phi) * std::sin(phi);
    const double meridianRadius = a * (1.0 - e2) / (w2 * std::sqrt(w2));
    const double primeVerticalRadius = a / std::sqrt(w2);

    const ShiftMetres metres = shiftMetresAt(longitude, latitude);
    ShiftDegrees shift;
    shift.longitude = metres.east / (primeVerticalRadius * std::cos(phi)) * kDegreesPerRadian;
    shift.latitude = metres.north / meridianRadius * kDegreesPerRadian;
    shift.height = metres.up;
    return shift;
}

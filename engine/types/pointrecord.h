#pragma once
// Plain data shared by every part of the program: one point, the extent of a
// point set, and one face of a triangulated irregular network.

#include <QString>
#include <cstdint>

// One point. Coordinates are geographic: x = longitude and y = latitude in
// decimal degrees (west longitudes negative), h = ellipsoid height in metres.
struct PointRecord {
    double x = 0.0;        // source longitude
    double y = 0.0;        // source latitude
    double h = 0.0;        // source height
    double xTo = 0.0;      // target longitude
    double yTo = 0.0;      // target latitude
    double hTo = 0.0;      // target height
    double dx = 0.0;       // xTo - x, degrees
    double dy = 0.0;       // yTo - y, degrees
    double dh = 0.0;       // hTo - h, metres
    double azimuth = 0.0;  // direction of the shift, degrees from north, -180 .. 180
    double s = 0.0;        // geodesic length of the shift, metres
    QString id;            // identifier, Latin-1 text from the file
};

// Extent of a point set and the number of points in it.
struct Extent {
    double xMax = 0.0;
    double xMin = 0.0;
    double yMax = 0.0;
    double yMin = 0.0;
    double zMax = 0.0;
    double zMin = 0.0;
    double xRange = 0.0;
    double yRange = 0.0;
    double zRange = 0.0;
    int32_t count = 0;
};

namespace veltrane {

// Direction of a run. Output files hold the CORS96 position first whatever
// the direction.
enum class DatumDirection {
    Cors96ToCors96a,
    Cors96aToCors96,
};

// The mode numbers of the form and the command line: 1 converts CORS96 to
// CORS96a, any other number the reverse.
inline DatumDirection directionFromMode(int mode)
{
    return mode == 1 ? DatumDirection::Cors96ToCors96a : DatumDirection::Cors96aToCors96;
}

// How a reader stores longitudes.
enum class LongitudeSign {
    AsRead,
    ForceWest,  // -|x|: longitudes typed without their sign become west longitudes
};

// What the conversion did with one point.
enum class PointStatus : uint8_t {
    Converted,  // a triangle holds the point and gave it its shift
    Outside,    // no triangle holds it: zero targets, shifts, s and azimuth
    Nearest,    // outside, extrapolated over the triangle with the nearest side
};

}  // namespace veltrane

// One TIN face: zero-based indices into the point array the TIN belongs to.
struct Triangle {
    int32_t p1 = 0;
    int32_t p2 = 0;
    int32_t p3 = 0;
};

namespace veltrane {

// True when all three indices of `t` point into an array of `pointCount`
// points. Triangles that fail are never searched, exported or drawn.
inline bool triangleIndicesValid(const Triangle &t, int64_t pointCount)
{
    return t.p1 >= 0 && t.p2 >= 0 && t.p3 >= 0 && t.p1 < pointCount && t.p2 < pointCount && t.p3 < pointCount;
}

}  // namespace veltrane

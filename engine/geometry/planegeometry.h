#pragma once
// Rounded plane geometry of TIN points, longitude and latitude taken as plane
// coordinates in degrees: orientation, barycentric weights and the nearest
// place on a segment or a triangle. Where rounding must not decide a side,
// exactorientation.h gives the exact answer.

#include "engine/types/pointrecord.h"

namespace veltrane {

struct PlanePoint {
    double x;
    double y;
};

inline PlanePoint planeOf(const PointRecord &p)
{
    return PlanePoint{p.x, p.y};
}

// Twice the signed area of (a, b, c), rounded: positive when the three turn
// counter-clockwise (y up), negative when clockwise, zero when flat.
inline double orientation(const PlanePoint &a, const PlanePoint &b, const PlanePoint &c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Weights of the corners a, b, c; they sum to one up to rounding.
struct BarycentricWeights {
    double w[3];
};

// Weights of q in the triangle (a, b, c): each corner's is the orientation of
// q with the opposite side over the triangle's. False, with `weights` left as
// it is, when the triangle is flat or its orientation is not finite.
bool barycentricWeights(const PlanePoint &a, const PlanePoint &b, const PlanePoint &c, const PlanePoint &q,
                        BarycentricWeights &weights);

// The place of segment a-b nearest to q: its parameter t in [0, 1] along
// a -> b and its squared distance from q. At t = 0 or 1 the distance is the
// one to that end, so that sides meeting at a corner give the same value for
// it. A segment without length (or of a length that is not a number) is its
// end a.
struct SegmentPlace {
    double t;
    double squaredDistance;
};
SegmentPlace nearestOnSegment(const PlanePoint &q, const PlanePoint &a, const PlanePoint &b);

// Squared distance from q to the nearest of the sides a-b, b-c and a-c of a
// triangle, each measured from its first end as written.
double squaredDistanceToSides(const PlanePoint &q, const PlanePoint &a, const PlanePoint &b, const PlanePoint &c);

// Weights of the place of triangle (a, b, c) nearest to q: q's own weights
// (the third as one minus the others) when it lies inside or on the border,
// otherwise those of the nearest place on the sides a-b, b-c, c-a (the first
// of them on ties). A flat triangle has no inside.
BarycentricWeights nearestPlaceWeights(const PlanePoint &a, const PlanePoint &b, const PlanePoint &c,
                                       const PlanePoint &q);

}  // namespace veltrane

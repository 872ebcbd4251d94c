#pragma once
// The side of a line on which a point lies, decided exactly for any finite
// double coordinates (no rounding can flip the answer).

namespace veltrane {

// Sign of the orientation of (a, b, c): +1 when c lies left of the directed
// line a -> b (counter-clockwise turn with y up), -1 when right, 0 when the
// three points lie exactly on one line. Non-finite input gives 0.
int exactOrientation(double ax, double ay, double bx, double by, double cx, double cy);

}  // namespace veltrane

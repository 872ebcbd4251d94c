#include "engine/geometry/exactorientation.h"

#include <cmath>
#include <limits>

namespace veltrane {

namespace {

// Relative error bound of the plain double determinant (three roundings of
// the differences, two of the products, one of the difference): beyond it the
// rounded sign is already the exact one.
constexpr double kEpsilon = std::numeric_limits<double>::epsilon() / 2;
constexpr double kFastBound = (3.0 + 16.0 * kEpsilon) * kEpsilon;

// The expanded determinant ax*by - ay*bx + bx*cy - by*cx + cx*ay - cy*ax has
// six products, each split exactly into its rounded value and its error.
constexpr int kTerms = 12;

// Adds b to the expansion e[0..n) (components of increasing magnitude that do
// not overlap), exactly; returns the new length. Zero components are dropped.
int growExpansion(double *e, int n, double b)
{
    int out = 0;
    double q = b;
    for (int i = 0; i < n; ++i) {
        const double sum = q + e[i];
        const double bVirtual = sum - q;
        const double aVirtual = sum - bVirtual;
        const double error = (q - aVirtual) + (e[i] - bVirtual);
        q = sum;
        if (error != 0.0)
            e[out++] = error;
    }
    if (q != 0.0)
        e[out++] = q;
    return out;
}

int signOf(double value)
{
    return value > 0.0 ? 1 : (value < 0.0 ? -1 : 0);
}

// False when a product leaves the range in which its error is exact.
bool exactSign(double ax, double ay, double bx, double by, double cx, double cy, int &sign)
{
    // fma gives the rounding error of a product exactly.
    const double factors[6][2] = {{ax, by}, {bx, cy}, {cx, ay}, {-ay, bx}, {-by, cx}, {-cy, ax}};
    double expansion[kTerms];  // each addition adds at most one component
    int length = 0;
    for (const auto &f : factors) {
        const double product = f[0] * f[1];
        const double error = std::fma(f[0], f[1], -product);
        if (!std::isfinite(product) || !std::isfinite(error))
            return false;
        length = growExpansion(expansion, length, error);
        length = growExpansion(expansion, length, product);
    }
    // The largest component carries the sign of the whole sum.
    sign = length == 0 ? 0 : signOf(expansion[length - 1]);
    return true;
}

}  // namespace

int exactOrientation(double ax, double ay, double bx, double by, double cx, double cy)
{
    const double left = (bx - ax) * (cy - ay);
    const double right = (by - ay) * (cx - ax);
    const double det = left - right;
    if (!std::isfinite(det) || !std::isfinite(ax + ay + bx + by + cx + cy))
        return 0;
    const double bound = kFastBound * (std::fabs(left) + std::fabs(right));
    if (det > bound || -det > bound)
        return signOf(det);
    int sign = 0;
    return exactSign(ax, ay, bx, by, cx, cy, sign) ? sign : signOf(det);
}

}  // namespace veltrane

#pragma once
// What the picture shows, decided apart from its painting: the histogram's
// bins, which residuals get arrows and at what scale, which points are named,
// how faint the network's edges are drawn.

#include "engine/types/checkrecords.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace veltrane {

// Bins of equal width from 0; values at or above top() fall in `overflow`.
struct HistogramBins {
    double width = 0.0;
    std::vector<uint32_t> counts;
    uint32_t overflow = 0;

    double top() const { return width * double(counts.size()); }
    int nonEmpty() const;  // bins holding a value, the overflow one included
};

// Bins of a round width for values >= 0 (millimetres): about twenty over the
// values up to a high quantile, so that a few outliers do not squeeze the
// rest into one bar; they share the overflow bin. Lower quantiles are tried
// until at least ten bins hold values, when the values allow it.
HistogramBins histogramBins(const std::vector<double> &values);

// The validated points whose residuals are drawn as arrows, largest first.
struct ArrowSelection {
    std::vector<size_t> drawn;          // indices of residuals
    size_t validated = 0;               // validated points in all
    double thresholdMillimetres = 0.0;  // smallest drawn residual when not all are drawn; 0 otherwise

    bool thinned() const { return drawn.size() < validated; }
};

// Every validated point when there are at most `maxArrows`, otherwise the
// `maxArrows` largest horizontal residuals.
ArrowSelection selectArrows(const std::vector<ControlResidual> &residuals, size_t maxArrows);

// Pixels per millimetre of residual, and where arrows are cut short.
struct ArrowScale {
    double pixelsPerMillimetre = 0.0;
    double clipMillimetres = std::numeric_limits<double>::infinity();  // longer arrows are drawn this long
    double barMillimetres = 0.0;                                       // the scale bar's round length

    bool clips() const { return clipMillimetres < std::numeric_limits<double>::infinity(); }
};

// The median of `millimetres` (the drawn residuals) becomes `medianPixels`
// long; arrows longer than `longestPixels` are cut to a length of two
// significant digits in millimetres not longer than that. Zero pixels per
// millimetre when every value is zero.
ArrowScale arrowScale(std::vector<double> millimetres, double medianPixels, double longestPixels);

// The validated points of the `count` largest horizontal residuals, largest
// first (ties by index).
std::vector<size_t> largestResiduals(const std::vector<ControlResidual> &residuals, size_t count);

// The height residual, millimetres and unsigned, that takes the largest
// symbol: a high quantile of the validated points', so that an outlier does
// not shrink the others to dots (larger ones take the largest symbol too).
double heightSymbolTop(const std::vector<ControlResidual> &residuals);

// Opacity of the network's edges or of the dots of its points: 1 up to
// kOpaqueMarks of them, fading with more so that a dense network stays a
// light texture behind the arrows.
constexpr size_t kOpaqueMarks = 3000;
double markOpacity(size_t marks);

}  // namespace veltrane

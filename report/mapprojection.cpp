#include "report/mapprojection.h"

#include "engine/geodesy/geodesic.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {

namespace {

// Least stretch, so that a network near a pole still has a width.
constexpr double kLeastStretch = 0.05;
// Least extent, degrees, so that one point still has a scale.
constexpr double kLeastExtent = 1e-6;

}  // namespace

MapProjection::MapProjection(const std::vector<PointRecord> &points, const QRectF &frame, double padding)
    : frame_(frame)
{
    double xMin = std::numeric_limits<double>::infinity(), yMin = xMin, xMax = -xMin, yMax = -xMin;
    for (const PointRecord &p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            continue;
        xMin = std::min(xMin, p.x);
        xMax = std::max(xMax, p.x);
        yMin = std::min(yMin, p.y);
        yMax = std::max(yMax, p.y);
    }
    if (!(xMin <= xMax)) {
        xMin = yMin = 0.0;
        xMax = yMax = 1.0;
    }
    middleLatitude_ = std::clamp((yMin + yMax) * 0.5, -90.0, 90.0);
    stretch_ = std::max(kLeastStretch, std::cos(middleLatitude_ * kRadiansPerDegree));
    const double width = std::max((xMax - xMin) * stretch_, kLeastExtent);
    const double height = std::max(yMax - yMin, kLeastExtent);
    const double innerWidth = std::max(1.0, frame.width() - 2 * padding);
    const double innerHeight = std::max(1.0, frame.height() - 2 * padding);
    scale_ = std::min(innerWidth / width, innerHeight / height);
    west_ = (xMin + xMax) * 0.5 - frame.width() * 0.5 / (scale_ * stretch_);
    north_ = (yMin + yMax) * 0.5 + frame.height() * 0.5 / scale_;
}

QPointF MapProjection::at(double longitude, double latitude) const
{
    return QPointF(frame_.left() + (longitude - west_) * stretch_ * scale_,
                   frame_.top() + (north_ - latitude) * scale_);
}

double MapProjection::east() const
{
    return west_ + frame_.width() / (scale_ * stretch_);
}

double MapProjection::south() const
{
    return north_ - frame_.height() / scale_;
}

double MapProjection::metresPerPixel() const
{
    return primeVerticalRadius(middleLatitude_) * kRadiansPerDegree / scale_;
}

}  // namespace veltrane

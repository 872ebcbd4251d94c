#pragma once
// Longitude and latitude to pixels for the picture's maps: a plate carree
// stretched by the cosine of the middle latitude (north up, scale true along
// the middle parallel), fitted into a frame with its aspect kept.

#include "engine/types/pointrecord.h"

#include <QPointF>
#include <QRectF>
#include <vector>

namespace veltrane {

class MapProjection {
public:
    // The finite positions of `points` fill `frame`, less `padding` pixels on
    // every side.
    MapProjection(const std::vector<PointRecord> &points, const QRectF &frame, double padding);

    QPointF at(double longitude, double latitude) const;

    // The frame's edges in degrees.
    double west() const { return west_; }
    double east() const;
    double north() const { return north_; }
    double south() const;

    // Ground metres one pixel spans east to west along the middle parallel.
    double metresPerPixel() const;

private:
    QRectF frame_;
    double stretch_ = 1.0;  // cosine of the middle latitude
    double scale_ = 1.0;    // pixels per degree of latitude
    double middleLatitude_ = 0.0;
    double west_ = 0.0;
    double north_ = 0.0;
};

}  // namespace veltrane

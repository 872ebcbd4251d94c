#pragma once
// A picture of the network check: the control network's triangles in grey,
// each validated control point's horizontal residual as an arrow coloured by
// its size, a scale bar for the arrows and a histogram of the residuals.
// Drawn off screen with QPainter; needs a QGuiApplication (the minimal
// platform with fonts will do) for its text.

#include "engine/formats/pointrecord.h"
#include "engine/networkvalidation.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

namespace veltrane {

// Size of the picture when none is asked for, pixels.
constexpr int kDefaultPlotWidth = 1600;
constexpr int kDefaultPlotHeight = 1000;
// Smallest picture that still has room for the map and its legends.
constexpr int kMinPlotWidth = 400;
constexpr int kMinPlotHeight = 300;

// Draws the picture at `size` (at least kMinPlotWidth x kMinPlotHeight).
QImage renderValidationPlot(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                            const NetworkValidation &validation, const QSize &size);

// Draws the picture and encodes it into `image` in the format the suffix
// of `path` names (PNG when it names none). False with `error` set when it
// could not be encoded.
bool encodeValidationPlot(const QString &path, const std::vector<PointRecord> &control,
                          const std::vector<Triangle> &triangles, const NetworkValidation &validation,
                          const QSize &size, QByteArray &image, QString &error);

}  // namespace veltrane

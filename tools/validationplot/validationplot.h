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

// Draws the picture and saves it to `path` in the format its suffix names
// (PNG when it names none), written beside the name and put in place when
// complete. False with `error` set when it could not be saved.
bool writeValidationPlot(const QString &path, const std::vector<PointRecord> &control,
                         const std::vector<Triangle> &triangles, const NetworkValidation &validation, const QSize &size,
                         QString &error);

}  // namespace veltrane

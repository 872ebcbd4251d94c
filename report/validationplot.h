#pragma once
// A picture of the network check for a report: a map of the control network
// with a graticule labelled in degrees and minutes, a north arrow and a
// ground scale, each validated point's horizontal residual as an arrow
// coloured by its size with the largest named; a panel of the height
// residuals, the legend with the arrow scale, a histogram, and a footer
// naming the network files, the TIN, the direction, the version and the
// date. Drawn off screen with QPainter into an image or a vector PDF; needs
// a QGuiApplication (the minimal platform with fonts will do) for its text.

#include "engine/types/pointrecord.h"
#include "engine/network/networkprovenance.h"
#include "engine/network/networkvalidation.h"

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

namespace veltrane {

// Size of the picture when none is asked for, pixels.
constexpr int kDefaultPlotWidth = 1600;
constexpr int kDefaultPlotHeight = 1000;
// Smallest picture that still has room for the map and its legends.
constexpr int kMinPlotWidth = 400;
constexpr int kMinPlotHeight = 300;

// Points named by their identifiers: those of the largest residuals.
constexpr size_t kNamedResiduals = 10;
// Arrows drawn at most on a picture of the default size, and more or fewer
// with its area; beyond them only the largest residuals get one.
constexpr double kArrowsAtDefaultSize = 800;
// Padding of the map inside its frame, pixels at the default size.
constexpr double kMapPadding = 24.0;

// A box in degrees: the extent of a conversion's points.
struct DegreeBox {
    double west = 0.0;
    double east = 0.0;
    double south = 0.0;
    double north = 0.0;
};

// What the picture shows, with where it was made from.
struct ValidationPlotInput {
    const std::vector<PointRecord> &control;
    const std::vector<Triangle> &triangles;
    const NetworkValidation &validation;
    const NetworkProvenance &provenance;
    // Drawn as a dashed box on the map, which then takes it in too.
    std::optional<DegreeBox> convertedExtent = std::nullopt;
};

// Paints the picture on `painter`, whose device is `canvas` pixels.
void paintValidationPlot(QPainter &painter, const QSize &canvas, const ValidationPlotInput &input);

// Draws the picture at `size` (at least kMinPlotWidth x kMinPlotHeight).
QImage renderValidationPlot(const ValidationPlotInput &input, const QSize &size);

// The picture as the bytes of the file `path` names: a one-page vector PDF
// for ".pdf", otherwise an image in the format its suffix names (PNG when it
// names none). False with `error` set when it could not be made.
bool encodeValidationPlot(const QString &path, const ValidationPlotInput &input, const QSize &size, QByteArray &bytes,
                          QString &error);

}  // namespace veltrane

#include "engine/formats/validationreport.h"

#include "engine/formats/fixedformat.h"
#include "engine/formats/outputwriter.h"

#include <string>

namespace veltrane {

namespace {

// Digits after the point (degrees as the output files have them):
// residuals and sigmas to the micrometre, distances to the millimetre.
constexpr int kResidualDecimals = 6;
constexpr int kDistanceDecimals = 3;

void appendNumber(std::string &out, double value, int decimals)
{
    char text[kMaxFixedLength];
    out.append(text, size_t(formatFixed(text, value, decimals) - text));
}

void appendResidualLine(std::string &out, const PointRecord &point, const ControlResidual &residual)
{
    appendOutputId(out, point.id);
    out.push_back(',');
    appendNumber(out, point.x, kCoordinateDecimals);
    out.push_back(',');
    appendNumber(out, point.y, kCoordinateDecimals);
    for (const double value : {residual.east, residual.north, residual.up, residual.horizontal}) {
        out.push_back(',');
        if (residual.state == ResidualState::Validated)
            appendNumber(out, value, kResidualDecimals);
    }
    out.push_back('\n');
}

const char *statusName(PointStatus status)
{
    switch (status) {
    case PointStatus::Converted:
        return "converted";
    case PointStatus::Nearest:
        return "nearest";
    case PointStatus::Outside:
        break;
    }
    return "outside";
}

void appendQualityLine(std::string &out, const PointRecord &point, const PointQuality &quality)
{
    appendOutputId(out, point.id);
    out.push_back(',');
    out.append(statusName(quality.status));
    out.push_back(',');
    if (quality.hasSigma)
        appendNumber(out, quality.sigmaHorizontal, kResidualDecimals);
    out.push_back(',');
    if (quality.hasSigma)
        appendNumber(out, quality.sigmaVertical, kResidualDecimals);
    out.push_back(',');
    if (quality.hasNearestControl)
        appendNumber(out, quality.nearestControl, kDistanceDecimals);
    out.push_back('\n');
}

}  // namespace

std::string validationReportText(const PointRecord *control, const ControlResidual *residuals, size_t count)
{
    std::string text = kValidationReportHeader;
    for (size_t i = 0; i < count; ++i)
        appendResidualLine(text, control[i], residuals[i]);
    return text;
}

void appendQualityLines(std::string &out, const PointRecord *points, const PointQuality *quality, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        appendQualityLine(out, points[i], quality[i]);
}

}  // namespace veltrane

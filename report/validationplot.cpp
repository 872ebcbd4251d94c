#include "report/validationplot.h"

#include "report/mapprojection.h"
#include "report/plotarrows.h"
#include "report/plotaxes.h"
#include "report/plotcaption.h"
#include "report/plotcontent.h"
#include "report/plotheights.h"
#include "report/plothistogram.h"
#include "report/plotlayout.h"
#include "report/plotlegend.h"
#include "report/plotscales.h"
#include "report/plotstyle.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>

namespace veltrane {

namespace {

// Pixels at the default size.
constexpr double kMedianArrow = 16.0;
// Longest arrow, of the map's width.
constexpr double kLongestArrowShare = 0.07;
// The PDF's page holds the picture's pixels at this resolution.
constexpr int kPdfDotsPerInch = 96;
constexpr double kPointsPerInch = 72.0;

// The converted points' box: its colour (no arrow, bar or name takes it), its
// line width and dashes, pixels at the default size.
const QColor kExtentColour(0, 120, 130);
constexpr double kExtentLineWidth = 2.0;
constexpr double kExtentLabelGap = 4.0;

// The control points, and the corners of `extent` when there is one: what
// the map is fitted to.
std::vector<PointRecord> mapPoints(const ValidationPlotInput &input)
{
    std::vector<PointRecord> points = input.control;
    if (input.convertedExtent) {
        PointRecord corner;
        corner.x = input.convertedExtent->west;
        corner.y = input.convertedExtent->south;
        points.push_back(corner);
        corner.x = input.convertedExtent->east;
        corner.y = input.convertedExtent->north;
        points.push_back(corner);
    }
    return points;
}

void drawConvertedExtent(QPainter &painter, const MapProjection &map, const DegreeBox &box, const PlotStyle &style)
{
    const QRectF frame = QRectF(map.at(box.west, box.north), map.at(box.east, box.south)).normalized();
    QPen pen(kExtentColour, style.px(kExtentLineWidth), Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    painter.setFont(style.small);
    painter.drawText(QPointF(frame.left(), frame.top() - style.px(kExtentLabelGap)),
                     QStringLiteral("Converted points"));
}

QSize canvasOf(const QSize &size)
{
    return QSize(std::max(size.width(), kMinPlotWidth), std::max(size.height(), kMinPlotHeight));
}

bool writePdf(const ValidationPlotInput &input, const QSize &canvas, QByteArray &bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfDotsPerInch);
    const double pointsPerPixel = kPointsPerInch / kPdfDotsPerInch;
    writer.setPageSize(
        QPageSize(QSizeF(canvas.width() * pointsPerPixel, canvas.height() * pointsPerPixel), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QStringLiteral("Network check"));
    writer.setCreator(QStringLiteral("Veltrane ") + input.provenance.version);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    paintValidationPlot(painter, canvas, input);
    return painter.end();
}

}  // namespace

void paintValidationPlot(QPainter &painter, const QSize &canvas, const ValidationPlotInput &input)
{
    const PlotStyle style = plotStyle(canvas);
    const PlotLayout layout = plotLayout(canvas);
    const std::vector<ControlResidual> &residuals = input.validation.residuals;
    const ValidationSummary &summary = input.validation.summary;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(canvas)), kPlotBackground);

    drawTitle(painter, layout.title, plotTitleLines(summary, input.control), style);
    drawFooter(painter, layout.footer, provenanceLines(input.provenance), style);

    const MapProjection map(input.convertedExtent ? mapPoints(input) : input.control, layout.map,
                            style.px(kMapPadding));
    painter.save();
    painter.setClipRect(layout.map);
    drawNetworkEdges(painter, map, input.control, input.triangles, style);
    drawControlPoints(painter, map, input.control, residuals, style);

    std::vector<double> millimetres;
    for (const ControlResidual &r : residuals)
        if (r.state == ResidualState::Validated)
            millimetres.push_back(r.horizontal * kMillimetresPerMetre);
    const HistogramBins bins = histogramBins(millimetres);
    const double arrows = kArrowsAtDefaultSize * style.unit * style.unit;
    const ArrowSelection selection = selectArrows(residuals, size_t(std::max(1.0, arrows)));
    std::vector<double> drawn;
    for (const size_t i : selection.drawn)
        drawn.push_back(residuals[i].horizontal * kMillimetresPerMetre);
    const ArrowScale scale = arrowScale(drawn, style.px(kMedianArrow), layout.map.width() * kLongestArrowShare);
    drawResidualArrows(painter, map, input.control, residuals, selection, scale, bins.top(), style);
    const std::vector<size_t> named = largestResiduals(residuals, kNamedResiduals);
    drawResidualLabels(painter, map, input.control, named, layout.map, style);
    if (input.convertedExtent)
        drawConvertedExtent(painter, map, *input.convertedExtent, style);
    painter.restore();

    drawGraticule(painter, map, layout.map, style, true);
    drawNorthArrow(painter, layout.map, style);
    drawGroundScale(painter, map, layout.map, style);

    drawHeightPanel(painter, layout.heightMap, input.control, input.triangles, residuals, style);
    LegendContent legend;
    legend.scale = scale;
    legend.selection = selection;
    legend.rampTopMillimetres = bins.top();
    legend.summary = summary;
    legend.named = named.size();
    drawLegend(painter, layout.legend, legend, style);
    drawHistogram(painter, layout.histogram, bins, millimetres.size(), style);
}

QImage renderValidationPlot(const ValidationPlotInput &input, const QSize &size)
{
    const QSize canvas = canvasOf(size);
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(kPlotBackground);
    QPainter painter(&image);
    paintValidationPlot(painter, canvas, input);
    return image;
}

bool encodeValidationPlot(const QString &path, const ValidationPlotInput &input, const QSize &size, QByteArray &bytes,
                          QString &error)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix == "pdf") {
        if (writePdf(input, canvasOf(size), bytes))
            return true;
        error = QStringLiteral("Unable to write %1: the PDF could not be drawn").arg(path);
        return false;
    }
    const QImage image = renderValidationPlot(input, size);
    QByteArray format;
    if (!suffix.isEmpty() && QImageWriter::supportedImageFormats().contains(suffix))
        format = suffix;
    if (format.isEmpty())
        format = "png";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, writer.errorString());
        return false;
    }
    return true;
}

}  // namespace veltrane

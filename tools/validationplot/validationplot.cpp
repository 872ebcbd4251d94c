#include "tools/validationplot/validationplot.h"

#include "engine/formats/outputwriter.h"
#include "engine/geodesic.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace veltrane {

namespace {

const char *const kFontFamily = "DejaVu Sans";

// Layout, as fractions of the picture or in pixels at the default height.
constexpr double kMarginFraction = 0.03;
constexpr double kTitleFraction = 0.05;         // band for the title line
constexpr double kLargestArrowFraction = 0.05;  // longest arrow: a twentieth of the map's width
constexpr double kFontFraction = 0.016;         // text height of the picture's height
constexpr double kArrowHeadFraction = 0.3;      // head length of the arrow's length, at most kArrowHeadMax
constexpr double kArrowHeadMax = 12.0;          // pixels at the default height
constexpr int kHistogramBins = 20;
constexpr double kHistogramWidthFraction = 0.22;  // width of the legend column, of the picture's
constexpr double kHistogramHeightFraction = 0.3;  // of the map's height
constexpr double kPanelOpacity = 0.88;

const QColor kBackground(255, 255, 255);
const QColor kEdgeColour(185, 185, 185);
const QColor kPointColour(70, 70, 70);
const QColor kTextColour(20, 20, 20);

// Blue (small) through green and yellow to red (the largest), for t in 0..1.
QColor rampColour(double t)
{
    static const QColor stops[] = {QColor(40, 70, 200), QColor(30, 160, 90), QColor(235, 195, 30), QColor(215, 40, 30)};
    constexpr int kLast = int(sizeof stops / sizeof stops[0]) - 1;
    t = std::min(1.0, std::max(0.0, t)) * kLast;
    const int i = std::min(kLast - 1, int(t));
    const double f = t - i;
    const QColor &a = stops[i], &b = stops[i + 1];
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * f, a.greenF() + (b.greenF() - a.greenF()) * f,
                            a.blueF() + (b.blueF() - a.blueF()) * f);
}

// Largest of 1, 2 and 5 times a power of ten not above `value` (> 0).
double roundDown125(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= value)
            return step * power;
    return power;
}

QString metresText(double metres)
{
    return QString::number(metres, 'g', 3) + QStringLiteral(" m");
}

// Longitude and latitude to pixels: a plate carree stretched by the cosine
// of the middle latitude, fitted into `frame` with its aspect kept.
class MapProjection {
public:
    MapProjection(const std::vector<PointRecord> &control, const QRectF &frame)
    {
        double xMin = std::numeric_limits<double>::infinity(), yMin = xMin, xMax = -xMin, yMax = -xMin;
        for (const PointRecord &p : control) {
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
        stretch_ = std::max(0.05, std::cos((yMin + yMax) * 0.5 * kRadiansPerDegree));
        const double width = std::max((xMax - xMin) * stretch_, 1e-9);
        const double height = std::max(yMax - yMin, 1e-9);
        scale_ = std::min(frame.width() / width, frame.height() / height);
        west_ = (xMin + xMax) * 0.5 - frame.width() * 0.5 / (scale_ * stretch_);
        north_ = (yMin + yMax) * 0.5 + frame.height() * 0.5 / scale_;
        origin_ = frame.topLeft();
    }

    QPointF at(double x, double y) const
    {
        return QPointF(origin_.x() + (x - west_) * stretch_ * scale_, origin_.y() + (north_ - y) * scale_);
    }

private:
    double stretch_ = 1.0;
    double scale_ = 1.0;
    double west_ = 0.0;
    double north_ = 0.0;
    QPointF origin_;
};

void drawArrow(QPainter &painter, const QPointF &from, const QPointF &to, double headMax)
{
    const QLineF shaft(from, to);
    painter.drawLine(shaft);
    const double length = shaft.length();
    if (length < 1.0)
        return;
    const double head = std::min(headMax, length * kArrowHeadFraction);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    constexpr double kHeadHalfAngle = 0.45;  // radians
    QPolygonF tip;
    tip << to << to - QPointF(head * std::cos(angle - kHeadHalfAngle), head * std::sin(angle - kHeadHalfAngle))
        << to - QPointF(head * std::cos(angle + kHeadHalfAngle), head * std::sin(angle + kHeadHalfAngle));
    painter.setBrush(painter.pen().color());
    painter.drawPolygon(tip);
}

void drawNetwork(QPainter &painter, const MapProjection &map, const std::vector<PointRecord> &control,
                 const std::vector<Triangle> &triangles, double unit)
{
    std::set<std::pair<int32_t, int32_t>> edges;
    for (const Triangle &t : triangles) {
        if (!triangleIndicesValid(t, int64_t(control.size())))
            continue;
        for (const auto &e : {std::minmax(t.p1, t.p2), std::minmax(t.p2, t.p3), std::minmax(t.p3, t.p1)})
            edges.insert(e);
    }
    painter.setPen(QPen(kEdgeColour, std::max(0.5, unit * 0.8)));
    for (const auto &e : edges)
        painter.drawLine(map.at(control[size_t(e.first)].x, control[size_t(e.first)].y),
                         map.at(control[size_t(e.second)].x, control[size_t(e.second)].y));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPointColour);
    const double radius = std::max(1.0, unit * 1.5);
    for (const PointRecord &p : control)
        if (std::isfinite(p.x) && std::isfinite(p.y))
            painter.drawEllipse(map.at(p.x, p.y), radius, radius);
}

// A white box behind a legend.
void drawPanel(QPainter &painter, const QRectF &box)
{
    painter.setPen(QPen(kEdgeColour, 1.0));
    QColor fill = kBackground;
    fill.setAlphaF(kPanelOpacity);
    painter.setBrush(fill);
    painter.drawRect(box);
}

// The arrow of a round length with its value, and the colour bar beside it.
void drawScaleBar(QPainter &painter, const QRectF &box, double largest, double pixelsPerMetre, double unit)
{
    drawPanel(painter, box);
    const QFontMetricsF metrics(painter.font());
    const double pad = metrics.height() * 0.5;
    const double barMetres = roundDown125(largest);
    const QPointF from(box.left() + pad, box.top() + pad + metrics.height() * 1.5);
    const QPointF to(from.x() + barMetres * pixelsPerMetre, from.y());
    painter.setPen(QPen(kTextColour, std::max(1.0, unit * 1.6)));
    drawArrow(painter, from, to, kArrowHeadMax * unit);
    painter.setPen(kTextColour);
    painter.drawText(QPointF(box.left() + pad, box.top() + pad + metrics.ascent()),
                     QStringLiteral("Arrow scale: ") + metresText(barMetres));

    const QRectF ramp(box.left() + pad, from.y() + metrics.height() * 0.8, box.width() - 2 * pad,
                      metrics.height() * 0.8);
    QLinearGradient gradient(ramp.topLeft(), ramp.topRight());
    for (int k = 0; k <= 10; ++k)
        gradient.setColorAt(k / 10.0, rampColour(k / 10.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRect(ramp);
    painter.setPen(kTextColour);
    const double textY = ramp.bottom() + metrics.ascent() + 2;
    painter.drawText(QPointF(ramp.left(), textY), QStringLiteral("0"));
    const QString top = metresText(largest);
    painter.drawText(QPointF(ramp.right() - metrics.horizontalAdvance(top), textY), top);
}

void drawHistogram(QPainter &painter, const QRectF &box, const std::vector<double> &values, double largest)
{
    drawPanel(painter, box);
    const QFontMetricsF metrics(painter.font());
    const double pad = metrics.height() * 0.5;
    painter.setPen(kTextColour);
    painter.drawText(QPointF(box.left() + pad, box.top() + pad + metrics.ascent()),
                     QStringLiteral("Horizontal residuals (%1 points)").arg(values.size()));
    const QRectF plot(box.left() + pad * 2 + metrics.horizontalAdvance(QStringLiteral("0000")),
                      box.top() + pad + metrics.height() * 1.4, 0, 0);
    const QRectF bars(plot.left(), plot.top(), box.right() - pad - plot.left(),
                      box.bottom() - pad - metrics.height() * 1.2 - plot.top());
    std::vector<int> counts(kHistogramBins, 0);
    for (const double v : values)
        ++counts[size_t(std::min(kHistogramBins - 1, int(v / largest * kHistogramBins)))];
    const int highest = std::max(1, *std::max_element(counts.begin(), counts.end()));
    const double binWidth = bars.width() / kHistogramBins;
    painter.setPen(Qt::NoPen);
    for (int b = 0; b < kHistogramBins; ++b) {
        const double h = bars.height() * counts[size_t(b)] / highest;
        painter.setBrush(rampColour((b + 0.5) / kHistogramBins));
        painter.drawRect(QRectF(bars.left() + b * binWidth, bars.bottom() - h, binWidth * 0.9, h));
    }
    painter.setPen(kTextColour);
    painter.drawLine(bars.bottomLeft(), bars.bottomRight());
    painter.drawLine(bars.bottomLeft(), bars.topLeft());
    const QString highestText = QString::number(highest);
    painter.drawText(
        QPointF(bars.left() - pad * 0.5 - metrics.horizontalAdvance(highestText), bars.top() + metrics.ascent()),
        highestText);
    painter.drawText(QPointF(bars.left() - pad * 0.5 - metrics.horizontalAdvance(QStringLiteral("0")), bars.bottom()),
                     QStringLiteral("0"));
    const double textY = bars.bottom() + metrics.ascent() + 2;
    painter.drawText(QPointF(bars.left(), textY), QStringLiteral("0"));
    const QString top = metresText(largest);
    painter.drawText(QPointF(bars.right() - metrics.horizontalAdvance(top), textY), top);
}

}  // namespace

QImage renderValidationPlot(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                            const NetworkValidation &validation, const QSize &size)
{
    const QSize canvas(std::max(size.width(), kMinPlotWidth), std::max(size.height(), kMinPlotHeight));
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = canvas.height() / double(kDefaultPlotHeight);  // 1 at the default height
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(std::max(9, int(std::lround(canvas.height() * kFontFraction))));
    painter.setFont(font);

    const double margin = std::min(canvas.width(), canvas.height()) * kMarginFraction;
    const double titleBand = canvas.height() * kTitleFraction;
    // The map on the left; the legends in a column on the right, the histogram in the lower corner.
    const double legendColumn = canvas.width() * kHistogramWidthFraction;
    const QRectF frame(margin, margin + titleBand, canvas.width() - 3 * margin - legendColumn,
                       canvas.height() - 2 * margin - titleBand);
    const QRectF legends(frame.right() + margin, frame.top(), legendColumn, frame.height());
    const MapProjection map(control, frame);
    drawNetwork(painter, map, control, triangles, unit);

    const ValidationSummary &summary = validation.summary;
    QFont titleFont = font;
    titleFont.setPixelSize(int(font.pixelSize() * 1.3));
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(kTextColour);
    QString title = QStringLiteral("Leave-one-out residuals: %1 of %2 control points")
                        .arg(summary.validated)
                        .arg(summary.controlPoints);
    if (summary.worstPoint >= 0)
        title += QStringLiteral(", horizontal RMS %1, maximum %2 at %3")
                     .arg(metresText(summary.rmsHorizontal), metresText(summary.maxHorizontal),
                          control[size_t(summary.worstPoint)].id);
    painter.drawText(QRectF(margin, margin, canvas.width() - 2 * margin, titleBand), Qt::AlignLeft | Qt::AlignVCenter,
                     title);
    painter.setFont(font);
    if (summary.worstPoint < 0 || !(summary.maxHorizontal > 0.0))
        return image;

    // Arrows, the longest a twentieth of the map's width, smaller ones drawn last on top.
    const double largest = summary.maxHorizontal;
    const double pixelsPerMetre = frame.width() * kLargestArrowFraction / largest;
    std::vector<size_t> order;
    std::vector<double> values;
    for (size_t i = 0; i < validation.residuals.size(); ++i) {
        if (validation.residuals[i].state != ResidualState::Validated)
            continue;
        order.push_back(i);
        values.push_back(validation.residuals[i].horizontal);
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return validation.residuals[a].horizontal > validation.residuals[b].horizontal;
    });
    for (const size_t i : order) {
        const ControlResidual &r = validation.residuals[i];
        const QPointF from = map.at(control[i].x, control[i].y);
        const QPointF to = from + QPointF(r.east * pixelsPerMetre, -r.north * pixelsPerMetre);
        painter.setPen(QPen(rampColour(r.horizontal / largest), std::max(1.0, unit * 1.6)));
        drawArrow(painter, from, to, kArrowHeadMax * unit);
    }

    const QFontMetricsF metrics(font);
    const double histogramHeight = std::max(frame.height() * kHistogramHeightFraction, metrics.height() * 8);
    const QRectF histogram(legends.left(), legends.bottom() - histogramHeight, legends.width(), histogramHeight);
    drawHistogram(painter, histogram, values, largest);
    const double scaleHeight = metrics.height() * 4.6;
    drawScaleBar(painter, QRectF(legends.left(), histogram.top() - margin - scaleHeight, legends.width(), scaleHeight),
                 largest, pixelsPerMetre, unit);
    return image;
}

bool encodeValidationPlot(const QString &path, const std::vector<PointRecord> &control,
                          const std::vector<Triangle> &triangles, const NetworkValidation &validation,
                          const QSize &size, QByteArray &encoded, QString &error)
{
    const QImage image = renderValidationPlot(control, triangles, validation, size);
    QByteArray format;
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (!suffix.isEmpty() && QImageWriter::supportedImageFormats().contains(suffix))
        format = suffix;
    if (format.isEmpty())
        format = "png";
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, writer.errorString());
        return false;
    }
    return true;
}

}  // namespace veltrane

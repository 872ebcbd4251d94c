#include "tools/datagen/basemap.h"

#include "engine/geodesy/geodesic.h"
#include "tools/datagen/region.h"
#include "tools/datagen/terrain.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace veltrane;

namespace {

constexpr double kDegreesPerPixelX = (kMapEast - kMapWest) / kBaseMapWidth;
constexpr double kDegreesPerPixelY = (kMapNorth - kMapSouth) / kBaseMapHeight;

// Relief shading: light from the north-west, 45 degrees above the horizon;
// heights exaggerated so that the relief shows at about 3.5 km per pixel.
constexpr double kLightAzimuth = 315.0 * kRadiansPerDegree;
constexpr double kLightAltitude = 45.0 * kRadiansPerDegree;
constexpr double kReliefExaggeration = 12.0;

constexpr double kScaleBarKilometres = 100.0;
constexpr int kScaleBarSegments = 4;
constexpr double kScaleBarLatitude = 41.5;  // degrees; where the bar's length is true

const char *const kFontFamily = "DejaVu Sans";

double pixelLongitude(double column)
{
    return kMapWest + column * kDegreesPerPixelX;
}
double pixelLatitude(double row)
{
    return kMapNorth - row * kDegreesPerPixelY;
}
double columnOf(double longitude)
{
    return (longitude - kMapWest) / kDegreesPerPixelX;
}
double rowOf(double latitude)
{
    return (kMapNorth - latitude) / kDegreesPerPixelY;
}

// Metres per degree of latitude and of longitude, on the GRS80 sphere of
// the semi-major axis (good enough for shading and a scale bar).
double metresPerDegreeLatitude()
{
    return kGrs80SemiMajorAxis * kRadiansPerDegree;
}
double metresPerDegreeLongitude(double latitude)
{
    return kGrs80SemiMajorAxis * kRadiansPerDegree * std::cos(latitude * kRadiansPerDegree);
}

struct ColourStop {
    double height;  // metres
    QColor colour;
};

QColor blend(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

QColor rampColour(const std::vector<ColourStop> &stops, double height)
{
    if (height <= stops.front().height)
        return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i)
        if (height <= stops[i].height)
            return blend(stops[i - 1].colour, stops[i].colour,
                         (height - stops[i - 1].height) / (stops[i].height - stops[i - 1].height));
    return stops.back().colour;
}

const std::vector<ColourStop> &landStops()
{
    static const std::vector<ColourStop> stops = {
        {0.0, QColor(118, 158, 98)},     {400.0, QColor(160, 186, 116)},  {1000.0, QColor(204, 190, 138)},
        {1800.0, QColor(176, 140, 104)}, {2400.0, QColor(168, 152, 140)}, {2900.0, QColor(245, 245, 245)},
    };
    return stops;
}

const std::vector<ColourStop> &seaStops()
{
    static const std::vector<ColourStop> stops = {
        {-2500.0, QColor(38, 86, 150)},
        {0.0, QColor(150, 192, 226)},
    };
    return stops;
}

int clampByte(double value)
{
    return std::max(0, std::min(255, static_cast<int>(std::lround(value))));
}

// Shaded relief, one terrain value per pixel centre.
QImage reliefImage()
{
    std::vector<double> heights(static_cast<size_t>(kBaseMapWidth) * kBaseMapHeight);
    for (int row = 0; row < kBaseMapHeight; ++row)
        for (int column = 0; column < kBaseMapWidth; ++column)
            heights[static_cast<size_t>(row) * kBaseMapWidth + column] =
                terrainHeight(pixelLongitude(column + 0.5), pixelLatitude(row + 0.5));
    auto heightAt = [&](int column, int row) {
        column = std::max(0, std::min(kBaseMapWidth - 1, column));
        row = std::max(0, std::min(kBaseMapHeight - 1, row));
        return heights[static_cast<size_t>(row) * kBaseMapWidth + column];
    };

    // Unit vector towards the light: x east, y north, z up.
    const double lightX = std::cos(kLightAltitude) * std::sin(kLightAzimuth);
    const double lightY = std::cos(kLightAltitude) * std::cos(kLightAzimuth);
    const double lightZ = std::sin(kLightAltitude);
    const double pixelNorthMetres = kDegreesPerPixelY * metresPerDegreeLatitude();

    QImage image(kBaseMapWidth, kBaseMapHeight, QImage::Format_RGB32);
    for (int row = 0; row < kBaseMapHeight; ++row) {
        const double pixelEastMetres = kDegreesPerPixelX * metresPerDegreeLongitude(pixelLatitude(row + 0.5));
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int column = 0; column < kBaseMapWidth; ++column) {
            const double h = heightAt(column, row);
            if (h < 0.0) {
                line[column] = rampColour(seaStops(), h).rgb();
                continue;
            }
            const double slopeEast =
                kReliefExaggeration * (heightAt(column + 1, row) - heightAt(column - 1, row)) / (2.0 * pixelEastMetres);
            const double slopeNorth = kReliefExaggeration * (heightAt(column, row - 1) - heightAt(column, row + 1)) /
                                      (2.0 * pixelNorthMetres);
            const double lit = (-slopeEast * lightX - slopeNorth * lightY + lightZ) /
                               std::sqrt(slopeEast * slopeEast + slopeNorth * slopeNorth + 1.0);
            const double brightness = 0.45 + 0.75 * std::max(0.0, lit);
            const QColor base = rampColour(landStops(), h);
            line[column] = qRgb(clampByte(base.red() * brightness), clampByte(base.green() * brightness),
                                clampByte(base.blue() * brightness));
        }
    }
    return image;
}

QFont mapFont(int pixelSize, bool bold = false)
{
    QFont font(kFontFamily);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Text with a light halo, readable on any background.
void drawHaloText(QPainter &painter, const QRectF &box, int flags, const QString &text)
{
    painter.setPen(QColor(255, 255, 255, 200));
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (dx != 0 || dy != 0)
                painter.drawText(box.translated(dx, dy), flags, text);
    painter.setPen(QColor(20, 20, 20));
    painter.drawText(box, flags, text);
}

void drawGraticule(QPainter &painter)
{
    const QChar degree(0x00B0);
    painter.setPen(QPen(QColor(40, 40, 40, 150), 1.5));
    for (int lon = static_cast<int>(kMapWest) + 1; lon < kMapEast; ++lon)
        painter.drawLine(QPointF(columnOf(lon), 0.0), QPointF(columnOf(lon), kBaseMapHeight));
    for (int lat = static_cast<int>(kMapSouth) + 1; lat < kMapNorth; ++lat)
        painter.drawLine(QPointF(0.0, rowOf(lat)), QPointF(kBaseMapWidth, rowOf(lat)));

    painter.setFont(mapFont(20));
    for (int lon = static_cast<int>(kMapWest) + 1; lon < kMapEast; ++lon) {
        const QString label = QString::number(-lon) + degree + QLatin1Char('W');
        const QRectF box(columnOf(lon) + 6.0, kBaseMapHeight - 34.0, 100.0, 28.0);
        drawHaloText(painter, box, Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    for (int lat = static_cast<int>(kMapSouth) + 1; lat < kMapNorth; ++lat) {
        const QString label = QString::number(lat) + degree + QLatin1Char('N');
        const QRectF box(6.0, rowOf(lat) - 30.0, 100.0, 28.0);
        drawHaloText(painter, box, Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}

void drawScaleBar(QPainter &painter)
{
    const double pixelsPerKilometre = 1000.0 / (metresPerDegreeLongitude(kScaleBarLatitude) * kDegreesPerPixelX);
    const double length = kScaleBarKilometres * pixelsPerKilometre;
    const double barHeight = 12.0;
    const QPointF origin(kBaseMapWidth - length - 90.0, kBaseMapHeight - 70.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawRect(QRectF(origin.x() - 24.0, origin.y() - 40.0, length + 86.0, barHeight + 58.0));

    painter.setPen(QPen(QColor(20, 20, 20), 1.5));
    const double segment = length / kScaleBarSegments;
    for (int i = 0; i < kScaleBarSegments; ++i) {
        painter.setBrush(i % 2 == 0 ? QColor(20, 20, 20) : QColor(255, 255, 255));
        painter.drawRect(QRectF(origin.x() + i * segment, origin.y(), segment, barHeight));
    }
    painter.setFont(mapFont(18));
    const double half = kScaleBarKilometres / 2.0;
    const double ticks[] = {0.0, half, kScaleBarKilometres};
    for (double km : ticks) {
        const QString label =
            km == kScaleBarKilometres ? QString::number(km) + QStringLiteral(" km") : QString::number(km);
        const double x = origin.x() + km * pixelsPerKilometre;
        painter.drawText(QRectF(x - 20.0, origin.y() - 32.0, 80.0, 26.0), Qt::AlignLeft | Qt::AlignBottom, label);
    }
}

void drawNorthArrow(QPainter &painter)
{
    const QPointF tip(kBaseMapWidth - 80.0, 60.0);
    const double length = 90.0;
    const double halfWidth = 22.0;
    QPolygonF left, right;
    left << tip << QPointF(tip.x() - halfWidth, tip.y() + length) << QPointF(tip.x(), tip.y() + 0.75 * length);
    right << tip << QPointF(tip.x() + halfWidth, tip.y() + length) << QPointF(tip.x(), tip.y() + 0.75 * length);
    painter.setPen(QPen(QColor(20, 20, 20), 2.0));
    painter.setBrush(QColor(20, 20, 20));
    painter.drawPolygon(left);
    painter.setBrush(QColor(255, 255, 255));
    painter.drawPolygon(right);
    painter.setFont(mapFont(30, true));
    drawHaloText(painter, QRectF(tip.x() - 30.0, tip.y() - 48.0, 60.0, 40.0), Qt::AlignCenter, QStringLiteral("N"));
}

void drawTitle(QPainter &painter)
{
    const QRectF box(170.0, 24.0, 420.0, 96.0);
    painter.setPen(QPen(QColor(20, 20, 20), 2.0));
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRect(box);
    painter.setFont(mapFont(64, true));
    painter.setPen(QColor(30, 50, 80));
    painter.drawText(box, Qt::AlignCenter, QStringLiteral("Tarvona"));
}

}  // namespace

bool writeBaseMap(const std::string &path)
{
    QImage image = reliefImage();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        drawGraticule(painter);
        drawScaleBar(painter);
        drawNorthArrow(painter);
        drawTitle(painter);
    }
    if (!image.save(QString::fromLocal8Bit(path.c_str()), "JPG", kBaseMapJpegQuality)) {
        std::fprintf(stderr, "cannot write %s: the JPEG image could not be saved\n", path.c_str());
        return false;
    }
    return true;
}

#pragma once
// What a saved picture of the window holds: how many colours an area has and
// how many of its pixels are close to a given colour. An empty 3D view is one
// flat background colour; a drawn one has the base map's many colours and
// the data layers' own.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSet>

#include <cstdlib>

namespace picturecheck {

inline int distinctColours(const QImage &image, const QRect &area)
{
    QSet<QRgb> colours;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            colours.insert(image.pixel(x, y) | 0xff000000u);
    }
    return colours.size();
}

// Pixels whose red, green and blue each lie within `tolerance` of `colour`'s.
inline int pixelsNear(const QImage &image, const QRect &area, const QColor &colour, int tolerance)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - colour.red()) <= tolerance && std::abs(qGreen(p) - colour.green()) <= tolerance &&
                std::abs(qBlue(p) - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

}  // namespace picturecheck

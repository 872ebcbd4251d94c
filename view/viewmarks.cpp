#include "view/viewmarks.h"

#include <algorithm>
#include <utility>

namespace veltrane {

namespace {
// Backgrounds at least this light (0 .. 255, perceived brightness) take the
// dark overlay text.
constexpr double kLightBackground = 128.0;
}  // namespace

QColor overlayTextColor(const QColor &background)
{
    const double brightness = 0.299 * background.red() + 0.587 * background.green() + 0.114 * background.blue();
    return brightness >= kLightBackground ? QColor(0, 90, 90) : QColor(0, 255, 255);
}

QString lastClickText(const GLC_Vector3d &target, double scaleZ, bool onBackground)
{
    const double height = scaleZ != 0.0 ? target.z() / scaleZ : target.z();
    return QStringLiteral("Last Click:  X = ") + QString::number(target.x(), 'f', 9) + QStringLiteral(" Y = ") +
           QString::number(target.y(), 'f', 9) + QStringLiteral(" Z = ") + QString::number(height, 'f', 3) +
           (onBackground ? QStringLiteral("  (nothing drawn there: target kept)") : QString());
}

std::vector<uint32_t> outsideRecords(const PointRecord *pts, uint32_t count, const PointRecord *control,
                                     uint32_t controlCount)
{
    std::vector<uint32_t> outside;
    if (!pts)
        return outside;
    std::vector<std::pair<double, double>> vertices;
    if (control) {
        vertices.reserve(controlCount);
        for (uint32_t i = 0; i < controlCount; ++i)
            vertices.emplace_back(control[i].x, control[i].y);
        std::sort(vertices.begin(), vertices.end());
    }
    for (uint32_t i = 0; i < count; ++i) {
        const PointRecord &p = pts[i];
        if (p.xTo != 0.0 || p.yTo != 0.0 || p.s != 0.0)
            continue;
        if (std::binary_search(vertices.begin(), vertices.end(), std::make_pair(p.x, p.y)))
            continue;
        outside.push_back(i);
    }
    return outside;
}

}  // namespace veltrane

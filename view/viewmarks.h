#pragma once
// Small rules of what the view writes and marks over its scene: the colour of
// the overlay text against the background, the "Last Click" line, and which
// converted records lie outside the control network.

#include "engine/types/pointrecord.h"
#include "view/glc/glc_vector3d.h"

#include <QColor>
#include <QString>
#include <cstdint>
#include <vector>

namespace veltrane {

// Cyan on dark backgrounds; a dark teal where cyan would not stand out.
QColor overlayTextColor(const QColor &background);

// "Last Click:  X = … Y = … Z = …": degrees to 9 decimals, the height
// (scene z divided by scaleZ) in metres to 3.
QString lastClickText(const GLC_Vector3d &target, double scaleZ, bool onBackground);

// Indices of the records the run left outside the network: no target
// position and no shift, at a place that is not a vertex of the network
// (a vertex keeps its own position with a zero shift).
std::vector<uint32_t> outsideRecords(const PointRecord *pts, uint32_t count, const PointRecord *control,
                                     uint32_t controlCount);

}  // namespace veltrane

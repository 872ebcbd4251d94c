#pragma once
// What the display set-up derives from the control points' extents before it
// hands them to a view: the extents in scene units and the boxes the two
// views frame their cameras on.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"
#include "view/glc/glc_boundingbox.h"

#include <QColor>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class GLWidget;

namespace veltrane {

// The extents with the three height entries (zMax, zMin, zRange) multiplied
// by scaleZ; x, y and the count are kept.
Extent sceneStats(const Extent &stats, double scaleZ);

// The data box of the main view: (xMin, yMin, zMin x scaleZ) to
// (xMax, yMax, zMax x scaleZ).
GLC_BoundingBox mainViewBox(const Extent &stats, double scaleZ);

// The frustum viewer frames a wider box so that the main view's frustum
// stays in sight around the data. The lower corner moves out by 0.75 of each
// range (its height before scaling); the upper corner moves out by 0.75 of
// the x range on all three axes, the height pad added after scaling.
GLC_BoundingBox frustumViewerBox(const Extent &stats, double scaleZ);

// The last run's data as a view takes it: the arrays are shared, not copied,
// so a view keeps drawing them after a later run has replaced them.
struct RunData {
    std::shared_ptr<const std::vector<PointRecord>> control;  // TIN vertices
    Extent controlExtent;                                     // heights unscaled
    std::shared_ptr<const std::vector<PointRecord>> points;   // converted points
    Extent pointsExtent;
    std::shared_ptr<const std::vector<Triangle>> triangles;  // indices into control
    uint32_t triangleCount = 0;
    // The network check's residuals of `control`; null: none made.
    std::shared_ptr<const std::vector<ControlResidual>> residuals;
};

// The display controls' values a new view starts from. The drawing switches
// toggle on every state change of their boxes, so each must start from its
// box's state before the box is connected.
struct ViewControlValues {
    std::optional<int32_t> vectorMult;  // absent: the view keeps its own
    std::optional<int32_t> fontSize;
    bool drawBaseMap = false;
    bool drawDs1 = true;
    bool drawLabelsDs1 = false;
    bool drawDs2 = true;
    bool drawLabelsDs2 = false;
    bool drawTris = false;
    bool drawAxis = true;
    bool drawResiduals = false;
    // The colour buttons' colours; absent: the view keeps its own.
    std::optional<QColor> colorDs1;
    std::optional<QColor> colorDs2;
    std::optional<QColor> colorTris;
};

enum class ViewRole {
    Main,           // frames the data and may run the clipper
    FrustumViewer,  // frames a wider box, draws the main view's frustum and the extents, never clips
};

// Hands `view` the run's arrays, the extents in scene units, the box it
// frames its camera on and the box planes (and, for the main view, corners)
// of the frustum optimisation. `controls`, when given, sets the drawing
// switches, vector multiplier and font size.
void loadRunIntoView(GLWidget &view, const RunData &run, double scaleZ, ViewRole role,
                     const ViewControlValues *controls = nullptr);

}  // namespace veltrane

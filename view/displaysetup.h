#pragma once
// What the display set-up derives from the control points' extents before it
// hands them to a view: the extents in scene units and the boxes the two
// views frame their cameras on.

#include "glc/glc_boundingbox.h"
#include "pointrecord.h"

// The extents with the three height entries (zMax, zMin, zRange) multiplied
// by scaleZ; x, y and the count are kept.
STATS sceneStats(const STATS &stats, double scaleZ);

// The data box of the main view: (xMin, yMin, zMin x scaleZ) to
// (xMax, yMax, zMax x scaleZ).
GLC_BoundingBox mainViewBox(const STATS &stats, double scaleZ);

// The frustum viewer frames a wider box so that the main view's frustum
// stays in sight around the data. The lower corner moves out by 0.75 of each
// range (its height before scaling); the upper corner moves out by 0.75 of
// the x range on all three axes, the height pad added after scaling.
GLC_BoundingBox frustumViewerBox(const STATS &stats, double scaleZ);

#pragma once
// Leave-one-out check of a control network: every control point that the
// network surrounds is taken out, its shift is interpolated from the network
// without it, and the difference from its known shift is its residual.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace veltrane {

// A shift difference in degrees (longitude, latitude) and metres (height) at
// latitude `latitude`, as east, north, up and horizontal metres.
ControlResidual residualInMetres(double dLongitude, double dLatitude, double dHeight, double latitude);

// Vertices on the network's outline (networkoutline.h): its outer boundary,
// the rim of any hole, and the sides where the triangles do not join as a
// surface. Triangles with an index outside `control` are left out.
std::vector<bool> boundaryVertices(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles);

struct ValidationSummary {
    uint32_t controlPoints = 0;
    uint32_t validated = 0;
    uint32_t boundary = 0;
    uint32_t irregular = 0;      // neither boundary nor validated: star not closed, or no triangle held the point
    double rmsHorizontal = 0.0;  // metres, over the validated points
    double maxHorizontal = 0.0;
    double rmsVertical = 0.0;
    double maxVertical = 0.0;  // largest |up|
    int32_t worstPoint = -1;   // control index of the largest horizontal residual, -1 when none
};

struct NetworkValidation {
    std::vector<ControlResidual> residuals;  // one per control record, in the same order
    ValidationSummary summary;
};

// Leave-one-out residuals of every control point that is not a boundary
// vertex. The network without point p differs from `triangles` only in p's
// star: the star polygon (p's neighbours in order around it) is triangulated
// by the Delaunay triangulation of the neighbours, and the triangle of it
// that lies in the polygon and holds p gives the interpolated shift. For a
// Delaunay network of points in general position this is the Delaunay
// triangulation of all other points. Spread over the cores.
NetworkValidation validateNetwork(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles);

// Summary of the residuals (RMS, maxima and the worst point).
ValidationSummary summarizeResiduals(const std::vector<ControlResidual> &residuals);

// "Network check: 240 of 250 control points validated; horizontal residual RMS
// 0.0123 m, maximum 0.0456 m at TV0042; height residual RMS ..., maximum ...".
QString validationSummaryLine(const ValidationSummary &summary, const std::vector<PointRecord> &control);

}  // namespace veltrane

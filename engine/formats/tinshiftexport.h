#pragma once
// Export of a run's control network as a JSON "triangulation_file" (format
// version 1.0) for PROJ's tinshift method, so that the same network can be
// used by cct, QGIS or GDAL: every control record is a vertex with its source
// and target longitude, latitude and height in the run's direction, and every
// triangle the run could use is a face.

#include "engine/formats/pointrecord.h"

#include <QString>
#include <vector>

namespace veltrane {

// Writes the network to `path`. Triangles with an index outside `control` are
// left out, as the run ignores them. Fails, with the path and the reason in
// `error` and no file written, when the file cannot be written or a vertex
// holds a value that is not a finite number (JSON has no such numbers).
bool writeTinshiftFile(const QString &path, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles, DatumDirection direction, QString &error);

}  // namespace veltrane

#pragma once
// Export of a run's control network as a JSON "triangulation_file" (format
// version 1.0, or 1.1 with a fallback for outside points) for PROJ's tinshift method, so that the same network can be
// used by cct, GDAL, pyproj or PostGIS: every control record is a vertex with
// its source and target longitude, latitude and height in the run's
// direction, and every triangle the run could use is a face. The descriptive
// fields say what the network was made from.

#include "engine/types/pointrecord.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace veltrane {

// "NAD83(CORS96) to NAD83(CORS96a)" or the reverse.
const char *directionName(DatumDirection direction);

struct SourceFile {
    QString name;       // file name as it is to appear in the description
    QByteArray sha256;  // 64 hexadecimal digits
};

// What a reader of the file does with a point outside every triangle.
enum class TinshiftFallback {
    None,         // format version 1.0: the point is not transformed
    NearestSide,  // format version 1.1, "nearest_side": the triangle with the nearest side is extended
};

struct TinshiftMetadata {
    QString version;                       // "version": the exporting program's version; empty: left out
    QDate publicationDate;                 // "publication_date", the UTC date of the export; invalid: left out
    QString license;                       // "license"; empty: left out
    std::optional<SourceFile> tinFile;     // the TIN file read; none: the control points were triangulated
    std::vector<SourceFile> controlFiles;  // source realization first
    TinshiftFallback fallback = TinshiftFallback::None;
    // "input_crs" and "output_crs": the systems of the vertices' source and
    // target positions (an EPSG code, or WKT where there is none); empty: left out.
    QString inputCrs;
    QString outputCrs;
};

// The file's text. Triangles with an index outside `control` are left out,
// as the run ignores them. Fails, with `path` and the reason in `error`,
// when a vertex holds a value that is not a finite number (JSON has no such
// numbers).
bool tinshiftText(const QString &path, const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                  DatumDirection direction, const TinshiftMetadata &metadata, QByteArray &json, QString &error);

}  // namespace veltrane

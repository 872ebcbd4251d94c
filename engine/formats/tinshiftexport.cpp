#include "engine/formats/tinshiftexport.h"

#include <QByteArray>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace veltrane {

namespace {

// Significant digits of every number: enough to give back the same double.
constexpr int kSignificantDigits = 17;

const char *const kDirectionCors96ToCors96a = "NAD83(CORS96) to NAD83(CORS96a)";
const char *const kDirectionCors96aToCors96 = "NAD83(CORS96a) to NAD83(CORS96)";

void appendNumber(QByteArray &out, double value)
{
    char text[32];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, kSignificantDigits);
    out.append(text, int(written.ptr - text));
}

}  // namespace

bool writeTinshiftFile(const QString &path, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles, DatumDirection direction, QString &error)
{
    for (size_t k = 0; k < control.size(); ++k) {
        const PointRecord &r = control[k];
        for (const double value : {r.x, r.y, r.h, r.xTo, r.yTo, r.hTo}) {
            if (!std::isfinite(value)) {
                error = QStringLiteral("Unable to export the network to %1: vertex %2 (%3) has a coordinate that "
                                       "is not a finite number.")
                            .arg(path)
                            .arg(k)
                            .arg(r.id);
                return false;
            }
        }
    }

    QByteArray json;
    json.reserve(int(control.size() * 120 + triangles.size() * 24 + 1024));
    json += "{\n"
            "  \"file_type\": \"triangulation_file\",\n"
            "  \"format_version\": \"1.0\",\n"
            "  \"name\": \"Veltrane control network\",\n"
            "  \"description\": \"Shifts from ";
    json += direction == DatumDirection::Cors96ToCors96a ? kDirectionCors96ToCors96a : kDirectionCors96aToCors96;
    json += ", interpolated linearly over the control triangles; longitude and latitude in decimal "
            "degrees, ellipsoid height in metres\",\n"
            "  \"transformed_components\": [\"horizontal\", \"vertical\"],\n"
            "  \"vertices_columns\": [\"source_x\", \"source_y\", \"source_z\", \"target_x\", \"target_y\", "
            "\"target_z\"],\n"
            "  \"triangles_columns\": [\"idx_vertex1\", \"idx_vertex2\", \"idx_vertex3\"],\n"
            "  \"vertices\": [";
    for (size_t k = 0; k < control.size(); ++k) {
        const PointRecord &r = control[k];
        json += k == 0 ? "\n    [" : ",\n    [";
        const double columns[] = {r.x, r.y, r.h, r.xTo, r.yTo, r.hTo};
        for (size_t c = 0; c < 6; ++c) {
            if (c > 0)
                json += ", ";
            appendNumber(json, columns[c]);
        }
        json += ']';
    }
    json += "\n  ],\n  \"triangles\": [";
    const int64_t vertexCount = static_cast<int64_t>(control.size());
    bool first = true;
    for (const Triangle &t : triangles) {
        if (!triangleIndicesValid(t, vertexCount))
            continue;
        json += first ? "\n    [" : ",\n    [";
        first = false;
        json += QByteArray::number(t.p1) + ", " + QByteArray::number(t.p2) + ", " + QByteArray::number(t.p3) + ']';
    }
    json += "\n  ]\n}\n";

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        error = QStringLiteral("Unable to export the network to %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace veltrane

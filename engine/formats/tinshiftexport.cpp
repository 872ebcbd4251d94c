#include "engine/formats/tinshiftexport.h"

#include <QByteArray>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace veltrane {

namespace {

// Significant digits of every number: enough to give back the same double.
constexpr int kSignificantDigits = 17;

// "publication_date" is a UTC date-time; the export gives the date at midnight.
const char *const kMidnightUtc = "T00:00:00Z";

// Characters below this one must be escaped in a JSON string.
constexpr ushort kFirstUnescapedCharacter = 0x20;
constexpr int kUnicodeEscapeDigits = 4;

// `text` as a JSON string literal, in UTF-8.
void appendString(QByteArray &out, const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            escaped += QLatin1String("\\\"");
            break;
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < kFirstUnescapedCharacter)
                escaped += QStringLiteral("\\u%1").arg(c.unicode(), kUnicodeEscapeDigits, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
    }
    out += '"' + escaped.toUtf8() + '"';
}

QString describeFile(const SourceFile &file)
{
    return QStringLiteral("%1 (SHA-256 %2)").arg(file.name, QLatin1String(file.sha256));
}

// What the network was made from: direction, TIN and control files.
QString description(DatumDirection direction, const TinshiftMetadata &metadata)
{
    QString text =
        QStringLiteral("Shifts from %1, interpolated linearly over ").arg(QLatin1String(directionName(direction)));
    text += metadata.tinFile ? QStringLiteral("the triangles of the TIN file %1").arg(describeFile(*metadata.tinFile))
                             : QStringLiteral("a Delaunay triangulation of the control points");
    if (!metadata.controlFiles.empty()) {
        QStringList files;
        for (const SourceFile &file : metadata.controlFiles)
            files << describeFile(file);
        text += QStringLiteral("; control files ") + files.join(QStringLiteral(" and "));
    }
    return text + QStringLiteral("; longitude and latitude in decimal degrees, ellipsoid height in metres");
}

void appendField(QByteArray &out, const char *key, const QString &value)
{
    out += "  \"";
    out += key;
    out += "\": ";
    appendString(out, value);
    out += ",\n";
}

void appendNumber(QByteArray &out, double value)
{
    char text[32];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, kSignificantDigits);
    out.append(text, int(written.ptr - text));
}

}  // namespace

bool tinshiftText(const QString &path, const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                  DatumDirection direction, const TinshiftMetadata &metadata, QByteArray &json, QString &error)
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

    const bool nearestSide = metadata.fallback == TinshiftFallback::NearestSide;
    json.clear();
    json.reserve(int(control.size() * 120 + triangles.size() * 24 + 1024));
    json += "{\n"
            "  \"file_type\": \"triangulation_file\",\n";
    json += nearestSide ? "  \"format_version\": \"1.1\",\n" : "  \"format_version\": \"1.0\",\n";
    json += "  \"name\": \"Veltrane control network\",\n";
    if (!metadata.version.isEmpty())
        appendField(json, "version", metadata.version);
    if (metadata.publicationDate.isValid())
        appendField(json, "publication_date",
                    metadata.publicationDate.toString(Qt::ISODate) + QLatin1String(kMidnightUtc));
    if (!metadata.license.isEmpty())
        appendField(json, "license", metadata.license);
    appendField(json, "description", description(direction, metadata));
    if (!metadata.inputCrs.isEmpty())
        appendField(json, "input_crs", metadata.inputCrs);
    if (!metadata.outputCrs.isEmpty())
        appendField(json, "output_crs", metadata.outputCrs);
    json += "  \"transformed_components\": [\"horizontal\", \"vertical\"],\n";
    if (nearestSide)
        json += "  \"fallback_strategy\": \"nearest_side\",\n";
    json += "  \"vertices_columns\": [\"source_x\", \"source_y\", \"source_z\", \"target_x\", \"target_y\", "
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
    return true;
}

const char *directionName(DatumDirection direction)
{
    return direction == DatumDirection::Cors96ToCors96a ? "NAD83(CORS96) to NAD83(CORS96a)"
                                                        : "NAD83(CORS96a) to NAD83(CORS96)";
}

}  // namespace veltrane

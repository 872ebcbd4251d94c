#include "engine/formats/gisinternal.h"

#include <QStringList>
#include <ogr_srs_api.h>

// Point features of a GIS layer, read in batches.

namespace veltrane {

const char *const kDefaultIdFields[4] = {"id", "name", "point_id", "pt"};

namespace {

// Features looked at to tell whether a layer of mixed geometries holds points.
constexpr int kLayerProbeFeatures = 10000;
bool isPointType(OGRwkbGeometryType type)
{
    return wkbFlatten(type) == wkbPoint;
}

QString fieldNames(OGRFeatureDefnH definition)
{
    QStringList names;
    for (int i = 0; i < OGR_FD_GetFieldCount(definition); ++i)
        names.append(QString::fromUtf8(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(definition, i))));
    return names.isEmpty() ? QStringLiteral("it has none") : QStringLiteral("it has ") + names.join(", ");
}

}  // namespace

GisBatch::GisBatch() = default;
GisBatch::~GisBatch() = default;
GisBatch::GisBatch(GisBatch &&) noexcept = default;
GisBatch &GisBatch::operator=(GisBatch &&) noexcept = default;

GisPointReader::GisPointReader() = default;
GisPointReader::~GisPointReader() = default;

namespace {

// Whether the layer holds points: by its declared type, or for a layer of
// any type by its first feature with a geometry. `hasZ` tells whether they
// have heights.
bool holdsPoints(OGRLayerH layer, bool &hasZ)
{
    const OGRwkbGeometryType declared = OGR_L_GetGeomType(layer);
    hasZ = wkbHasZ(declared);
    if (isPointType(declared))
        return true;
    if (wkbFlatten(declared) != wkbUnknown)
        return false;
    OGR_L_ResetReading(layer);
    bool points = false;
    for (int i = 0; i < kLayerProbeFeatures; ++i) {
        OGRFeatureH feature = OGR_L_GetNextFeature(layer);
        if (!feature)
            break;
        OGRGeometryH geometry = OGR_F_GetGeometryRef(feature);
        const bool point = geometry && isPointType(OGR_G_GetGeometryType(geometry));
        if (point)
            hasZ = OGR_G_Is3D(geometry);
        OGR_F_Destroy(feature);
        if (point) {
            points = true;
            break;
        }
    }
    OGR_L_ResetReading(layer);
    return points;
}

}  // namespace

bool GisPointReader::open(const QString &path, const GisReadOptions &options, QString &error)
{
    const QuietGdal quiet;
    layer_ = std::make_unique<Layer>();
    const QByteArray name = path.toUtf8();
    layer_->dataset = GDALOpenEx(name.constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!layer_->dataset) {
        error = QStringLiteral("Cannot open %1 as a file of vector layers: %2")
                    .arg(path, QuietGdal::lastMessage("no driver reads it"));
        return false;
    }
    bool hasZ = false;
    if (!options.layer.isEmpty()) {
        layer_->layer = GDALDatasetGetLayerByName(layer_->dataset, options.layer.toUtf8().constData());
        if (!layer_->layer) {
            error = QStringLiteral("%1 has no layer %2").arg(path, options.layer);
            return false;
        }
        if (!holdsPoints(layer_->layer, hasZ)) {
            error = QStringLiteral("Layer %1 of %2 holds no points").arg(options.layer, path);
            return false;
        }
    } else {
        for (int i = 0; i < GDALDatasetGetLayerCount(layer_->dataset) && !layer_->layer; ++i) {
            OGRLayerH candidate = GDALDatasetGetLayer(layer_->dataset, i);
            if (holdsPoints(candidate, hasZ))
                layer_->layer = candidate;
        }
        if (!layer_->layer) {
            error = QStringLiteral("%1 has no layer of points").arg(path);
            return false;
        }
    }

    OGRFeatureDefnH definition = OGR_L_GetLayerDefn(layer_->layer);
    const QString layerName = this->layerName();
    if (!options.idField.isEmpty()) {
        layer_->idField = OGR_FD_GetFieldIndex(definition, options.idField.toUtf8().constData());
        if (layer_->idField < 0) {
            error = QStringLiteral("Layer %1 has no field %2 for the identifier; %3")
                        .arg(layerName, options.idField, fieldNames(definition));
            return false;
        }
    } else {
        for (const char *field : kDefaultIdFields) {
            if (layer_->idField < 0)
                layer_->idField = OGR_FD_GetFieldIndex(definition, field);
        }
    }
    if (!options.heightField.isEmpty()) {
        layer_->heightField = OGR_FD_GetFieldIndex(definition, options.heightField.toUtf8().constData());
        if (layer_->heightField < 0) {
            error = QStringLiteral("Layer %1 has no field %2 for the height; %3")
                        .arg(layerName, options.heightField, fieldNames(definition));
            return false;
        }
        const OGRFieldType type = OGR_Fld_GetType(OGR_FD_GetFieldDefn(definition, layer_->heightField));
        if (type != OFTReal && type != OFTInteger && type != OFTInteger64) {
            error = QStringLiteral("Field %1 of layer %2 holds no numbers, so it cannot give the height")
                        .arg(options.heightField, layerName);
            return false;
        }
    }
    layer_->hasHeights = layer_->heightField >= 0 || hasZ;
    OGR_L_ResetReading(layer_->layer);
    return true;
}

QString GisPointReader::layerName() const
{
    return QString::fromUtf8(OGR_L_GetName(layer_->layer));
}

std::string GisPointReader::crsWkt() const
{
    OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer_->layer);
    if (!srs)
        return std::string();
    const QuietGdal quiet;
    char *wkt = nullptr;
    const char *const options[] = {"FORMAT=WKT2_2019", nullptr};
    std::string text;
    if (OSRExportToWktEx(srs, &wkt, options) == OGRERR_NONE && wkt)
        text = wkt;
    CPLFree(wkt);
    return text;
}

bool GisPointReader::hasHeights() const
{
    return layer_->hasHeights;
}

int64_t GisPointReader::featureCount() const
{
    return OGR_L_GetFeatureCount(layer_->layer, FALSE);
}

void GisPointReader::keepPassFields()
{
    layer_->passFields.clear();
    OGRFeatureDefnH definition = OGR_L_GetLayerDefn(layer_->layer);
    for (int i = 0; i < OGR_FD_GetFieldCount(definition); ++i) {
        if (i != layer_->idField && i != layer_->heightField)
            layer_->passFields.push_back(i);
    }
}

std::vector<std::string> GisPointReader::passNames() const
{
    std::vector<std::string> names;
    OGRFeatureDefnH definition = OGR_L_GetLayerDefn(layer_->layer);
    for (const int field : layer_->passFields)
        names.emplace_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(definition, field)));
    return names;
}

bool GisPointReader::next(size_t count, GisBatch &batch, QString &error)
{
    batch.points.clear();
    batch.rejected.clear();
    batch.passValues.clear();
    batch.features = std::make_unique<GisFeatures>();
    std::vector<OGRFeatureH> &features = batch.features->features;
    batch.points.reserve(count);
    features.reserve(count);
    size_t read = 0;
    while (read < count) {
        OGRFeatureH feature = OGR_L_GetNextFeature(layer_->layer);
        if (!feature)
            break;
        ++read;
        const uint64_t number = ++layer_->featuresRead;
        OGRGeometryH geometry = OGR_F_GetGeometryRef(feature);
        if (!geometry || !isPointType(OGR_G_GetGeometryType(geometry)) || OGR_G_IsEmpty(geometry)) {
            batch.rejected.push_back(QStringLiteral("feature %1: no point geometry").arg(number));
            OGR_F_Destroy(feature);
            continue;
        }
        PointRecord p;
        p.x = OGR_G_GetX(geometry, 0);
        p.y = OGR_G_GetY(geometry, 0);
        if (layer_->heightField >= 0) {
            if (!OGR_F_IsFieldSetAndNotNull(feature, layer_->heightField)) {
                batch.rejected.push_back(QStringLiteral("feature %1: no height").arg(number));
                OGR_F_Destroy(feature);
                continue;
            }
            p.h = OGR_F_GetFieldAsDouble(feature, layer_->heightField);
        } else {
            p.h = OGR_G_Is3D(geometry) ? OGR_G_GetZ(geometry, 0) : 0.0;
        }
        p.id = layer_->idField >= 0 ? QString::fromLatin1(OGR_F_GetFieldAsString(feature, layer_->idField))
                                    : QString::number(qlonglong(OGR_F_GetFID(feature)));
        batch.points.push_back(p);
        for (const int field : layer_->passFields)
            batch.passValues.emplace_back(
                OGR_F_IsFieldSetAndNotNull(feature, field) ? OGR_F_GetFieldAsString(feature, field) : "");
        features.push_back(feature);
    }
    if (read == 0 && CPLGetLastErrorType() == CE_Failure) {
        error = QStringLiteral("Error reading layer %1: %2").arg(layerName(), QuietGdal::lastMessage("unknown"));
        return false;
    }
    return read > 0;
}

}  // namespace veltrane

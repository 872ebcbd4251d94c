#include "engine/formats/gisinternal.h"

#include <QFileInfo>
#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <map>
#include <mutex>

namespace veltrane {

namespace {

// Features per transaction of a writer that has transactions: large enough
// that committing costs nothing beside writing.
constexpr size_t kFeaturesPerTransaction = 250000;

// The shift's fields, added to every written layer.
constexpr char kShiftField[] = "s";
constexpr char kAzimuthField[] = "azimuth";
constexpr char kDeltaHField[] = "delta_h";
constexpr char kSigmaHorizontalField[] = "sigma_h";
constexpr char kSigmaVerticalField[] = "sigma_v";
constexpr char kIdField[] = "id";

// The authority of the systems the writer makes up, and the range of their codes.
constexpr char kAuthority[] = "VELTRANE";
constexpr uint32_t kFirstSystemCode = 100000;
constexpr uint32_t kSystemCodes = 800000;

// A code for a system of its definition, the same on every run (FNV-1a).
int systemCode(const std::string &wkt)
{
    uint32_t hash = 2166136261u;
    for (const char c : wkt)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return int(kFirstSystemCode + hash % kSystemCodes);
}

}  // namespace

struct GisPointWriter::Dataset {
    ~Dataset()
    {
        if (dataset)
            GDALClose(dataset);
        if (srs)
            OSRRelease(srs);
    }
    GDALDatasetH dataset = nullptr;
    OGRSpatialReferenceH srs = nullptr;
    OGRLayerH layer = nullptr;
    std::vector<int> fieldMap;    // source field -> written field
    int idField = -1;             // without a source layer
    std::vector<int> passFields;  // without a source layer: the batch's pass values
    int shiftFields[5] = {-1, -1, -1, -1, -1};
    bool heights = true;
    bool quality = false;
    bool transactions = false;
    bool inTransaction = false;
    size_t perTransaction = kFeaturesPerTransaction;
    size_t pending = 0;
};

GisPointWriter::GisPointWriter() = default;
GisPointWriter::~GisPointWriter() = default;

bool GisPointWriter::checkDriver(const QString &driver, QString &error)
{
    const QuietGdal quiet;
    GDALDriverH handle = GDALGetDriverByName(driver.toUtf8().constData());
    if (!handle) {
        error = QStringLiteral("GDAL has no driver %1").arg(driver);
        return false;
    }
    if (!GDALGetMetadataItem(handle, GDAL_DCAP_VECTOR, nullptr)) {
        error = QStringLiteral("GDAL's driver %1 writes no vector layers").arg(driver);
        return false;
    }
    if (!GDALGetMetadataItem(handle, GDAL_DCAP_CREATE, nullptr)) {
        error = QStringLiteral("GDAL's driver %1 reads files but cannot create them").arg(driver);
        return false;
    }
    return true;
}

bool GisPointWriter::create(const QString &path, const GisWriteOptions &options, const GisPointReader *source,
                            QString &error)
{
    if (!checkDriver(options.driver, error))
        return false;
    const QuietGdal quiet;
    dataset_ = std::make_unique<Dataset>();
    Dataset &d = *dataset_;
    d.heights = options.heights;
    d.quality = options.quality;
    if (options.transaction > 0)
        d.perTransaction = options.transaction;
    const auto fail = [&error, &path](const char *what) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, QuietGdal::lastMessage(what));
        return false;
    };
    GDALDriverH driver = GDALGetDriverByName(options.driver.toUtf8().constData());
    d.dataset = GDALCreate(driver, path.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr);
    if (!d.dataset)
        return fail("the driver cannot create it");
    if (!options.crsWkt.empty()) {
        d.srs = OSRNewSpatialReference(nullptr);
        if (OSRSetFromUserInput(d.srs, options.crsWkt.c_str()) != OGRERR_NONE)
            return fail("GDAL does not take the coordinate system");
        // Positions are handed over as easting (longitude) first.
        OSRSetAxisMappingStrategy(d.srs, OAMS_TRADITIONAL_GIS_ORDER);
        // A system without identifier is matched by name by some drivers
        // (GeoPackage stores any NAD83 one as EPSG:4269): one of our own keeps it.
        if (!OSRGetAuthorityName(d.srs, nullptr))
            OSRSetAuthority(d.srs, nullptr, kAuthority, systemCode(options.crsWkt));
    }
    // GDAL's CSV driver leaves the geometry out unless told: the converted
    // position is written as the columns X, Y (and Z) before the fields.
    char **layerOptions = nullptr;
    if (options.driver == QLatin1String("CSV"))
        layerOptions = CSLSetNameValue(layerOptions, "GEOMETRY", options.heights ? "AS_XYZ" : "AS_XY");
    // A Shapefile's table is Latin-1 unless told: identifiers stay UTF-8.
    if (options.driver == QLatin1String("ESRI Shapefile"))
        layerOptions = CSLSetNameValue(layerOptions, "ENCODING", "UTF-8");
    d.layer = GDALDatasetCreateLayer(d.dataset, options.layerName.toUtf8().constData(), d.srs,
                                     options.heights ? wkbPoint25D : wkbPoint, layerOptions);
    CSLDestroy(layerOptions);
    if (!d.layer)
        return fail("the driver cannot create the layer");

    OGRFeatureDefnH written = OGR_L_GetLayerDefn(d.layer);
    if (source) {
        OGRFeatureDefnH read = OGR_L_GetLayerDefn(source->layer_->layer);
        for (int i = 0; i < OGR_FD_GetFieldCount(read); ++i) {
            const int index = OGR_FD_GetFieldCount(written);
            if (OGR_L_CreateField(d.layer, OGR_FD_GetFieldDefn(read, i), TRUE) != OGRERR_NONE)
                return fail("the driver cannot create the fields");
            d.fieldMap.push_back(index);
        }
    } else {
        OGRFieldDefnH id = OGR_Fld_Create(kIdField, OFTString);
        const OGRErr made = OGR_L_CreateField(d.layer, id, TRUE);
        OGR_Fld_Destroy(id);
        if (made != OGRERR_NONE)
            return fail("the driver cannot create the fields");
        d.idField = OGR_FD_GetFieldIndex(written, kIdField);
        for (const std::string &name : options.passFields) {
            OGRFieldDefnH field = OGR_Fld_Create(name.c_str(), OFTString);
            const OGRErr added = OGR_L_CreateField(d.layer, field, TRUE);
            OGR_Fld_Destroy(field);
            if (added != OGRERR_NONE)
                return fail("the driver cannot create the fields");
            d.passFields.push_back(OGR_FD_GetFieldCount(written) - 1);
        }
    }
    const char *const shiftNames[] = {kShiftField, kAzimuthField, kDeltaHField, kSigmaHorizontalField,
                                      kSigmaVerticalField};
    for (int k = 0; k < (options.quality ? 5 : 3); ++k) {
        d.shiftFields[k] = OGR_FD_GetFieldIndex(written, shiftNames[k]);
        if (d.shiftFields[k] >= 0)
            continue;
        OGRFieldDefnH field = OGR_Fld_Create(shiftNames[k], OFTReal);
        const OGRErr made = OGR_L_CreateField(d.layer, field, TRUE);
        OGR_Fld_Destroy(field);
        d.shiftFields[k] = OGR_FD_GetFieldIndex(written, shiftNames[k]);
        if (made != OGRERR_NONE || d.shiftFields[k] < 0)
            return fail("the driver cannot create the fields");
    }
    d.transactions = GDALDatasetTestCapability(d.dataset, ODsCTransactions);
    return true;
}

bool GisPointWriter::write(const GisBatch &batch, const std::vector<GisTarget> &targets, QString &error)
{
    const QuietGdal quiet;
    Dataset &d = *dataset_;
    OGRFeatureDefnH definition = OGR_L_GetLayerDefn(d.layer);
    const bool copyFields = batch.features && !d.fieldMap.empty();
    for (const GisTarget &target : targets) {
        if (d.transactions && !d.inTransaction) {
            if (GDALDatasetStartTransaction(d.dataset, FALSE) != OGRERR_NONE) {
                error = QuietGdal::lastMessage("cannot start a transaction");
                return false;
            }
            d.inTransaction = true;
        }
        OGRFeatureH feature = OGR_F_Create(definition);
        if (copyFields)
            OGR_F_SetFromWithMap(feature, batch.features->features[target.index], TRUE, d.fieldMap.data());
        else if (d.idField >= 0)
            OGR_F_SetFieldString(feature, d.idField, batch.points[target.index].id.toLatin1().constData());
        const size_t passCount = d.passFields.size();
        for (size_t k = 0; k < passCount && (target.index + 1) * passCount <= batch.passValues.size(); ++k)
            OGR_F_SetFieldString(feature, d.passFields[k], batch.passValues[target.index * passCount + k].c_str());
        OGR_F_SetFID(feature, OGRNullFID);
        OGRGeometryH point = nullptr;
        if (target.placed) {
            point = OGR_G_CreateGeometry(d.heights ? wkbPoint25D : wkbPoint);
            if (d.heights)
                OGR_G_SetPoint(point, 0, target.x, target.y, target.z);
            else
                OGR_G_SetPoint_2D(point, 0, target.x, target.y);
        }
        OGR_F_SetGeometryDirectly(feature, point);
        const double values[] = {target.s, target.azimuth, target.deltaH, target.sigmaHorizontal, target.sigmaVertical};
        for (int k = 0; k < (d.quality ? 5 : 3); ++k) {
            const bool known = k < 3 ? target.placed : target.hasSigma;
            if (known)
                OGR_F_SetFieldDouble(feature, d.shiftFields[k], values[k]);
            else
                OGR_F_SetFieldNull(feature, d.shiftFields[k]);
        }
        const OGRErr made = OGR_L_CreateFeature(d.layer, feature);
        OGR_F_Destroy(feature);
        if (made != OGRERR_NONE) {
            error = QuietGdal::lastMessage("the driver refused a feature");
            return false;
        }
        if (d.inTransaction && ++d.pending >= d.perTransaction) {
            d.pending = 0;
            d.inTransaction = false;
            if (GDALDatasetCommitTransaction(d.dataset) != OGRERR_NONE) {
                error = QuietGdal::lastMessage("cannot commit a transaction");
                return false;
            }
        }
    }
    return true;
}

namespace {

const char *residualStateName(ResidualState state)
{
    switch (state) {
    case ResidualState::Validated:
        return "validated";
    case ResidualState::Boundary:
        return "boundary";
    case ResidualState::Unused:
        return "unused";
    case ResidualState::Irregular:
        break;
    }
    return "irregular";
}

}  // namespace

bool writeResidualLayer(const QString &path, const QString &driver, const std::string &crsWkt,
                        const std::vector<PointRecord> &control, const std::vector<ControlResidual> &residuals,
                        QString &error)
{
    if (!GisPointWriter::checkDriver(driver, error))
        return false;
    const QuietGdal quiet;
    GisPointWriter::Dataset d;
    const auto fail = [&error, &path](const char *what) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, QuietGdal::lastMessage(what));
        return false;
    };
    d.dataset = GDALCreate(GDALGetDriverByName(driver.toUtf8().constData()), path.toUtf8().constData(), 0, 0, 0,
                           GDT_Unknown, nullptr);
    if (!d.dataset)
        return fail("the driver cannot create it");
    if (!crsWkt.empty()) {
        d.srs = OSRNewSpatialReference(nullptr);
        if (OSRSetFromUserInput(d.srs, crsWkt.c_str()) != OGRERR_NONE)
            return fail("GDAL does not take the coordinate system");
        OSRSetAxisMappingStrategy(d.srs, OAMS_TRADITIONAL_GIS_ORDER);
        if (!OSRGetAuthorityName(d.srs, nullptr))
            OSRSetAuthority(d.srs, nullptr, kAuthority, systemCode(crsWkt));
    }
    d.layer = GDALDatasetCreateLayer(d.dataset, "residuals", d.srs, wkbPoint25D, nullptr);
    if (!d.layer)
        return fail("the driver cannot create the layer");
    const std::pair<const char *, OGRFieldType> fields[] = {{kIdField, OFTString}, {"state", OFTString},
                                                            {"east_m", OFTReal},   {"north_m", OFTReal},
                                                            {"up_m", OFTReal},     {"horizontal_m", OFTReal}};
    for (const auto &[name, type] : fields) {
        OGRFieldDefnH field = OGR_Fld_Create(name, type);
        const OGRErr made = OGR_L_CreateField(d.layer, field, TRUE);
        OGR_Fld_Destroy(field);
        if (made != OGRERR_NONE)
            return fail("the driver cannot create the fields");
    }
    const bool transaction = GDALDatasetTestCapability(d.dataset, ODsCTransactions) &&
                             GDALDatasetStartTransaction(d.dataset, FALSE) == OGRERR_NONE;
    OGRFeatureDefnH definition = OGR_L_GetLayerDefn(d.layer);
    for (size_t i = 0; i < control.size() && i < residuals.size(); ++i) {
        const PointRecord &p = control[i];
        const ControlResidual &r = residuals[i];
        OGRFeatureH feature = OGR_F_Create(definition);
        OGR_F_SetFieldString(feature, 0, p.id.toLatin1().constData());
        OGR_F_SetFieldString(feature, 1, residualStateName(r.state));
        const double values[] = {r.east, r.north, r.up, r.horizontal};
        for (int k = 0; k < 4; ++k) {
            if (r.state == ResidualState::Validated)
                OGR_F_SetFieldDouble(feature, 2 + k, values[k]);
            else
                OGR_F_SetFieldNull(feature, 2 + k);
        }
        OGRGeometryH point = OGR_G_CreateGeometry(wkbPoint25D);
        OGR_G_SetPoint(point, 0, p.x, p.y, p.h);
        OGR_F_SetGeometryDirectly(feature, point);
        const OGRErr made = OGR_L_CreateFeature(d.layer, feature);
        OGR_F_Destroy(feature);
        if (made != OGRERR_NONE)
            return fail("the driver refused a feature");
    }
    if (transaction && GDALDatasetCommitTransaction(d.dataset) != OGRERR_NONE)
        return fail("cannot commit a transaction");
    CPLErrorReset();
    GDALClose(d.dataset);
    d.dataset = nullptr;
    if (CPLGetLastErrorType() >= CE_Failure)
        return fail("cannot finish the file");
    return true;
}

bool GisPointWriter::close(QString &error)
{
    const QuietGdal quiet;
    Dataset &d = *dataset_;
    if (d.inTransaction && GDALDatasetCommitTransaction(d.dataset) != OGRERR_NONE) {
        error = QuietGdal::lastMessage("cannot commit a transaction");
        return false;
    }
    d.inTransaction = false;
    CPLErrorReset();
    GDALClose(d.dataset);
    d.dataset = nullptr;
    if (CPLGetLastErrorType() >= CE_Failure) {
        error = QuietGdal::lastMessage("cannot finish the file");
        return false;
    }
    return true;
}

}  // namespace veltrane

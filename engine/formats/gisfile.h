#pragma once
// Points in GIS files, through GDAL's vector drivers: a layer of point
// features read in batches (identifier, position, height), and a layer
// written by the driver a file name or a driver name gives, which keeps every
// field of the features read and adds the shift's fields. GDAL's own types
// stay in gisfile.cpp.

#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// Registers GDAL's drivers, once per process.
void registerGisDrivers();

// Whether `path` names a GIS file by its extension (.gpkg, .shp, .geojson,
// .json, .fgb, .gml, .dxf, any case); every other name is a text file.
bool isGisFileName(const QString &path);

// The GDAL driver that writes files of `path`'s extension; empty for a text file.
QString gisDriverForName(const QString &path);

// The extension of the files GDAL's `driver` writes ("gpkg" for "GPKG");
// empty when the driver names none.
QString gisExtensionForDriver(const QString &driver);

// The file name GDAL's `driver` is to write `path` under: `path`'s own when
// its extension is the driver's (or the driver names none), otherwise its
// base name with the driver's extension, the file to be put in place under
// `path` after, so that a file written beside it (GML's schema) keeps the
// name the layer refers to it by. Empty with `error` set for a driver that
// writes several files named alike (a Shapefile's .shp, .shx and .dbf) under
// a name of another extension.
QString gisWorkName(const QString &driver, const QString &path, QString &error);

// Names of the fields taken as the identifier when none is given, in order.
extern const char *const kDefaultIdFields[4];

struct GisReadOptions {
    QString layer;        // empty: the first layer with points
    QString idField;      // empty: the first of kDefaultIdFields, otherwise the feature id
    QString heightField;  // empty: Z of the geometry, 0 without one
};

// The features of one batch as read, for the writer to copy their fields.
class GisFeatures;

struct GisBatch {
    GisBatch();
    ~GisBatch();
    GisBatch(GisBatch &&) noexcept;
    GisBatch &operator=(GisBatch &&) noexcept;

    // One record per point feature, with x, y, h and id set. The identifier
    // holds the field's UTF-8 bytes one per character, as a text file's
    // identifier holds its bytes, so that every output writes them unchanged.
    std::vector<PointRecord> points;
    // Features that give no point ("feature 12: no point geometry"); they
    // are not in `points`.
    std::vector<QString> rejected;
    std::unique_ptr<GisFeatures> features;  // parallel to `points`
    // The values of the pass-through fields of each point, as many per point,
    // in order: a GIS layer's other fields (GisPointReader::keepPassFields),
    // or a text file's other columns for a GIS writer.
    std::vector<std::string> passValues;
};

class GisPointReader {
public:
    GisPointReader();
    ~GisPointReader();
    GisPointReader(const GisPointReader &) = delete;
    GisPointReader &operator=(const GisPointReader &) = delete;

    // Opens the layer. False with `error` set when GDAL cannot open the
    // file, it has no such layer, no layer with points, or no such field.
    bool open(const QString &path, const GisReadOptions &options, QString &error);

    QString layerName() const;
    // The layer's coordinate system as WKT2; empty when it names none.
    std::string crsWkt() const;
    // Whether heights come from the geometry's Z or a height field.
    bool hasHeights() const;
    // The layer's feature count, or -1 when the driver must read it all to tell.
    int64_t featureCount() const;
    // Reads the values of every field but the identifier and the height
    // into GisBatch::passValues, for an output that is no GIS layer.
    void keepPassFields();
    // The names of those fields, in order; none unless kept.
    std::vector<std::string> passNames() const;

    // Reads up to `count` features into `batch`; false at the layer's end
    // with nothing read. A field that is no number as the height gives
    // `error` and false.
    bool next(size_t count, GisBatch &batch, QString &error);

    struct Layer;

private:
    friend class GisPointWriter;  // copies the layer's fields
    std::unique_ptr<Layer> layer_;
};

// What a written feature says of its point.
struct GisTarget {
    size_t index = 0;     // of the point in its batch
    bool placed = false;  // false: written without geometry (outside the network)
    double x = 0.0, y = 0.0, z = 0.0;
    double s = 0.0;        // metres
    double azimuth = 0.0;  // degrees from north
    double deltaH = 0.0;
    bool hasSigma = false;
    double sigmaHorizontal = 0.0;
    double sigmaVertical = 0.0;
};

struct GisWriteOptions {
    QString driver;        // GDAL's short name ("GPKG")
    QString layerName;     // the written layer's name
    std::string crsWkt;    // the layer's coordinate system; empty: none
    bool heights = true;   // points with Z
    bool quality = false;  // also the fields sigma_h and sigma_v
    // Text fields after "id" without a source layer, taking GisBatch::passValues.
    std::vector<std::string> passFields;
    size_t transaction = 0;  // features per transaction; 0: the writer's default
};

class GisPointWriter {
public:
    GisPointWriter();
    ~GisPointWriter();
    GisPointWriter(const GisPointWriter &) = delete;
    GisPointWriter &operator=(const GisPointWriter &) = delete;

    // Whether GDAL has the driver and it creates vector files; false with
    // `error` set otherwise.
    static bool checkDriver(const QString &driver, QString &error);

    // Creates the file at `path` with one layer: the fields of `source`'s
    // layer (or a text field "id" without one), then s, azimuth, delta_h and
    // with options.quality sigma_h, sigma_v (a field of the same name is
    // reused). False with `error` set.
    bool create(const QString &path, const GisWriteOptions &options, const GisPointReader *source, QString &error);

    // Writes one feature per target: the fields of the batch's feature (or
    // its identifier), the position and the shift's fields.
    bool write(const GisBatch &batch, const std::vector<GisTarget> &targets, QString &error);

    // Commits what is pending and closes the file; false with `error` set.
    bool close(QString &error);

    struct Dataset;

private:
    std::unique_ptr<Dataset> dataset_;
};

// Writes the network check's residuals as a point layer "residuals" of a new
// file at `path` through `driver`: one feature per control point at its
// source position (longitude, latitude, height in the system `crsWkt`),
// with the fields id, state (validated, boundary, unused, irregular) and
// the residual file's east_m, north_m, up_m, horizontal_m (empty unless
// validated). False with `error` set.
bool writeResidualLayer(const QString &path, const QString &driver, const std::string &crsWkt,
                        const std::vector<PointRecord> &control, const std::vector<ControlResidual> &residuals,
                        QString &error);

}  // namespace veltrane

#include "engine/run/runstages.h"

#include "engine/formats/gisfile.h"
#include "engine/formats/gridoutput.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/tinshiftexport.h"
#include "engine/formats/validationreport.h"
#include "engine/geodesy/coordinatesystem.h"
#include "engine/network/networkfacts.h"

#include <QFileInfo>

namespace veltrane {

// Opens one output of the run. The command stops at the first that cannot
// be written; the window's run converts all the same, for its view, and
// reports the outputs at the end.
bool Run::addOutput(const QString &path, RunOutputs::Handle &handle)
{
    QString error;
    handle = outputs_.add(path, error);
    if (handle != RunOutputs::kNoOutput)
        return true;
    if (options_.strict)
        return failed(error);
    deferredErrors_.append(error);
    return true;
}

bool Run::openOutputs()
{
    for (const QString &path : {options_.network.source, options_.network.target, options_.network.tin})
        outputs_.protect(path);
    if (!options_.inputStream)
        outputs_.protect(options_.input);

    if (isGisOutput()) {
        if (!openGisOutput())
            return false;
    } else if (options_.outputStream)
        points_ = outputs_.addStream(options_.outputStream, QStringLiteral("standard output"));
    else if (!addOutput(options_.output, points_))
        return false;
    if (!options_.controlShift.isEmpty() && !addOutput(options_.controlShift, controlShift_))
        return false;
    if (!options_.tinshift.isEmpty() && !addOutput(options_.tinshift, tinshift_))
        return false;
    if (!options_.quality.isEmpty() && !addOutput(options_.quality, quality_))
        return false;
    if (!options_.record.isEmpty() && !addOutput(options_.record, record_))
        return false;
    if (!deferredErrors_.isEmpty())
        return true;  // nothing is written; the window's run still converts

    QString error;
    std::string header = grid_ ? gridOutputHeader(grid_->layout()) : outputHeaderText(options_.style);
    const std::vector<std::string> names = passNames();
    appendPassFields(header, names.data(), names.size(), options_.style.separator());
    if (!gisWriter_ && !outputs_.write(points_, header, error))
        return failed(error);
    if (controlShift_ != RunOutputs::kNoOutput) {
        // The control points are in degrees whatever the points' system.
        std::string text = outputHeaderText(options_.style);
        appendShiftLines(text, control_->data(), control_->size(), options_.settings.direction, options_.decimals,
                         options_.style);
        if (!outputs_.write(controlShift_, text, error))
            return failed(error);
    }
    if (tinshift_ != RunOutputs::kNoOutput) {
        TinshiftMetadata metadata;
        if (!exportMetadata(metadata))
            return false;
        QByteArray json;
        if (!tinshiftText(options_.tinshift, *control_, *triangles_, options_.settings.direction, metadata, json,
                          error))
            return failed(error);
        if (!outputs_.write(tinshift_, json.constData(), size_t(json.size()), error))
            return failed(error);
    }
    if (quality_ != RunOutputs::kNoOutput &&
        !outputs_.write(quality_, kQualityFileHeader, std::strlen(kQualityFileHeader), error))
        return failed(error);
    return true;
}

// The export's descriptive fields: the program's version, today's UTC date,
// the licence, and the network files the run read, with their digests.
bool Run::exportMetadata(TinshiftMetadata &metadata)
{
    metadata.version = options_.version;
    metadata.license = options_.exportLicense;
    metadata.fallback =
        options_.outside == OutsidePoints::Nearest ? TinshiftFallback::NearestSide : TinshiftFallback::None;
    QString error;
    return describeNetworkFiles(options_.settings, options_.network, options_.tinshift, metadata, error) ||
           failed(error);
}

bool Run::isGisOutput() const
{
    return !options_.outputStream && (!options_.outputFormat.isEmpty() || isGisFileName(options_.output));
}

// The converted points as features of a GIS file, made beside its name and
// put in place with the other outputs. A GIS input's features keep their
// fields; a text input's points become features with their identifier.
bool Run::openGisOutput()
{
    QString error;
    const QString driver = options_.outputFormat.isEmpty() ? gisDriverForName(options_.output) : options_.outputFormat;
    if (!GisPointWriter::checkDriver(driver, error))
        return failed(QStringLiteral("Cannot write %1: %2").arg(options_.output, error));
    // The driver writes a file of its own extension; under another name a
    // single file is put in place under the name given.
    const QString workName = gisWorkName(driver, options_.output, error);
    if (workName.isEmpty())
        return failed(QStringLiteral("Cannot write %1: %2").arg(options_.output, error));
    gisWriter_ = std::make_unique<GisPointWriter>();
    gisDriver_ = driver;
    GisPointWriter *writer = gisWriter_.get();
    QString workPath;
    points_ = outputs_.addStaged(
        options_.output, [writer](QString &closeError) { return writer->close(closeError); }, workPath, error,
        workName);
    if (points_ == RunOutputs::kNoOutput)
        return failed(error);
    GisWriteOptions options;
    options.driver = driver;
    options.layerName = gisInput_ ? gisInput_->layerName() : textLayerName();
    options.crsWkt = gisOutputWkt_;
    // A text input's heights are known once its first lines are read: its
    // points are written with Z, zero without a height column.
    options.heights = gisInput_ ? gisInput_->hasHeights() : true;
    options.quality = !options_.quality.isEmpty();
    if (!gisInput_)
        options.passFields = passNames();
    if (!writer->create(workPath, options, gisInput_.get(), error))
        return failed(error.replace(workPath, options_.output));
    return true;
}

// The layer a text input's points make: named after the input file, as GDAL
// names the layer of a CSV file.
QString Run::textLayerName() const
{
    return options_.inputStream ? QStringLiteral("points") : QFileInfo(options_.input).completeBaseName();
}

}  // namespace veltrane

#include "engine/run/runstages.h"

#include "engine/formats/gisfile.h"
#include "engine/formats/validationreport.h"
#include "engine/geodesy/coordinatesystem.h"
#include "engine/network/networkfacts.h"
#include "engine/network/networkvalidation.h"

namespace veltrane {

bool Run::writeCheckOutputs(const NetworkValidation &validation, RunOutputs::Handle report, RunOutputs::Handle picture)
{
    QString error;
    const std::string text = validationReportText(control_->data(), validation.residuals.data(), control_->size());
    if (report != RunOutputs::kNoOutput && !outputs_.write(report, text, error))
        return failed(error);
    if (picture != RunOutputs::kNoOutput) {
        QByteArray image;
        if (!options_.renderPicture(options_.plot, *control_, *triangles_, validation, image, error))
            return failed(error);
        if (!outputs_.write(picture, image.constData(), size_t(image.size()), error))
            return failed(error);
    }
    if (!outputs_.commit(error))
        return failed(error);
    return true;
}

RunResult Run::checkNetwork()
{
    result_.outcome = RunOutcome::Failed;
    for (const QString &path : {options_.network.source, options_.network.target, options_.network.tin})
        outputs_.protect(path);
    RunOutputs::Handle report = RunOutputs::kNoOutput, picture = RunOutputs::kNoOutput;
    // A residual file of a GIS format is a point layer that GDAL writes in
    // a folder of its own, put in place with the others.
    const bool gisReport = isGisFileName(options_.report);
    QString reportWorkPath, error;
    if (gisReport) {
        QString driverError;
        if (!GisPointWriter::checkDriver(gisDriverForName(options_.report), driverError)) {
            failed(QStringLiteral("Cannot write %1: %2").arg(options_.report, driverError));
            return result_;
        }
        report = outputs_.addStaged(
            options_.report, [](QString &) { return true; }, reportWorkPath, error);
        if (report == RunOutputs::kNoOutput) {
            failed(error);
            return result_;
        }
    }
    if ((!gisReport && !addOutput(options_.report, report)) ||
        (!options_.plot.isEmpty() && !addOutput(options_.plot, picture)) || !buildNetwork())
        return result_;

    const NetworkValidation validation = validateNetwork(*control_, *triangles_);
    if (gisReport) {
        QString sourceSystem, targetSystem;
        networkSystems(options_.settings.direction, sourceSystem, targetSystem);
        if (!writeResidualLayer(reportWorkPath, gisDriverForName(options_.report), sourceSystem.toStdString(),
                                *control_, validation.residuals, error)) {
            failed(error.replace(reportWorkPath, options_.report));
            return result_;
        }
    }
    if (!writeCheckOutputs(validation, gisReport ? RunOutputs::kNoOutput : report, picture))
        return result_;
    result_.outcome = RunOutcome::Completed;
    reporter_.summary(validationSummaryLine(validation.summary, *control_));
    return result_;
}

}  // namespace veltrane

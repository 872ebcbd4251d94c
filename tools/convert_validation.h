#pragma once
// The network check of veltrane-convert: --validate-network with its
// residual file and picture, and the --quality file beside a conversion.

#include "engine/conversion.h"
#include "engine/pointshift.h"

#include <QCoreApplication>
#include <QSize>
#include <QString>
#include <memory>

namespace veltrane {

struct ValidationOptions {
    bool validateNetwork = false;
    QString report;   // residual file; empty: network_validation.csv in the work folder
    QString plot;     // picture; empty: none
    QSize plotSize;   // empty: the default size
    QString quality;  // uncertainty file beside a conversion; empty: none
};

// Reads a --plot-size value, "WIDTHxHEIGHT"; false when it is not one or
// not a size the picture may have. plotSizeUsage() says which sizes are.
bool parsePlotSize(const QString &text, QSize &size);
QString plotSizeUsage();

// Checks the options against each other and the presence of INPUT; returns
// an error text, empty when they fit.
QString checkValidationOptions(const ValidationOptions &options, bool haveInput);

// The application object: a QGuiApplication on the minimal platform when
// the arguments ask for a picture (its text needs one), else a QCoreApplication.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv);

// Checks the network of `settings` in `workDir`, writes the residual file
// (and the picture), prints a summary on standard error; returns the exit
// status (0 done, 1 a file could not be written).
int runNetworkValidation(const ConversionSettings &settings, const NetworkFiles &files, const QString &workDir,
                         const ValidationOptions &options);

// Writes the uncertainty file of converted points over the network
// (`control`, `triangles`), given each point's status and the triangle that
// gave it its shift; false with `error` set.
bool writeQualityFile(const QString &path, const std::vector<PointRecord> &control,
                      const std::vector<Triangle> &triangles, const std::vector<PointRecord> &points,
                      const std::vector<PointStatus> &converted, const std::vector<int32_t> &holding, QString &error);

}  // namespace veltrane

#include "engine/run/runstages.h"

#include "engine/formats/gisfile.h"
#include "engine/formats/pointfile.h"
#include "engine/geodesy/coordinatesystem.h"
#include "engine/network/networkfacts.h"

#include <cerrno>
#include <tuple>

#include <sys/stat.h>

namespace veltrane {

namespace {

// Whether two names, or a name and an open stream, reach the same file.
bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool statOf(const QString &path, struct stat &status)
{
    return ::stat(QFile::encodeName(path).constData(), &status) == 0;
}

}  // namespace

bool Run::openInput()
{
    if (options_.inputStream) {
        input_ = options_.inputStream;
        return true;
    }
    if (isGisFileName(options_.input)) {
        gisInput_ = std::make_unique<GisPointReader>();
        QString error;
        return gisInput_->open(options_.input, options_.gis, error) || failed(error);
    }
    InputProblem problem = InputProblem::None;
    input_ = openInputFile(localPath(options_.input), problem);
    if (input_) {
        ownsInput_ = true;
        return true;
    }
    // Neither front end converts what is no points file: nothing is written.
    const int error = errno;
    bool leadingName = false;
    const QString text = inputProblemText(options_.input, problem, error, leadingName);
    return failed(text, leadingName);
}

// Network files that cannot be read as the run means to: standard input
// read twice, or one file as both realizations.
bool Run::checkNetworkFiles()
{
    struct stat source = {};
    struct stat target = {};
    struct stat input = {};
    const bool haveSource = statOf(options_.network.source, source);
    const bool haveTarget = statOf(options_.network.target, target);
    if (input_ && options_.inputStream && ::fstat(fileno(input_), &input) == 0 && !S_ISREG(input.st_mode)) {
        // A stream can be read once only: as the input or as a network file.
        for (const auto &[name, have, status] : {std::tie(options_.network.source, haveSource, source),
                                                 std::tie(options_.network.target, haveTarget, target)}) {
            if (have && sameFile(status, input))
                return failed(
                    QStringLiteral("Cannot read %1: it is standard input, which is read as the input").arg(name));
        }
    }
    if (haveSource && haveTarget && sameFile(source, target))
        reporter_.warning(QStringLiteral("%1 is the control file of both realizations: every shift is zero.")
                              .arg(options_.network.source));
    return true;
}

// The conversion of the points' coordinate systems, when one of them is no
// geographic system: degrees in and out are read and written as always.
bool Run::prepareCoordinateSystems()
{
    CoordinateSystem input, output;
    std::string error;
    // A GIS layer names its system, unless --crs says otherwise.
    const std::string layerCrs = gisInput_ && options_.crs.empty() ? gisInput_->crsWkt() : std::string();
    const std::string &inputCrs = layerCrs.empty() ? options_.crs : layerCrs;
    if (!layerCrs.empty() && !describeCoordinateSystem(layerCrs, input, error))
        return failed(QStringLiteral("Unusable coordinate system of layer %1: %2; give the points' system with --crs")
                          .arg(gisInput_->layerName(), QString::fromStdString(error.substr(layerCrs.size() + 2))));
    for (const auto &[definition, system] : {std::tie(options_.crs, input), std::tie(options_.outputCrs, output)}) {
        if (!definition.empty() && !describeCoordinateSystem(definition, system, error))
            return failed(QStringLiteral("Unusable coordinate system %1").arg(QString::fromStdString(error)));
    }
    if (options_.outputCrs.empty())
        output = input;
    // West longitudes are mended for a file in degrees only: eastings and
    // geocentric coordinates made negative would all lie outside the network.
    if (options_.settings.forceNegative && input.kind != CoordinateKind::Geographic)
        return failed(QStringLiteral("Longitudes are to be made west ones (force negative), but the points are in %1, "
                                     "which has no longitudes; nothing was converted.")
                          .arg(QString::fromStdString(input.name)));
    if (isGisOutput()) {
        // The written layer's system is the targets', on the target realization.
        const DatumDirection direction = options_.settings.direction;
        gisOutputWkt_ = renamedDatumWkt(options_.outputCrs.empty() ? inputCrs : options_.outputCrs,
                                        targetSystemName(direction), targetDatumName(direction), error);
        if (gisOutputWkt_.empty())
            return failed(QString::fromStdString(error));
    }
    if (input.kind == CoordinateKind::Geographic && output.kind == CoordinateKind::Geographic)
        return true;
    // Grid lines are written with decimal points and separated by commas;
    // angles in degrees, minutes and seconds are no grid coordinates.
    if (!options_.style.isDefault() || options_.layout.decimalComma || options_.layout.angles != AngleStyle::Decimal)
        return failed(QStringLiteral("Grid coordinates are read and written with decimal points, and not as angles: "
                                     "--decimal-comma, --angles and --angles-out need degrees in and out"));
    grid_ = std::make_unique<GridConversion>(input, output, options_.settings.direction);
    if (!grid_->ready(error))
        return failed(QString::fromStdString(error));
    return true;
}

bool Run::buildNetwork()
{
    const StatusSink status = [this](const QString &text, int percent) { reporter_.status(text, percent); };
    DiagnosticSink dumps;
    if (reporter_.wantsDiagnostics())
        dumps = [this](const std::string &text) { reporter_.diagnostic(text); };
    network_ = buildControlNetwork(options_.settings, options_.network, status, dumps, options_.networkByteLimit);
    if (options_.strict) {
        bool leadingName = false;
        const QString problem = networkProblem(options_.network, network_, leadingName);
        if (!problem.isEmpty())
            return failed(problem, leadingName);
    }
    result_.nTinVerts = network_.nTinVerts;
    result_.controlExtent = network_.controlExtent;
    control_ = std::make_shared<const std::vector<PointRecord>>(std::move(network_.control));
    triangles_ = std::make_shared<const std::vector<Triangle>>(std::move(network_.triangles));
    return true;
}

// A text input's layout is made definite by its first lines before the
// outputs are opened, since their columns follow the input's; a GIS input
// written as text hands on its other fields.
void Run::openPointSource()
{
    if (gisInput_) {
        if (!isGisOutput())
            gisInput_->keepPassFields();
        return;
    }
    bytes_ = std::make_unique<StreamByteSource>(input_);
    textSource_ = std::make_unique<TextPointSource>(*bytes_, options_.layout);
}

// The columns every output line gets after its own: the input's columns
// or fields that are no coordinate, height or identifier.
std::vector<std::string> Run::passNames() const
{
    if (gisInput_)
        return gisInput_->passNames();
    return textSource_ && textSource_->ok() ? textSource_->layout().passNames : std::vector<std::string>();
}

}  // namespace veltrane

#include "engine/network/networkfacts.h"

#include "engine/files/filedigest.h"
#include "engine/geodesy/coordinatesystem.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstring>
#include <utility>

namespace veltrane {

namespace {

// The geographic 3D system of NAD83(CORS96); NAD83(CORS96a) has no code.
constexpr char kCors96Geographic3D[] = "EPSG:6782";

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString inputProblemText(const QString &name, InputProblem problem, int error, bool &leadingName)
{
    leadingName = false;
    switch (problem) {
    case InputProblem::None:
        break;
    case InputProblem::CannotOpen:
        return QStringLiteral("Cannot read %1: %2").arg(name, reason(error));
    case InputProblem::IsFolder:
        leadingName = true;
        return QStringLiteral("%1 is a folder, not a file").arg(name);
    case InputProblem::IsDevice:
        leadingName = true;
        return QStringLiteral("%1 is a device, not a file or stream").arg(name);
    case InputProblem::ReadError:
        return QStringLiteral("Error reading %1: %2").arg(name, reason(error));
    case InputProblem::TooLarge:
        leadingName = true;
        return QStringLiteral("%1 is larger than %2 MiB, more than any control network; refused")
            .arg(name)
            .arg(kNetworkFileByteLimit >> 20);
    }
    return QString();
}

QString networkProblem(const NetworkFiles &files, const ControlNetwork &network, bool &leadingName)
{
    leadingName = false;
    const std::pair<const QString &, const InputReport &> reads[] = {
        {files.source, network.sourceRead}, {files.target, network.targetRead}, {files.tin, network.tinRead}};
    for (const auto &[name, read] : reads) {
        if (read.problem != InputProblem::None)
            return inputProblemText(name, read.problem, read.error, leadingName);
    }
    if (network.control.empty())
        return QStringLiteral("No control point of %1 could be paired with one of %2").arg(files.source, files.target);
    if (network.triangles.empty())
        return QStringLiteral("The control network has no triangles, so no point can be converted");
    return QString();
}

void networkSystems(DatumDirection direction, QString &source, QString &target)
{
    std::string wktError;
    const QString cors96 = QString::fromLatin1(kCors96Geographic3D);
    const QString cors96a =
        QString::fromStdString(renamedDatumWkt(kCors96Geographic3D, targetSystemName(DatumDirection::Cors96ToCors96a),
                                               targetDatumName(DatumDirection::Cors96ToCors96a), wktError))
            .simplified();
    const bool forward = direction == DatumDirection::Cors96ToCors96a;
    source = forward ? cors96 : cors96a;
    target = forward ? cors96a : cors96;
}

bool describeNetworkFiles(const ConversionSettings &settings, const NetworkFiles &files, const QString &exportPath,
                          TinshiftMetadata &metadata, QString &error)
{
    const auto describe = [&](const QString &path, SourceFile &file) {
        file.name = QFileInfo(path).fileName();
        file.sha256 = sha256HexOfFile(path);
        if (file.sha256.isEmpty())
            error = QStringLiteral("Cannot export the network to %1: %2 cannot be read").arg(exportPath, path);
        return !file.sha256.isEmpty();
    };
    metadata.publicationDate = QDateTime::currentDateTimeUtc().date();
    // The vertices are longitude, latitude and ellipsoid height of each
    // realization.
    networkSystems(settings.direction, metadata.inputCrs, metadata.outputCrs);
    metadata.controlFiles.resize(2);
    if (!describe(files.source, metadata.controlFiles[0]) || !describe(files.target, metadata.controlFiles[1]))
        return false;
    if (settings.tinSource == TinSource::Generate)
        return true;
    metadata.tinFile.emplace();
    return describe(files.tin, *metadata.tinFile);
}

}  // namespace veltrane

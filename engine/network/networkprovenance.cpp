#include "engine/network/networkprovenance.h"

#include "engine/files/filedigest.h"

#include <QFileInfo>

namespace veltrane {

namespace {

SourceFile sourceFileOf(const QString &path)
{
    return SourceFile{QFileInfo(path).fileName(), sha256HexOfFile(path)};
}

}  // namespace

NetworkProvenance networkProvenance(const NetworkFiles &files, const ConversionSettings &settings,
                                    const QString &version, const QDateTime &utc)
{
    NetworkProvenance provenance;
    provenance.controlFiles = {sourceFileOf(files.source), sourceFileOf(files.target)};
    if (settings.tinSource == TinSource::FromFile)
        provenance.tinFile = sourceFileOf(files.tin);
    provenance.direction = settings.direction;
    provenance.version = version;
    provenance.utc = utc.toUTC();
    return provenance;
}

QString describeSourceFile(const SourceFile &file)
{
    if (file.sha256.isEmpty())
        return file.name + QStringLiteral(" (unreadable)");
    return QStringLiteral("%1 (SHA-256 %2)").arg(file.name, QString::fromLatin1(file.sha256.left(kShortDigestLength)));
}

QStringList provenanceLines(const NetworkProvenance &provenance)
{
    QStringList controls;
    for (const SourceFile &file : provenance.controlFiles)
        controls << describeSourceFile(file);
    const QString tin = provenance.tinFile ? QStringLiteral("TIN file ") + describeSourceFile(*provenance.tinFile)
                                           : QStringLiteral("TIN by Delaunay triangulation of the control points");
    return {QStringLiteral("Control files: %1; %2").arg(controls.join(QStringLiteral(", ")), tin),
            QStringLiteral("Direction %1 | Veltrane %2 | %3 UTC")
                .arg(QLatin1String(directionName(provenance.direction)), provenance.version,
                     provenance.utc.date().toString(Qt::ISODate))};
}

}  // namespace veltrane

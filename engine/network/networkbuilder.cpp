#include "engine/network/networkbuilder.h"

#include "engine/formats/fixedformat.h"
#include "engine/formats/pointfile.h"
#include "engine/formats/tinfile.h"
#include "engine/geometry/delaunay.h"
#include "engine/geometry/hullcompletion.h"
#include "engine/network/controlnetwork.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace veltrane {

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

std::vector<PointRecord> readPoints(const QString &path, Extent &stats, LongitudeSign sign,
                                    const DiagnosticSink &diagnostics, InputReport &read,
                                    uint64_t byteLimit = kNoByteLimit)
{
    std::vector<std::string> notes;
    std::vector<PointRecord> points =
        readPointFile(localPath(path), stats, sign, diagnostics ? &notes : nullptr, read.problem, byteLimit);
    read.error = errno;
    for (const std::string &text : notes)
        diagnostics(text);
    return points;
}

// Longest text of one dumped item: three fixed numbers and two blanks.
constexpr size_t kDumpItemLength = 3 * kMaxFixedLength + 2;

// The network's vertices or triangles, each item printed by `print` into a
// buffer and appended with no separator, as one diagnostic.
template <typename Item, typename Print>
std::string dumpEach(const std::vector<Item> &items, Print print)
{
    std::string text;
    char buffer[kDumpItemLength + 1];
    for (const Item &item : items) {
        const int n = print(buffer, sizeof buffer, item);
        if (n > 0)
            text.append(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
    }
    return text;
}

// "%lf %lf %lf" as the "C" locale writes it, whatever the process's locale.
std::string dumpVertices(const std::vector<PointRecord> &records)
{
    constexpr int kDumpDecimals = 6;  // as "%lf" writes
    return dumpEach(records, [](char *buffer, size_t, const PointRecord &r) {
        char *end = formatFixed(buffer, r.x, kDumpDecimals);
        *end++ = ' ';
        end = formatFixed(end, r.y, kDumpDecimals);
        *end++ = ' ';
        end = formatFixed(end, r.h, kDumpDecimals);
        return static_cast<int>(end - buffer);
    });
}

QString pairingLine(const PointRecord &r)
{
    return r.id + QStringLiteral(" From: ") + number(r.x) + QLatin1Char(' ') + number(r.y) + QLatin1Char(' ') +
           number(r.h) + QStringLiteral(" To: ") + number(r.xTo) + QLatin1Char(' ') + number(r.yTo) + QLatin1Char(' ') +
           number(r.hTo) + QStringLiteral(" a distance of: ") + number(r.s) + QStringLiteral(" m at azimuth of: ") +
           number(r.azimuth);
}

// What the pairing left out, and control files that gave no point at all.
void reportControlProblems(const ControlPairing &pairing, const QString &sourcePath, const Extent &sourceStats,
                           const QString &targetPath, const Extent &targetStats, const StatusSink &status)
{
    if (sourceStats.count == 0)
        status(QStringLiteral("No control points could be read from %1.").arg(sourcePath), kProgressControl);
    if (targetStats.count == 0)
        status(QStringLiteral("No control points could be read from %1.").arg(targetPath), kProgressControl);
    const auto duplicates = [&status](const QStringList &ids, const QString &path) {
        if (!ids.isEmpty())
            status(QStringLiteral("%1 identifier(s) occur more than once in %2; only the first of each was used: %3")
                       .arg(ids.size())
                       .arg(path, ids.join(QStringLiteral(", "))),
                   kProgressControl);
    };
    duplicates(pairing.duplicateSourceIds, sourcePath);
    duplicates(pairing.duplicateTargetIds, targetPath);
    if (!pairing.nonFiniteIds.isEmpty())
        status(QStringLiteral("%1 control point(s) with a coordinate that is not a finite number were left out: %2")
                   .arg(pairing.nonFiniteIds.size())
                   .arg(pairing.nonFiniteIds.join(QStringLiteral(", "))),
               kProgressControl);
}

// The TIN file's vertices matched to the control records, which they
// replace; returns its triangles.
std::vector<Triangle> applyControlTin(const TinFileContents &tin, const QString &tinPath,
                                      std::vector<PointRecord> &control, uint32_t &nTinVerts, const StatusSink &status,
                                      const DiagnosticSink &diagnostics)
{
    if (!tin.opened)
        status(QStringLiteral("Unable to open the TIN file %1: no triangles.").arg(tinPath), kProgressControl);
    if (tin.droppedFaces > 0) {
        QStringList reasons;
        for (const std::string &problem : tin.problems)
            reasons.append(QString::fromLocal8Bit(problem.c_str()));
        status(QStringLiteral("%1 face line(s) of %2 were dropped: %3")
                   .arg(tin.droppedFaces)
                   .arg(tinPath, reasons.join(QStringLiteral("; "))),
               kProgressControl);
    }
    if (tin.vertices.size() > control.size())
        status(QStringLiteral("The TIN file %1 has %2 vertices but there are only %3 control points.")
                   .arg(tinPath)
                   .arg(tin.vertices.size())
                   .arg(control.size()),
               kProgressControl);

    TinVertexMatch match = matchTinVertices(tin.vertices, control);
    for (uint32_t k = 0; k < match.unmatchedVertices; ++k)
        status(QStringLiteral("ERROR PROCESSING"), kProgressControl);
    control = std::move(match.records);
    nTinVerts = static_cast<uint32_t>(tin.vertices.size());

    if (diagnostics)
        diagnostics(dumpVertices(control));
    return tin.triangles;
}

}  // namespace

std::string dumpTriangles(const std::vector<Triangle> &triangles)
{
    return dumpEach(triangles, [](char *buffer, size_t size, const Triangle &t) {
        return std::snprintf(buffer, size, "%i %i %i", t.p1, t.p2, t.p3);
    });
}

ControlNetwork assembleControlNetwork(const ConversionSettings &settings, const NetworkSources &sources,
                                      const NetworkFiles &names, const StatusSink &status,
                                      const DiagnosticSink &diagnostics)
{
    ControlNetwork network;
    // Control points of both realizations, paired by identifier.
    ControlPairing pairing = pairControlPoints(sources.source, sources.target);
    for (const PointRecord &r : pairing.paired)
        status(pairingLine(r), kProgressControl);
    if (!pairing.unpairedIds.isEmpty())
        status(QStringLiteral("%1 control point(s) of %2 have no partner in %3 and were left out: %4")
                   .arg(pairing.unpairedIds.size())
                   .arg(names.source, names.target, pairing.unpairedIds.join(QStringLiteral(", "))),
               kProgressControl);
    reportControlProblems(pairing, names.source, sources.sourceStats, names.target, sources.targetStats, status);
    network.control = std::move(pairing.paired);

    // The TIN over the control points.
    if (settings.tinSource == TinSource::FromFile) {
        network.triangles =
            applyControlTin(sources.tin, names.tin, network.control, network.nTinVerts, status, diagnostics);
    } else {
        network.nTinVerts = static_cast<uint32_t>(network.control.size());
        sortPointsByX(network.control.data(), network.nTinVerts);
        network.triangles = buildDelaunayTin(network.nTinVerts, network.control.data());
        completeTinToHull(network.nTinVerts, network.control.data(), network.triangles);
    }
    network.controlExtent = mergeStats(sources.sourceStats, sources.targetStats);
    network.controlExtent.count = static_cast<int32_t>(network.control.size());
    if (network.triangles.empty())
        status(QStringLiteral("The control network has no triangles, so no point can be converted."), kProgressControl);
    return network;
}

ControlNetwork buildControlNetwork(const ConversionSettings &settings, const NetworkFiles &files,
                                   const StatusSink &status, const DiagnosticSink &diagnostics, uint64_t byteLimit)
{
    const LongitudeSign sign = longitudeSignOf(settings);
    NetworkSources sources;
    InputReport sourceRead, targetRead, tinRead;
    sources.source = readPoints(files.source, sources.sourceStats, sign, diagnostics, sourceRead, byteLimit);
    sources.target = readPoints(files.target, sources.targetStats, sign, diagnostics, targetRead, byteLimit);
    if (settings.tinSource == TinSource::FromFile) {
        sources.tin = readTinFile(localPath(files.tin), LongitudeSign::ForceWest, byteLimit);
        tinRead = {sources.tin.problem, errno};
    }
    ControlNetwork network = assembleControlNetwork(settings, sources, files, status, diagnostics);
    network.sourceRead = sourceRead;
    network.targetRead = targetRead;
    network.tinRead = tinRead;
    return network;
}

}  // namespace veltrane

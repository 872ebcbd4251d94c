#include "engine/conversion.h"

#include "engine/controlnetwork.h"
#include "engine/delaunay.h"
#include "engine/formats/fileidentity.h"
#include "engine/formats/fixedformat.h"
#include "engine/hullcompletion.h"
#include "engine/formats/outputnames.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/pointfile.h"
#include "engine/pointshift.h"
#include "engine/formats/tinfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace veltrane {

const char *const kControlFileCors96 = "TARVONA_NAD83_CORS96_CONTROL.csv";
const char *const kControlFileCors96a = "TARVONA_NAD83_CORS96a_CONTROL.csv";
const char *const kControlTinFile = "TARVONA_TIN_CONTROL.obj";
const char *const kControlShiftFile = "controlshift.csv";

namespace {

// Progress values, percent, of the stages that report.
constexpr int kProgressStart = 0;
constexpr int kProgressControl = 10;
constexpr int kProgressConverted = 90;

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

std::vector<PointRecord> readPoints(const QString &path, STATS &stats, LongitudeSign sign,
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

std::string dumpTriangles(const std::vector<Triangle> &triangles)
{
    return dumpEach(triangles, [](char *buffer, size_t size, const Triangle &t) {
        return std::snprintf(buffer, size, "%i %i %i", t.p1, t.p2, t.p3);
    });
}

QString pairingLine(const PointRecord &r)
{
    return r.id + QStringLiteral(" From: ") + number(r.x) + QLatin1Char(' ') + number(r.y) + QLatin1Char(' ') +
           number(r.h) + QStringLiteral(" To: ") + number(r.xTo) + QLatin1Char(' ') + number(r.yTo) + QLatin1Char(' ') +
           number(r.hTo) + QStringLiteral(" a distance of: ") + number(r.s) + QStringLiteral(" m at azimuth of: ") +
           number(r.azimuth);
}

// Writes one output file unless it would replace one of `kept`; reports
// every failure. Returns true when the file was written.
bool writeOutput(const QString &path, const std::vector<PointRecord> &records, DatumDirection direction,
                 const ProtectedFiles &kept, const StatusSink &status)
{
    const QString refusal = kept.refusal(path);
    if (!refusal.isEmpty()) {
        status(refusal, kProgressDone);
        return false;
    }
    QString error;
    if (!writeShiftFile(path, records.data(), records.size(), direction, error)) {
        status(error, kProgressDone);
        return false;
    }
    return true;
}

// The files a run reads: the input, both control files and the TIN file.
ProtectedFiles filesReadByRun(const QString &inputPath, const QDir &folder)
{
    ProtectedFiles files;
    files.add(inputPath, FileRole::Read);
    for (const char *name : {kControlFileCors96, kControlFileCors96a, kControlTinFile})
        files.add(folder.filePath(QLatin1String(name)), FileRole::Read);
    return files;
}

// What the pairing left out, and control files that gave no point at all.
void reportControlProblems(const ControlPairing &pairing, const QString &sourcePath, const STATS &sourceStats,
                           const QString &targetPath, const STATS &targetStats, const StatusSink &status)
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

NetworkFiles defaultNetworkFiles(const QString &workDir, DatumDirection direction)
{
    const QDir folder(workDir);
    const bool fromCors96 = direction == DatumDirection::Cors96ToCors96a;
    NetworkFiles files;
    files.source = folder.filePath(QLatin1String(fromCors96 ? kControlFileCors96 : kControlFileCors96a));
    files.target = folder.filePath(QLatin1String(fromCors96 ? kControlFileCors96a : kControlFileCors96));
    files.tin = folder.filePath(QLatin1String(kControlTinFile));
    return files;
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
    network.statsControl = mergeStats(sources.sourceStats, sources.targetStats);
    network.statsControl.count = static_cast<int32_t>(network.control.size());
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

ConversionResult runConversion(const ConversionSettings &settings, const QString &inputPath, const QString &secondPath,
                               const QString &workDir, const StatusSink &status, const DiagnosticSink &diagnostics)
{
    status(QStringLiteral("Begin Processing"), kProgressStart);
    QElapsedTimer stopwatch;
    stopwatch.start();

    ConversionResult result;
    result.ptsControl = std::make_shared<const std::vector<PointRecord>>();
    result.ptsInput = std::make_shared<const std::vector<PointRecord>>();
    result.tris = std::make_shared<const std::vector<Triangle>>();
    if (inputPath.isEmpty()) {
        result.outcome = ConversionOutcome::EmptyInputPath;
        return result;
    }

    status(QStringLiteral("Processing Input Files:  "), kProgressStart);
    status(inputPath, kProgressStart);
    status(secondPath, kProgressStart);

    const NetworkFiles files = defaultNetworkFiles(workDir, settings.direction);
    ControlNetwork network = buildControlNetwork(settings, files, status, diagnostics);
    std::vector<PointRecord> control = std::move(network.control);
    std::vector<Triangle> triangles = std::move(network.triangles);
    result.nTinVerts = network.nTinVerts;
    result.statsControl = network.statsControl;
    result.nTris = static_cast<uint32_t>(triangles.size());

    // The input points and their shifts.
    const LongitudeSign sign = longitudeSignOf(settings);
    InputReport inputRead;
    std::vector<PointRecord> input = readPoints(inputPath, result.statsInput, sign, diagnostics, inputRead);
    if (input.empty())
        status(QStringLiteral("No points could be read from %1.").arg(inputPath), kProgressConverted);
    const uint32_t untaken = convertPoints(input, control, triangles);
    if (untaken > 0)
        status(QStringLiteral("%1 of %2 points lie outside the control network and were left unconverted.")
                   .arg(untaken)
                   .arg(input.size()),
               kProgressConverted);
    status(QStringLiteral("Completed in %1 ms.").arg(stopwatch.elapsed()), kProgressDone);

    // Output files; neither may replace a file this run reads.
    result.outFile = deriveOutputPath(inputPath);
    const QDir folder(workDir);
    const QString controlShiftPath = folder.filePath(QLatin1String(kControlShiftFile));
    ProtectedFiles kept = filesReadByRun(inputPath, folder);
    bool written = writeOutput(result.outFile, input, settings.direction, kept, status);
    kept.add(result.outFile, FileRole::Written);
    written = writeOutput(controlShiftPath, control, settings.direction, kept, status) && written;
    result.outcome = written ? ConversionOutcome::Completed : ConversionOutcome::OutputNotWritten;

    if (diagnostics)
        diagnostics(dumpTriangles(triangles));

    result.unconvertedPoints = untaken;
    result.controlShiftFile = controlShiftPath;
    result.ptsControl = std::make_shared<const std::vector<PointRecord>>(std::move(control));
    result.ptsInput = std::make_shared<const std::vector<PointRecord>>(std::move(input));
    result.tris = std::make_shared<const std::vector<Triangle>>(std::move(triangles));
    return result;
}

ProtectedFiles filesOfRun(const QString &inputPath, const QString &workDir)
{
    const QDir folder(workDir);
    ProtectedFiles files = filesReadByRun(inputPath, folder);
    files.add(deriveOutputPath(inputPath), FileRole::Written);
    files.add(folder.filePath(QLatin1String(kControlShiftFile)), FileRole::Written);
    return files;
}

}  // namespace veltrane

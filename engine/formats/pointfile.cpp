#include "engine/formats/pointfile.h"

#include "engine/base/parallel.h"
#include "engine/formats/pointlinescan.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>

namespace veltrane {

namespace {

void widenExtents(Extent &stats, double x, double y, double h)
{
    if (x > stats.xMax)
        stats.xMax = x;
    else if (x < stats.xMin)
        stats.xMin = x;
    if (y > stats.yMax)
        stats.yMax = y;
    else if (y < stats.yMin)
        stats.yMin = y;
    if (h > stats.zMax)
        stats.zMax = h;
    else if (h < stats.zMin)
        stats.zMin = h;
}

// Appends one printf-formatted diagnostic when the caller collects them.
template <typename... Args>
void note(std::vector<std::string> *diagnostics, const char *format, Args... args)
{
    if (!diagnostics)
        return;
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0)
        return;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, args...);
    text.resize(static_cast<size_t>(length));
    diagnostics->push_back(std::move(text));
}

}  // namespace

int64_t countPointLines(const std::string &path, int64_t *commentCount, std::vector<std::string> *diagnostics)
{
    if (commentCount)
        *commentCount = 0;
    InputProblem problem;
    std::FILE *file = openInputFile(path, problem);
    if (!file) {
        note(diagnostics, "UNABLE TO OPEN FILE %s \n", path.c_str());
        return 0;
    }
    int64_t dataLines = 0;
    StreamByteSource source(file);
    PieceReader reader(source);
    PieceBlock block;
    while (reader.next(block)) {
        for (size_t k = 0; k < block.pieceCount(); ++k) {
            if (block.pieceBegin(k)[0] != '#')
                ++dataLines;
            else if (commentCount)
                ++*commentCount;
        }
    }
    std::fclose(file);
    return dataLines;
}

bool parsePointLine(const char *piece, double &x, double &y, double &h, std::string &id)
{
    PointLineFields fields;
    if (!scanPointLine(piece, piece + std::strlen(piece), fields))
        return false;
    x = fields.x;
    y = fields.y;
    h = fields.h;
    id.assign(fields.idBegin, fields.idEnd);
    return true;
}

std::vector<PointRecord> readPointFile(const std::string &path, Extent &stats, LongitudeSign sign,
                                       std::vector<std::string> *diagnostics)
{
    InputProblem problem;
    return readPointFile(path, stats, sign, diagnostics, problem);
}

namespace {

// The points of an open source, or none with `problem` set; the diagnostics
// of readPointFile but the one of a file that does not open.
std::vector<PointRecord> readOpenSource(ByteSource &source, const std::string &name, LongitudeSign sign,
                                        std::vector<std::string> *diagnostics, InputProblem &problem,
                                        uint64_t byteLimit)
{
    std::vector<PointRecord> points;
    uint64_t dataLines = 0;
    // Blocks are parsed on worker threads while the next one is read; their
    // points are appended in input order. The input is read once, so a pipe
    // works too, and room grows with the points found.
    PieceReader reader(source);
    const auto append = [&points, &dataLines](std::pair<std::vector<PointRecord>, uint64_t> parsed) {
        std::move(parsed.first.begin(), parsed.first.end(), std::back_inserter(points));
        dataLines += parsed.second;
    };
    OrderedTasks<std::pair<std::vector<PointRecord>, uint64_t>> parsing(reader.isSmall() ? 1 : workerThreadCount());
    PieceBlock block;
    while (reader.next(block)) {
        if (reader.bytesRead() > byteLimit) {
            problem = InputProblem::TooLarge;
            break;
        }
        auto shared = std::make_shared<const PieceBlock>(std::move(block));
        parsing.add(
            [shared, sign] {
                uint64_t pieces = 0;
                std::vector<PointRecord> parsed = parsePieces(*shared, sign, pieces);
                return std::make_pair(std::move(parsed), pieces);
            },
            append);
        block = PieceBlock();
    }
    parsing.finish(append);
    if (problem == InputProblem::None && source.failed())
        problem = InputProblem::ReadError;
    if (problem != InputProblem::None) {
        points = std::vector<PointRecord>();
        dataLines = 0;
    }
    appendPointReadDiagnostics(diagnostics, name, true, dataLines, points.size());
    return points;
}

// The extents and count of the points read.
void finishStats(const std::vector<PointRecord> &points, Extent &stats)
{
    stats = extentOf(points.data(), points.size());
}

}  // namespace

std::vector<PointRecord> readPointFile(const std::string &path, Extent &stats, LongitudeSign sign,
                                       std::vector<std::string> *diagnostics, InputProblem &problem, uint64_t byteLimit)
{
    stats = Extent();
    std::vector<PointRecord> points;
    std::FILE *file = openInputFile(path, problem);
    if (!file) {
        appendPointReadDiagnostics(diagnostics, path, false, 0, 0);
    } else {
        StreamByteSource source(file);
        points = readOpenSource(source, path, sign, diagnostics, problem, byteLimit);
        const int readErrno = errno;
        std::fclose(file);
        errno = readErrno;
    }
    finishStats(points, stats);
    return points;
}

std::vector<PointRecord> readPointSource(ByteSource &source, const std::string &name, Extent &stats, LongitudeSign sign,
                                         std::vector<std::string> *diagnostics, InputProblem &problem,
                                         uint64_t byteLimit)
{
    stats = Extent();
    problem = InputProblem::None;
    const std::vector<PointRecord> points = readOpenSource(source, name, sign, diagnostics, problem, byteLimit);
    finishStats(points, stats);
    return points;
}

void appendPointReadDiagnostics(std::vector<std::string> *diagnostics, const std::string &name, bool opened,
                                uint64_t dataLines, size_t pointCount)
{
    if (!opened)
        note(diagnostics, "UNABLE TO OPEN FILE %s \n", name.c_str());
    if (dataLines == 0)
        note(diagnostics, "NO POINTS in file!!!!!  \n");
    else
        note(diagnostics, "Loading %lld points from file %s \n", static_cast<long long>(dataLines), name.c_str());
    note(diagnostics, "Finished loading %i points\n", static_cast<int32_t>(pointCount));
}

void widenExtent(Extent &stats, const PointRecord *points, size_t count, size_t before)
{
    for (size_t i = 0; i < count; ++i) {
        const PointRecord &p = points[i];
        if (before + i == 0) {
            stats.xMax = stats.xMin = p.x;
            stats.yMax = stats.yMin = p.y;
            stats.zMax = stats.zMin = p.h;
        } else {
            widenExtents(stats, p.x, p.y, p.h);
        }
    }
}

void finishExtent(Extent &stats, size_t count)
{
    stats.xRange = stats.xMax - stats.xMin;
    stats.yRange = stats.yMax - stats.yMin;
    stats.zRange = stats.zMax - stats.zMin;
    stats.count = static_cast<int32_t>(count);
}

Extent extentOf(const PointRecord *points, size_t count)
{
    Extent stats;
    widenExtent(stats, points, count, 0);
    finishExtent(stats, count);
    return stats;
}

Extent mergeStats(const Extent &a, const Extent &b)
{
    Extent merged;
    merged.xMax = std::fmax(a.xMax, b.xMax);
    merged.xMin = std::fmin(a.xMin, b.xMin);
    merged.yMax = std::fmax(a.yMax, b.yMax);
    merged.yMin = std::fmin(a.yMin, b.yMin);
    merged.zMax = std::fmax(a.zMax, b.zMax);
    merged.zMin = std::fmin(a.zMin, b.zMin);
    merged.count = a.count + b.count;
    return merged;
}

}  // namespace veltrane

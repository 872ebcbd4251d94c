#include "engine/run/streamconversion.h"

#include "engine/base/parallel.h"
#include "engine/formats/gridoutput.h"
#include "engine/formats/layoutparse.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/validationreport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

namespace veltrane {

namespace {

// Bytes of input per task: small enough that a file of a few thousand
// points is spread over the cores, large enough that a task's cost dwarfs
// starting it.
constexpr size_t kBlockBytes = size_t(256) << 10;

// Room reserved per line in grid coordinates: an identifier and eleven
// numbers of up to seven integer digits.
constexpr size_t kGridLineLength = 256;

// One block of the input after its worker thread is done with it.
struct ConvertedBlock {
    std::string lines;
    std::string qualityLines;         // with StreamSettings::quality
    std::vector<QString> outsideIds;  // gathered only when the caller asks for them
    KeptBlock kept;                   // only when the caller keeps the points
    uint64_t pointCount = 0;
    uint64_t outside = 0;
    uint64_t extended = 0;
    uint64_t insideIfWest = 0;
    uint64_t insideIfSwapped = 0;
    uint64_t latitudeRejects = 0;
    BlockReading reading;
    uint64_t firstOutsideLine = 0;  // points before the first outside one (Fail)
    ShiftStatistics shifts;         // with StreamSettings::shiftStatistics
};

// Appends the lines of the first `count` points in grid coordinates,
// leaving out those outside the network when the settings say so.
void appendGridLines(std::string &out, const std::vector<PointRecord> &points, const std::vector<GridPoint> &grid,
                     const std::vector<PointStatus> &status, const StreamSettings &settings, size_t count)
{
    const GridLayout &layout = settings.grid->layout();
    out.reserve(out.size() + count * kGridLineLength);
    for (size_t i = 0; i < count; ++i) {
        if (settings.outside != OutsidePoints::Skip || status[i] == PointStatus::Converted)
            appendGridShiftLine(out, points[i], grid[i], layout, settings.decimals);
    }
}

// Of the points outside the network, counts those that a triangle would take
// with the longitude made west, or with longitude and latitude swapped: the
// usual mistakes behind a file that lies outside.
template <typename Block>
void countInsideIfCorrected(const std::vector<PointRecord> &points, const std::vector<PointStatus> &status,
                            const NetworkInterpolator &network, LongitudeSign sign, Cores cores, Block &out)
{
    std::vector<PointRecord> west, swapped;
    for (size_t i = 0; i < points.size(); ++i) {
        if (status[i] == PointStatus::Converted)
            continue;
        PointRecord p;
        p.x = -std::fabs(points[i].x);
        p.y = points[i].y;
        if (sign == LongitudeSign::AsRead && p.x != points[i].x)
            west.push_back(p);
        p.x = points[i].y;
        p.y = points[i].x;
        swapped.push_back(p);
    }
    const auto inside = [&network, cores](std::vector<PointRecord> &trial) {
        std::vector<PointStatus> trialStatus(trial.size());
        network.convert(trial.data(), trial.size(), trialStatus.data(), nullptr, false, cores);
        return uint64_t(std::count(trialStatus.begin(), trialStatus.end(), PointStatus::Converted));
    };
    out.insideIfWest = inside(west);
    out.insideIfSwapped = inside(swapped) + inside(out.reading.swapped);
    out.latitudeRejects = out.reading.swapped.size();
    out.reading.swapped = std::vector<PointRecord>();
}

// What a block needs to know of the input's layout, and where it runs.
struct BlockLayout {
    const ResolvedLayout *layout;
    uint64_t skipLine;  // the header's line in this block; 0: none
    Cores cores;        // CallingThread while other blocks convert beside it
};

ConvertedBlock convertBlock(const PieceBlock &block, const BlockLayout &layout, const NetworkInterpolator &network,
                            const StreamSettings &settings, bool wantIds, bool wantPoints, bool wantRejects)
{
    ConvertedBlock out;
    out.reading.rejects.keep = wantRejects ? SIZE_MAX : kRejectsNamed;
    out.reading.degrees = settings.grid == nullptr;
    std::vector<PointRecord> points =
        layout.layout->fixed ? parseInputPieces(block, settings.sign, out.reading, layout.skipLine)
                             : parseRecords(block, *layout.layout, settings.sign, layout.skipLine, out.reading);
    out.pointCount = points.size();
    std::vector<PointStatus> status(points.size());
    const bool wantQuality = settings.quality != nullptr;
    std::vector<int32_t> triangleOf(wantQuality ? points.size() : 0);
    std::vector<GridPoint> grid;
    if (settings.grid)
        settings.grid->toGeographic(points, grid);
    network.convert(points.data(), points.size(), status.data(), wantQuality ? triangleOf.data() : nullptr,
                    settings.outside == OutsidePoints::Nearest, layout.cores);
    // The hints speak of longitudes and latitudes: grid input gets none.
    if (!settings.grid)
        countInsideIfCorrected(points, status, network, settings.sign, layout.cores, out);
    if (!layout.layout->hasHeight) {
        // Without heights there is no height to shift.
        for (PointRecord &p : points) {
            p.dh = 0.0;
            p.hTo = p.h;
        }
    }
    if (settings.shiftStatistics)
        out.shifts = blockShifts(points, status);
    for (size_t i = 0; i < points.size(); ++i) {
        if (status[i] == PointStatus::Converted)
            continue;
        if (out.outside == 0)
            out.firstOutsideLine = i;
        ++out.outside;
        out.extended += status[i] == PointStatus::Nearest;
        if (wantIds)
            out.outsideIds.push_back(points[i].id);
        if (wantPoints && status[i] == PointStatus::Outside)
            out.kept.outside.push_back(uint32_t(i));
    }
    if (settings.grid) {
        settings.grid->fromGeographic(points, status.data(), grid);
        const bool stopsEarly = settings.outside == OutsidePoints::Fail && out.outside > 0;
        appendGridLines(out.lines, points, grid, status, settings, stopsEarly ? out.firstOutsideLine : points.size());
    } else {
        switch (settings.outside) {
        case OutsidePoints::Skip:
            for (size_t i = 0; i < points.size(); ++i) {
                if (status[i] == PointStatus::Converted)
                    appendShiftLines(out.lines, &points[i], 1, settings.direction, settings.decimals, settings.style);
            }
            break;
        case OutsidePoints::Fail:
            // Lines up to the first outside point: the caller may have nowhere
            // to take back what was written (standard output).
            appendShiftLines(out.lines, points.data(), out.outside ? out.firstOutsideLine : points.size(),
                             settings.direction, settings.decimals, settings.style);
            break;
        case OutsidePoints::Zero:
        case OutsidePoints::Nearest:
            appendShiftLines(out.lines, points.data(), points.size(), settings.direction, settings.decimals,
                             settings.style);
            break;
        }
    }
    if (wantQuality) {
        // Every point read, whatever the output does with it; evaluated at
        // the source position the point was read with.
        std::vector<PointQuality> quality(points.size());
        for (size_t i = 0; i < points.size(); ++i)
            quality[i] = settings.quality->evaluate(points[i].x, points[i].y, status[i], triangleOf[i]);
        appendQualityLines(out.qualityLines, points.data(), quality.data(), points.size());
    }
    if (wantPoints) {
        out.kept.points = std::move(points);
        out.kept.inputSize = block.text.size();
    }
    return out;
}

}  // namespace

ShiftStatistics blockShifts(const std::vector<PointRecord> &points, const std::vector<PointStatus> &status)
{
    return blockShiftsOf(points, 0, points.size(), [&status](size_t i) { return status[i] == PointStatus::Outside; });
}

StreamTotals convertPointStream(ByteSource &input, const NetworkInterpolator &network, const StreamSettings &settings,
                                const StreamHandlers &handlers)
{
    StreamTotals totals;
    // Any layout but the fixed one is made definite by the input's first lines.
    std::string prefix;
    ResolvedLayout resolved;
    if (!resolveLayoutOfSource(input, settings.layout, kBlockBytes, prefix, resolved, totals.layoutError))
        return totals;
    ReplayByteSource replay(std::move(prefix), input);
    ByteSource &source = settings.layout.isFixed() ? input : replay;
    std::optional<PieceReader> pieces;
    std::optional<RecordReader> records;
    if (resolved.fixed)
        pieces.emplace(source, kBlockBytes);
    else
        records.emplace(source, resolved.delimiter, kBlockBytes);
    const auto bytesRead = [&] { return pieces ? pieces->bytesRead() : records->bytesRead(); };
    const auto nextBlock = [&](PieceBlock &block) { return pieces ? pieces->next(block) : records->next(block); };
    bool firstBlock = true;
    const bool wantIds = bool(handlers.outsidePoint);
    const bool wantPoints = bool(handlers.convertedPoints);
    const bool wantRejects = bool(handlers.rejectedLine);
    bool writing = true;
    uint64_t lineEnds = 0;  // lines before the block consumed next

    const auto consume = [&](ConvertedBlock block) {
        if (writing && !block.lines.empty() && !handlers.write(block.lines)) {
            totals.writeFailed = true;
            writing = false;
        }
        if (writing && !block.qualityLines.empty() && !handlers.writeQuality(block.qualityLines)) {
            totals.writeFailed = true;
            writing = false;
        }
        if (settings.outside == OutsidePoints::Fail && block.outside > 0)
            writing = false;  // the block's lines stop before its first outside point
        totals.points += block.pointCount;
        if (wantPoints)
            handlers.convertedPoints(std::move(block.kept));
        totals.outside += block.outside;
        totals.extended += block.extended;
        totals.insideIfWest += block.insideIfWest;
        totals.insideIfSwapped += block.insideIfSwapped;
        totals.latitudeRejects += block.latitudeRejects;
        totals.shifts.merge(block.shifts);
        totals.dataLines += block.reading.dataLines;
        for (LineReject &reject : block.reading.rejects.kept) {
            reject.line += lineEnds;
            if (totals.rejects.kept.size() < kRejectsNamed)
                totals.rejects.kept.push_back(reject);
            if (wantRejects)
                handlers.rejectedLine(reject);
        }
        totals.rejects.count += block.reading.rejects.count;
        lineEnds += block.reading.lineEnds;
        if (wantIds) {
            for (const QString &id : block.outsideIds)
                handlers.outsidePoint(id);
        }
        if (handlers.progress)
            handlers.progress(totals.points, bytesRead());
    };

    // Blocks are converted on worker threads, at most one per core at a
    // time, while this thread reads the next block and writes finished ones.
    // A block that runs alone (an input smaller than a block) spreads its
    // points over the cores instead.
    const bool small = pieces ? pieces->isSmall() : records->isSmall();
    OrderedTasks<ConvertedBlock> tasks(small ? 1 : workerThreadCount());
    const Cores blockCores = small ? Cores::All : Cores::CallingThread;
    PieceBlock block;
    const auto cancelled = [&handlers, &totals] {
        totals.cancelled = totals.cancelled || (handlers.cancelled && handlers.cancelled());
        return totals.cancelled;
    };
    while (!totals.writeFailed && !cancelled() && nextBlock(block)) {
        auto shared = std::make_shared<const PieceBlock>(std::move(block));
        const BlockLayout blockLayout = {&resolved, firstBlock ? resolved.headerLine : 0, blockCores};
        firstBlock = false;
        tasks.add(
            [shared, blockLayout, &network, &settings, wantIds, wantPoints, wantRejects] {
                return convertBlock(*shared, blockLayout, network, settings, wantIds, wantPoints, wantRejects);
            },
            consume);
        block = PieceBlock();
    }
    tasks.finish(consume);
    totals.bytesRead = bytesRead();
    totals.readFailed = input.failed();
    return totals;
}

}  // namespace veltrane

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
    std::string lines;                // for a text sink
    std::vector<GisTarget> targets;   // for a GIS sink
    GisBatch batch;                   // a GIS source's features, or the points for a GIS sink
    std::string qualityLines;         // with StreamParts::quality
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
    ShiftStatistics shifts;         // with StreamParts::shiftStatistics
};

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

// What a block needs to know of its source and sink, and where it runs.
struct BlockContext {
    const ResolvedLayout *layout;  // of a text source
    uint64_t skipLine;             // the header's line in this block; 0: none
    Cores cores;                   // CallingThread while other blocks convert beside it
    bool heights;                  // the source gives heights
    bool hints;                    // count the points a usual mistake put outside
    bool toFeatures;               // the sink takes features, not lines
    size_t passCount;              // pass-through fields of each point
    bool wantIds, wantPoints, wantRejects;
};

// Keeps a point in the output: all but those outside with OutsidePoints::Skip.
bool keeps(OutsidePoints outside, PointStatus status)
{
    return outside != OutsidePoints::Skip || status == PointStatus::Converted;
}

// The features of the first `count` points, as the GIS sink writes them.
std::vector<GisTarget> featureTargets(const std::vector<PointRecord> &points, const std::vector<PointStatus> &status,
                                      const std::vector<GridPoint> &grid, const std::vector<PointQuality> &quality,
                                      const RunOptions &options, const StreamParts &parts, size_t count)
{
    std::vector<GisTarget> targets;
    targets.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (!keeps(options.outside, status[i]))
            continue;
        const PointRecord &p = points[i];
        GisTarget target;
        target.index = i;
        target.placed = status[i] != PointStatus::Outside;
        if (parts.grid) {
            target.x = grid[i].target[0];
            target.y = grid[i].target[1];
            target.z = grid[i].target[2];
            target.deltaH = grid[i].deltaH;
        } else {
            target.x = p.xTo;
            target.y = p.yTo;
            target.z = p.hTo;
            target.deltaH = p.dh;
        }
        target.s = p.s;
        target.azimuth = p.azimuth;
        if (parts.quality) {
            target.hasSigma = quality[i].hasSigma;
            target.sigmaHorizontal = quality[i].sigmaHorizontal;
            target.sigmaVertical = quality[i].sigmaVertical;
        }
        targets.push_back(target);
    }
    return targets;
}

// The text lines of the first `count` points, each followed by its
// `passCount` pass-through values.
void appendLines(std::string &out, const std::vector<PointRecord> &points, const std::vector<PointStatus> &status,
                 const std::vector<GridPoint> &grid, const std::vector<std::string> &passValues, size_t passCount,
                 const RunOptions &options, const StreamParts &parts, size_t count)
{
    if (passCount == 0 && !parts.grid && options.outside != OutsidePoints::Skip) {
        appendShiftLines(out, points.data(), count, options.settings.direction, options.decimals, options.style);
        return;
    }
    if (parts.grid)
        out.reserve(out.size() + count * kGridLineLength);
    for (size_t i = 0; i < count; ++i) {
        if (!keeps(options.outside, status[i]))
            continue;
        if (parts.grid)
            appendGridShiftLine(out, points[i], grid[i], parts.grid->layout(), options.decimals);
        else
            appendShiftLines(out, &points[i], 1, options.settings.direction, options.decimals, options.style);
        if (passCount > 0)
            appendPassFields(out, passValues.data() + i * passCount, passCount, options.style.separator());
    }
}

// Parses a text block (or takes a GIS batch's points), converts them and
// formats them for the sink.
ConvertedBlock convertBlock(const PieceBlock *text, GisBatch &&gis, const BlockContext &context,
                            const NetworkInterpolator &network, const RunOptions &options, const StreamParts &parts)
{
    ConvertedBlock out;
    out.reading.rejects.keep = context.wantRejects ? SIZE_MAX : kRejectsNamed;
    out.reading.degrees = parts.grid == nullptr;
    out.batch = std::move(gis);
    out.reading.passValues = std::move(out.batch.passValues);
    std::vector<PointRecord> &points = out.batch.points;
    if (text)
        points = context.layout->fixed
                     ? parseInputPieces(*text, longitudeSignOf(options.settings), out.reading, context.skipLine)
                     : parseRecords(*text, *context.layout, longitudeSignOf(options.settings), context.skipLine,
                                    out.reading);
    out.pointCount = points.size();
    std::vector<PointStatus> status(points.size());
    const bool wantQuality = parts.quality != nullptr;
    std::vector<int32_t> triangleOf(wantQuality ? points.size() : 0);
    std::vector<GridPoint> grid;
    if (parts.grid)
        parts.grid->toGeographic(points, grid);
    network.convert(points.data(), points.size(), status.data(), wantQuality ? triangleOf.data() : nullptr,
                    options.outside == OutsidePoints::Nearest, context.cores);
    if (context.hints)
        countInsideIfCorrected(points, status, network, longitudeSignOf(options.settings), context.cores, out);
    if (!context.heights) {
        // Without heights there is no height to shift.
        for (PointRecord &p : points) {
            p.dh = 0.0;
            p.hTo = p.h;
        }
    }
    if (parts.shiftStatistics)
        out.shifts = blockShifts(points, status);
    for (size_t i = 0; i < points.size(); ++i) {
        if (status[i] == PointStatus::Converted)
            continue;
        if (out.outside == 0)
            out.firstOutsideLine = i;
        ++out.outside;
        out.extended += status[i] == PointStatus::Nearest;
        if (context.wantIds)
            out.outsideIds.push_back(points[i].id);
        if (context.wantPoints && status[i] == PointStatus::Outside)
            out.kept.outside.push_back(uint32_t(i));
    }
    if (parts.grid)
        parts.grid->fromGeographic(points, status.data(), grid);
    std::vector<PointQuality> quality;
    if (wantQuality) {
        // Every point read, whatever the output does with it; evaluated at
        // the source position the point was read with.
        quality.resize(points.size());
        for (size_t i = 0; i < points.size(); ++i)
            quality[i] = parts.quality->evaluate(points[i].x, points[i].y, status[i], triangleOf[i]);
        appendQualityLines(out.qualityLines, points.data(), quality.data(), points.size());
    }
    // With --outside fail, only the points up to the first outside one: the
    // caller may have nowhere to take back what was written (standard output).
    const bool stopsEarly = options.outside == OutsidePoints::Fail && out.outside > 0;
    const size_t written = stopsEarly ? out.firstOutsideLine : points.size();
    if (context.toFeatures) {
        out.targets = featureTargets(points, status, grid, quality, options, parts, written);
        out.batch.passValues = std::move(out.reading.passValues);
    } else {
        appendLines(out.lines, points, status, grid, out.reading.passValues, context.passCount, options, parts,
                    written);
    }
    if (context.wantPoints) {
        // A feature sink still needs the identifiers: the kept block copies them.
        out.kept.points = context.toFeatures ? points : std::move(points);
        out.kept.inputSize = text ? text->text.size() : out.pointCount;
    }
    if (!context.toFeatures) {
        // The lines hold what is written: the points go before the block
        // waits for its turn.
        std::vector<PointRecord>().swap(points);
        std::vector<std::string>().swap(out.reading.passValues);
    }
    return out;
}

}  // namespace

TextPointSource::TextPointSource(ByteSource &input, const PointLayout &layout) : input_(input)
{
    std::string prefix;
    ok_ = resolveLayoutOfSource(input, layout, kBlockBytes, prefix, resolved_, layoutError_);
    if (!ok_)
        return;
    replay_ = std::make_unique<ReplayByteSource>(std::move(prefix), input);
    ByteSource &source = *replay_;
    if (resolved_.fixed)
        pieces_ = std::make_unique<PieceReader>(source, kBlockBytes);
    else
        records_ = std::make_unique<RecordReader>(source, resolved_.delimiter, kBlockBytes);
}

TextPointSource::~TextPointSource() = default;

bool TextPointSource::next(PieceBlock &block)
{
    return pieces_ ? pieces_->next(block) : records_->next(block);
}

uint64_t TextPointSource::bytesRead() const
{
    return pieces_ ? pieces_->bytesRead() : records_ ? records_->bytesRead() : 0;
}

bool TextPointSource::isSmall() const
{
    return pieces_ ? pieces_->isSmall() : records_->isSmall();
}

ShiftStatistics blockShifts(const std::vector<PointRecord> &points, const std::vector<PointStatus> &status)
{
    return blockShiftsOf(points, 0, points.size(), [&status](size_t i) { return status[i] == PointStatus::Outside; });
}

StreamTotals convertPoints(const PointSource &source, const PointSink &sink, const NetworkInterpolator &network,
                           const RunOptions &options, const StreamParts &parts, const StreamHandlers &handlers)
{
    StreamTotals totals;
    TextPointSource *text = source.text;
    if (text) {
        totals.layout = text->layout();
        if (!text->ok()) {
            totals.layoutError = text->layoutError();
            return totals;
        }
    }
    BlockContext context = {};
    context.layout = text ? &text->layout() : nullptr;
    context.heights = text ? text->layout().hasHeight : source.gis->hasHeights();
    // The hints speak of longitudes and latitudes as a text file gives them.
    context.hints = text && !parts.grid;
    context.toFeatures = sink.features != nullptr;
    context.passCount = text ? text->layout().passColumns.size() : source.gis->passNames().size();
    context.wantIds = bool(handlers.outsidePoint);
    context.wantPoints = bool(handlers.convertedPoints);
    context.wantRejects = bool(handlers.rejectedLine);
    uint64_t features = 0;  // read so far from a GIS source
    const auto position = [&] { return text ? text->bytesRead() : features; };

    bool writing = true;
    uint64_t lineEnds = 0;  // lines before the block consumed next
    const auto write = [&](ConvertedBlock &block) {
        if (sink.features) {
            if (!block.targets.empty() && !sink.features->write(block.batch, block.targets, totals.error))
                return false;
        } else if (!block.lines.empty() && !sink.writeLines(block.lines)) {
            return false;
        }
        return block.qualityLines.empty() || handlers.writeQuality(block.qualityLines);
    };
    const auto consume = [&](ConvertedBlock block) {
        if (writing && !write(block)) {
            totals.writeFailed = true;
            writing = false;
        }
        if (options.outside == OutsidePoints::Fail && block.outside > 0)
            writing = false;  // the block's points stop before its first outside one
        totals.points += block.pointCount;
        if (context.wantPoints)
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
            if (context.wantRejects)
                handlers.rejectedLine(reject);
        }
        totals.rejects.count += block.reading.rejects.count;
        lineEnds += block.reading.lineEnds;
        if (context.wantIds) {
            for (const QString &id : block.outsideIds)
                handlers.outsidePoint(id);
        }
        if (handlers.progress)
            handlers.progress(totals.points, position());
    };

    // Blocks are converted on worker threads, at most one per core at a
    // time, while this thread reads the next block and writes finished ones.
    // A block that runs alone (a text input smaller than a block) spreads
    // its points over the cores instead.
    const bool small = text && text->isSmall();
    OrderedTasks<ConvertedBlock> tasks(small ? 1 : workerThreadCount());
    context.cores = small ? Cores::All : Cores::CallingThread;
    bool firstBlock = true;
    const auto cancelled = [&handlers, &totals] {
        totals.cancelled = totals.cancelled || (handlers.cancelled && handlers.cancelled());
        return totals.cancelled;
    };
    // With --outside fail nothing is read past a block with an outside point.
    const auto failedOutside = [&] { return options.outside == OutsidePoints::Fail && totals.outside > 0; };
    while (!totals.writeFailed && !cancelled() && !(source.gis && failedOutside())) {
        BlockContext blockContext = context;
        blockContext.skipLine = firstBlock && text ? text->layout().headerLine : 0;
        firstBlock = false;
        if (text) {
            PieceBlock block;
            if (!text->next(block))
                break;
            auto shared = std::make_shared<const PieceBlock>(std::move(block));
            tasks.add(
                [shared, blockContext, &network, &options, &parts] {
                    return convertBlock(shared.get(), GisBatch(), blockContext, network, options, parts);
                },
                consume);
            continue;
        }
        auto batch = std::make_shared<GisBatch>();
        QString error;
        if (!source.gis->next(kGisBatchFeatures, *batch, error)) {
            if (!error.isEmpty()) {
                totals.readFailed = true;
                totals.error = error;
            }
            break;
        }
        features += uint64_t(batch->points.size() + batch->rejected.size());
        totals.rejects.count += uint64_t(batch->rejected.size());
        for (const QString &rejected : batch->rejected) {
            if (size_t(totals.rejectedFeatures.size()) < kRejectsNamed)
                totals.rejectedFeatures.append(rejected);
        }
        tasks.add([batch, blockContext, &network, &options,
                   &parts] { return convertBlock(nullptr, std::move(*batch), blockContext, network, options, parts); },
                  consume);
    }
    tasks.finish(consume);
    if (text) {
        totals.bytesRead = text->bytesRead();
        totals.readFailed = text->input().failed();
    }
    return totals;
}

}  // namespace veltrane

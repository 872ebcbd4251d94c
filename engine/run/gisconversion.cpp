#include "engine/run/gisconversion.h"

#include "engine/formats/gridoutput.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/validationreport.h"

#include <optional>

namespace veltrane {

namespace {

// One batch through the network; false when an output refused it.
class BatchConverter {
public:
    BatchConverter(const NetworkInterpolator &network, const StreamSettings &settings, bool heights,
                   const GisStreamHandlers &handlers, GisTotals &totals)
        : network_(network), settings_(settings), heights_(heights), handlers_(handlers), totals_(totals)
    {
    }

    bool convert(GisBatch &batch);

private:
    bool keeps(PointStatus status) const
    {
        return settings_.outside != OutsidePoints::Skip || status == PointStatus::Converted;
    }
    bool writeLines(const std::vector<PointRecord> &points, size_t count);
    bool writeFeatures(const GisBatch &batch, size_t count);

    const NetworkInterpolator &network_;
    const StreamSettings &settings_;
    const bool heights_;
    const GisStreamHandlers &handlers_;
    GisTotals &totals_;
    std::vector<PointStatus> status_;
    std::vector<int32_t> triangleOf_;
    std::vector<GridPoint> grid_;
    std::vector<PointQuality> quality_;
};

bool BatchConverter::convert(GisBatch &batch)
{
    std::vector<PointRecord> &points = batch.points;
    const size_t n = points.size();
    status_.assign(n, PointStatus::Outside);
    const bool wantQuality = settings_.quality != nullptr;
    triangleOf_.assign(wantQuality ? n : 0, -1);
    if (settings_.grid)
        settings_.grid->toGeographic(points, grid_);
    network_.convert(points.data(), n, status_.data(), wantQuality ? triangleOf_.data() : nullptr,
                     settings_.outside == OutsidePoints::Nearest);
    if (!heights_) {
        for (PointRecord &p : points) {
            p.dh = 0.0;
            p.hTo = p.h;
        }
    }
    size_t written = n;  // with --outside fail, the points before the first outside one
    KeptBlock kept;
    for (size_t i = 0; i < n; ++i) {
        if (status_[i] == PointStatus::Converted)
            continue;
        if (totals_.stream.outside == 0 && settings_.outside == OutsidePoints::Fail)
            written = i;
        ++totals_.stream.outside;
        totals_.stream.extended += status_[i] == PointStatus::Nearest;
        if (handlers_.outsidePoint)
            handlers_.outsidePoint(points[i].id);
        if (handlers_.convertedPoints && status_[i] == PointStatus::Outside)
            kept.outside.push_back(uint32_t(i));
    }
    if (settings_.shiftStatistics)
        totals_.stream.shifts.merge(blockShifts(points, status_));
    if (settings_.grid)
        settings_.grid->fromGeographic(points, status_.data(), grid_);
    if (wantQuality) {
        quality_.resize(n);
        for (size_t i = 0; i < n; ++i)
            quality_[i] = settings_.quality->evaluate(points[i].x, points[i].y, status_[i], triangleOf_[i]);
    }
    totals_.stream.points += n;
    const bool ok = handlers_.writer ? writeFeatures(batch, written) : writeLines(points, written);
    if (!ok)
        return false;
    if (wantQuality && handlers_.writeQuality) {
        std::string lines;
        appendQualityLines(lines, points.data(), quality_.data(), n);
        if (!handlers_.writeQuality(lines))
            return false;
    }
    if (handlers_.convertedPoints) {
        kept.points = std::move(points);
        kept.inputSize = n;
        handlers_.convertedPoints(std::move(kept));
    }
    return true;
}

bool BatchConverter::writeLines(const std::vector<PointRecord> &points, size_t count)
{
    std::string lines;
    for (size_t i = 0; i < count; ++i) {
        if (!keeps(status_[i]))
            continue;
        if (settings_.grid)
            appendGridShiftLine(lines, points[i], grid_[i], settings_.grid->layout(), settings_.decimals);
        else
            appendShiftLines(lines, &points[i], 1, settings_.direction, settings_.decimals, settings_.style);
    }
    return lines.empty() || handlers_.writeLines(lines);
}

bool BatchConverter::writeFeatures(const GisBatch &batch, size_t count)
{
    std::vector<GisTarget> targets;
    targets.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (!keeps(status_[i]))
            continue;
        const PointRecord &p = batch.points[i];
        GisTarget target;
        target.index = i;
        target.placed = status_[i] != PointStatus::Outside;
        if (settings_.grid) {
            target.x = grid_[i].target[0];
            target.y = grid_[i].target[1];
            target.z = grid_[i].target[2];
            target.deltaH = grid_[i].deltaH;
        } else {
            target.x = p.xTo;
            target.y = p.yTo;
            target.z = p.hTo;
            target.deltaH = p.dh;
        }
        target.s = p.s;
        target.azimuth = p.azimuth;
        if (settings_.quality) {
            target.hasSigma = quality_[i].hasSigma;
            target.sigmaHorizontal = quality_[i].sigmaHorizontal;
            target.sigmaVertical = quality_[i].sigmaVertical;
        }
        targets.push_back(target);
    }
    QString error;
    if (!handlers_.writer->write(batch, targets, error)) {
        totals_.error = error;
        return false;
    }
    return true;
}

}  // namespace

GisTotals convertGisLayer(GisPointReader &reader, const NetworkInterpolator &network, const StreamSettings &settings,
                          const GisStreamHandlers &handlers)
{
    GisTotals totals;
    BatchConverter converter(network, settings, reader.hasHeights(), handlers, totals);
    GisBatch batch;
    QString error;
    while (true) {
        if (handlers.cancelled && handlers.cancelled()) {
            totals.stream.cancelled = true;
            break;
        }
        if (!reader.next(kGisBatchFeatures, batch, error)) {
            if (!error.isEmpty()) {
                totals.stream.readFailed = true;
                totals.error = error;
            }
            break;
        }
        totals.stream.rejects.count += uint64_t(batch.rejected.size());
        for (const QString &text : batch.rejected) {
            if (size_t(totals.rejected.size()) < kRejectsNamed)
                totals.rejected.append(text);
        }
        if (!converter.convert(batch)) {
            totals.stream.writeFailed = true;
            break;
        }
        if (handlers.progress)
            handlers.progress(totals.stream.points);
        if (settings.outside == OutsidePoints::Fail && totals.stream.outside > 0)
            break;
    }
    return totals;
}

}  // namespace veltrane

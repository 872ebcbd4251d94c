#include "engine/run/runstages.h"

#include "engine/formats/gisfile.h"
#include "engine/formats/pointfile.h"
#include "engine/network/networkvalidation.h"

#include <cerrno>

namespace veltrane {

namespace {

// What the closing lines say of the points outside the network, `extended`
// of them extrapolated.
QString outsideFate(OutsidePoints outside, uint64_t count, uint64_t extended)
{
    switch (outside) {
    case OutsidePoints::Skip:
        return QStringLiteral(" and were left out.");
    case OutsidePoints::Nearest:
        // A point without finite coordinates cannot be extrapolated: it keeps zeros.
        if (extended < count)
            return QStringLiteral("; %1 of them were extended from the nearest triangle, %2 left with zeros.")
                .arg(decimal(extended), decimal(count - extended));
        return QStringLiteral(" and were extended from the nearest triangle.");
    case OutsidePoints::Fail:
        return QStringLiteral(".");
    case OutsidePoints::Zero:
        break;
    }
    return QStringLiteral(" and were left unconverted.");
}

// "2 lines are not points: line 3: no identifier; line 9: latitude out of
// range", the first kRejectsNamed of them named.
QString rejectsText(const RejectLog &rejects)
{
    QStringList named;
    for (const LineReject &reject : rejects.kept)
        named.append(rejectText(reject));
    if (rejects.count > uint64_t(named.size()))
        named.append(QStringLiteral("..."));
    const QString count = rejects.count == 1 ? QStringLiteral("1 line is not a point")
                                             : QStringLiteral("%1 lines are not points").arg(decimal(rejects.count));
    return count + QStringLiteral(": ") + named.join(QStringLiteral("; "));
}

// "2 features give no point: feature 3: no point geometry; ...".
QString featureRejectsText(const StreamTotals &totals)
{
    const uint64_t count = totals.rejects.count;
    return QStringLiteral("%1 %2 no point: %3")
        .arg(decimal(count), count == 1 ? "feature gives" : "features give",
             totals.rejectedFeatures.join(QStringLiteral("; ")) +
                 (count > uint64_t(totals.rejectedFeatures.size()) ? QStringLiteral("; ...") : QString()));
}

// "Line 2 is a header: longitude in column 1, latitude in column 2, ...";
// a layout with a header line has the header's columns, the fixed one too.
QString headerText(const ResolvedLayout &layout)
{
    const std::vector<ColumnRole> &columns = layout.columns;
    QStringList assigned;
    for (size_t i = 0; i < columns.size(); ++i) {
        const char *role = nullptr;
        switch (columns[i]) {
        case ColumnRole::Longitude:
            role = "longitude";
            break;
        case ColumnRole::Latitude:
            role = "latitude";
            break;
        case ColumnRole::Height:
            role = "height";
            break;
        case ColumnRole::Id:
            role = "identifier";
            break;
        case ColumnRole::Ignore:
            break;
        }
        if (role)
            assigned.append(QStringLiteral("%1 in column %2").arg(QLatin1String(role)).arg(i + 1));
    }
    return QStringLiteral("Line %1 is a header: %2.")
        .arg(decimal(layout.headerLine), assigned.join(QStringLiteral(", ")));
}

}  // namespace

void Run::keepPoints(KeptPoints &kept)
{
    std::vector<PointRecord> points = kept.take(result_.pointsExtent);
    if (options_.keepRecords)
        result_.points = std::make_shared<const std::vector<PointRecord>>(std::move(points));
    if (recordWanted() && shiftsFromKeptPoints())
        keptShifts_ = kept.shifts(result_.points);
}

// Streams the input, text or GIS layer, through the network into the
// outputs: text lines or the features of a GIS layer.
bool Run::stream(StreamTotals &totals)
{
    const bool writing = deferredErrors_.isEmpty();
    std::optional<PointQualityEstimator> estimator;
    if (quality_ != RunOutputs::kNoOutput && writing) {
        estimator.emplace(*control_, *triangles_, validation());
    }

    StreamParts parts;
    parts.quality = estimator ? &*estimator : nullptr;
    parts.grid = grid_.get();
    parts.shiftStatistics = recordWanted() && !shiftsFromKeptPoints();

    QString writeError;
    PointSink sink;
    sink.features = gisWriter_.get();
    if (!gisWriter_) {
        sink.writeLines = [this, writing, &writeError](const std::string &lines) {
            return !writing || outputs_.write(points_, lines, writeError);
        };
    }
    StreamHandlers handlers;
    handlers.writeQuality = [this, &writeError](const std::string &lines) {
        return outputs_.write(quality_, lines, writeError);
    };
    if (reporter_.wantsOutsidePoints() || options_.outside == OutsidePoints::Fail || recordWanted())
        handlers.outsidePoint = [this](const QString &id) { noteOutside(id); };

    PointSource source;
    uint64_t inputSize = kUnknownSize;  // bytes of a text input, features of a GIS layer
    if (gisInput_) {
        source.gis = gisInput_.get();
        const int64_t features = gisInput_->featureCount();
        inputSize = features < 0 ? kUnknownSize : uint64_t(features);
    } else {
        source.text = textSource_.get();
        inputSize = bytes_->knownSize();
    }
    KeptPoints keptBlocks(inputSize);
    if (options_.keepRecords)
        handlers.convertedPoints = [&keptBlocks](KeptBlock &&block) { keptBlocks.add(std::move(block)); };
    handlers.progress = [this, inputSize](uint64_t points, uint64_t position) {
        reporter_.progress(points, position, inputSize);
    };
    handlers.cancelled = options_.cancelled;
    if (reporter_.wantsRejectedLines())
        handlers.rejectedLine = [this](const LineReject &reject) { reporter_.rejectedLine(rejectText(reject)); };

    const NetworkInterpolator interpolator(control_, triangles_);
    totals = convertPoints(source, sink, interpolator, options_, parts, handlers);
    const int readErrno = bytes_ ? bytes_->error() : 0;
    result_.pointCount = totals.points;
    result_.outside = totals.outside;
    result_.rejected = totals.rejects.count;
    keepPoints(keptBlocks);
    if (!gisInput_ && reporter_.wantsDiagnostics()) {
        std::vector<std::string> notes;
        appendPointReadDiagnostics(&notes, localPath(options_.input), true, totals.dataLines, size_t(totals.points));
        for (const std::string &note : notes)
            reporter_.diagnostic(note);
    }

    if (totals.layout.headerLine > 0)
        reporter_.status(headerText(totals.layout), kProgressConverted);
    if (!totals.layoutError.isEmpty()) {
        if (options_.strict)
            return failed(QStringLiteral("%1: %2").arg(inputName(), totals.layoutError), true);
        reporter_.status(totals.layoutError, kProgressConverted);
    }
    if (totals.cancelled) {
        result_.outcome = RunOutcome::Cancelled;
        return failed(QStringLiteral("Conversion cancelled; no file was written."));
    }
    if (totals.readFailed) {
        const QString text =
            gisInput_ ? totals.error : QStringLiteral("Error reading %1: %2").arg(inputName(), reason(readErrno));
        if (options_.strict || gisInput_)
            return failed(text);
        deferredErrors_.append(text);
    }
    if (totals.writeFailed) {
        const QString text = totals.error.isEmpty()
                                 ? writeError
                                 : QStringLiteral("Unable to write %1: %2").arg(options_.output, totals.error);
        if (options_.strict || gisWriter_)
            return failed(text);
        deferredErrors_.append(text);
    }
    // Most points outside (or rejected for their latitude), and most of
    // those inside once corrected.
    const uint64_t astray = totals.outside + totals.latitudeRejects;
    if (astray * 2 > totals.points + totals.latitudeRejects) {
        if (totals.insideIfWest * 2 > astray)
            reporter_.hint(RunHint::ForceNegative);
        if (totals.insideIfSwapped * 2 > astray)
            reporter_.hint(RunHint::SwapColumns);
    }
    const QString rejects = gisInput_ ? featureRejectsText(totals) : rejectsText(totals.rejects);
    if (totals.points == 0) {
        QString text = gisInput_ ? QStringLiteral("No points could be read from layer %1 of %2.")
                                       .arg(gisInput_->layerName(), inputName())
                                 : QStringLiteral("No points could be read from %1.").arg(inputName());
        if (totals.rejects.count > 0)
            text += QStringLiteral(" ") + rejects;
        if (options_.strict)
            return failed(text);
        reporter_.status(text, kProgressConverted);
    } else if (totals.rejects.count > 0) {
        reporter_.warning(rejects);
    }
    // FlatGeobuf keeps no feature without a geometry: the points written
    // without one are not in the file.
    const uint64_t unplaced = totals.outside - totals.extended;
    if (gisDriver_ == QLatin1String("FlatGeobuf") && options_.outside == OutsidePoints::Zero && unplaced > 0)
        reporter_.warning(QStringLiteral("%1 %2 outside the network %3 no position, and FlatGeobuf keeps no feature "
                                         "without one: %4 not in %5.")
                              .arg(decimal(unplaced), unplaced == 1 ? "point" : "points",
                                   unplaced == 1 ? "has" : "have", unplaced == 1 ? "it is" : "they are",
                                   options_.output));
    return reportOutside(totals);
}

// The closing lines on the points outside the network; false when they stop the run.
bool Run::reportOutside(const StreamTotals &totals)
{
    if (totals.outside > 0)
        reporter_.status(QStringLiteral("%1 of %2 points lie outside the control network")
                                 .arg(decimal(totals.outside), decimal(totals.points)) +
                             outsideFate(options_.outside, totals.outside, totals.extended),
                         kProgressConverted);
    if (options_.outside == OutsidePoints::Fail && totals.outside > 0) {
        QStringList ids;
        for (const QString &id : result_.outsideIds)
            ids.append(id);
        if (totals.outside > uint64_t(result_.outsideIds.size()))
            ids.append(QStringLiteral("..."));
        return failed(QStringLiteral("%1 of %2 points lie outside the control network: %3")
                          .arg(decimal(totals.outside), decimal(totals.points), ids.join(QStringLiteral(", "))));
    }
    return true;
}

}  // namespace veltrane

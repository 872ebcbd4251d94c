#include "engine/run/runstages.h"

#include "engine/formats/fixedformat.h"
#include "engine/network/networkprovenance.h"
#include "engine/formats/validationreport.h"
#include "engine/network/networkvalidation.h"
#include "engine/run/conversionrecord.h"

#include <QElapsedTimer>

namespace veltrane {

namespace {

// Decimals of the seconds in the closing summary.
constexpr int kSecondsDecimals = 2;

QString summaryText(uint64_t points, uint64_t outside, uint64_t extended, OutsidePoints policy, uint64_t rejected)
{
    QString text = QStringLiteral("%1 of %2 points converted").arg(decimal(points - outside), decimal(points));
    if (rejected > 0)
        text += QStringLiteral(", %1 %2 rejected").arg(decimal(rejected), rejected == 1 ? "line" : "lines");
    if (outside > 0) {
        text += QStringLiteral(", %1 outside the network").arg(decimal(outside));
        if (policy == OutsidePoints::Skip)
            text += QStringLiteral(" left out");
        else if (policy == OutsidePoints::Nearest && extended == outside)
            text += QStringLiteral(" extended from the nearest triangle");
        else if (policy == OutsidePoints::Nearest)
            text += QStringLiteral(", %1 of them extended from the nearest triangle and %2 left with zeros")
                        .arg(decimal(extended), decimal(outside - extended));
    }
    return text;
}

// Elapsed seconds as the C locale writes them, whatever the user's locale.
QString seconds(const QElapsedTimer &stopwatch)
{
    char text[kMaxFixedLength + 1];
    char *end = formatFixed(text, double(stopwatch.elapsed()) / 1000.0, kSecondsDecimals);
    return QString::fromLatin1(text, int(end - text));
}

}  // namespace

// Reports an error; false, so that a failing step can return it.
bool Run::failed(const QString &text, bool leadingName)
{
    reporter_.error(text, leadingName);
    return false;
}

QString Run::inputName() const
{
    return options_.inputStream ? QStringLiteral("standard input") : options_.input;
}

RunResult Run::convert()
{
    reporter_.status(QStringLiteral("Begin Processing"), kProgressStart);
    stopwatch_.start();
    result_.control = std::make_shared<const std::vector<PointRecord>>();
    result_.triangles = std::make_shared<const std::vector<Triangle>>();
    result_.points = std::make_shared<const std::vector<PointRecord>>();
    if (options_.input.isEmpty() && !options_.inputStream) {
        result_.outcome = RunOutcome::EmptyInputPath;
        return result_;
    }
    reporter_.status(QStringLiteral("Processing Input Files:  "), kProgressStart);
    reporter_.status(options_.input, kProgressStart);
    reporter_.status(options_.echo, kProgressStart);

    result_.outcome = RunOutcome::Failed;
    StreamTotals totals;
    const bool converted = openInput() && checkNetworkFiles() && prepareCoordinateSystems() && buildNetwork() &&
                           (openPointSource(), openOutputs()) && stream(totals);
    if (ownsInput_)
        std::fclose(input_);
    if (!converted)
        return result_;
    // The window's run goes on without a network (every point stays
    // unconverted); it has not completed a conversion, and does not say so.
    if (!control_->empty() && !triangles_->empty())
        reporter_.status(QStringLiteral("Completed in %1 ms.").arg(stopwatch_.elapsed()), kProgressDone);

    std::shared_ptr<ConversionRecord> record;
    if (recordWanted() && deferredErrors_.isEmpty()) {
        record = makeRecord(totals);
        if (record_ != RunOutputs::kNoOutput && !writeRecord(*record)) {
            result_.outcome = options_.strict ? RunOutcome::Failed : RunOutcome::OutputNotWritten;
            return result_;
        }
    }

    QString error;
    if (!deferredErrors_.isEmpty()) {
        for (const QString &text : deferredErrors_)
            reporter_.error(text);
        result_.outcome = RunOutcome::OutputNotWritten;
    } else if (!outputs_.commit(error)) {
        reporter_.error(error);
        result_.outcome = options_.strict ? RunOutcome::Failed : RunOutcome::OutputNotWritten;
    } else {
        result_.outcome = RunOutcome::Completed;
    }
    if (reporter_.wantsDiagnostics())
        reporter_.diagnostic(dumpTriangles(*triangles_));
    if (options_.keepRecords) {
        result_.control = control_;
        result_.triangles = triangles_;
    }
    checkNetworkForView();
    if (result_.outcome != RunOutcome::Completed)
        return result_;
    result_.record = record;
    for (const QString &path : {options_.outputStream ? QString() : options_.output, options_.controlShift,
                                options_.tinshift, options_.quality, options_.record})
        if (!path.isEmpty())
            result_.written.append(path);

    QString wrote = options_.outputStream ? QStringLiteral("standard output") : options_.output;
    if (!options_.controlShift.isEmpty())
        wrote += (options_.tinshift.isEmpty() ? QStringLiteral(" and ") : QStringLiteral(", ")) + options_.controlShift;
    if (!options_.tinshift.isEmpty())
        wrote += QStringLiteral(" and ") + options_.tinshift;
    if (!options_.record.isEmpty())
        wrote += QStringLiteral("; the record in ") + options_.record;
    reporter_.summary(
        summaryText(totals.points, totals.outside, totals.extended, options_.outside, totals.rejects.count) +
        QStringLiteral("; wrote ") + wrote + QStringLiteral(" (") + seconds(stopwatch_) + QStringLiteral(" s)"));
    return result_;
}

const NetworkValidation &Run::validation()
{
    if (!validation_)
        validation_ = std::make_shared<const NetworkValidation>(validateNetwork(*control_, *triangles_));
    return *validation_;
}

// How well the network reproduces its own control points, left out one at a
// time, for the window's residuals and the record it saves later: on large
// networks this takes as long as the conversion.
void Run::checkNetworkForView()
{
    if (!options_.checkNetwork || triangles_->empty())
        return;
    validation();
    result_.validation = validation_;
    reporter_.status(validationSummaryLine(validation_->summary, *control_), kProgressDone);
}

void RunReporter::hint(RunHint hint)
{
    if (hint == RunHint::ForceNegative)
        warning(QStringLiteral("Most points lie outside the control network, and their longitudes have the other "
                               "sign than the network's: check \"Force X coordinates to be negative\"."));
    else
        warning(QStringLiteral("Most points lie outside the control network, and with longitude and latitude swapped "
                               "they would lie inside: the file seems to hold the latitude first; name its columns "
                               "in a first line (id, lat, lon, h)."));
}

RunResult executeRun(const RunOptions &options, RunReporter &reporter)
{
    Run run(options, reporter);
    return options.kind == RunKind::CheckNetwork ? run.checkNetwork() : run.convert();
}

}  // namespace veltrane

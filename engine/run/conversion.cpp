#include "engine/run/conversion.h"

#include "engine/formats/outputnames.h"
#include "engine/run/conversionrun.h"
#include "engine/version.h"

#include <QDir>

namespace veltrane {

namespace {

// The window's side of a run: status lines and errors into the output pane,
// diagnostics to its sink, progress while the points are converted.
class WindowReporter : public RunReporter {
public:
    WindowReporter(const StatusSink &status, const DiagnosticSink &diagnostics, const ProgressSink &progress)
        : status_(status), diagnostics_(diagnostics), progress_(progress)
    {
    }
    void status(const QString &text, int percent) override { status_(text, percent); }
    void error(const QString &text, bool) override { status_(text, kProgressDone); }
    void progress(uint64_t, uint64_t bytes, uint64_t totalBytes) override
    {
        // Reading and converting the points lies between the network's
        // assembly and the finished run.
        if (progress_ && totalBytes != kUnknownSize && totalBytes > 0)
            progress_(kProgressControl +
                      int(double(kProgressConverted - kProgressControl) * double(bytes) / double(totalBytes)));
    }
    void diagnostic(const std::string &text) override { diagnostics_(text); }
    bool wantsDiagnostics() const override { return bool(diagnostics_); }
    void outsidePoint(const QString &id) override
    {
        if (outsideIds_.size() < kOutsideIdsKept)
            outsideIds_.append(id);
    }
    bool wantsOutsidePoints() const override { return true; }
    const QStringList &outsideIds() const { return outsideIds_; }

private:
    // Progress when every point is converted.
    static constexpr int kProgressConverted = 90;

    const StatusSink &status_;
    const DiagnosticSink &diagnostics_;
    const ProgressSink &progress_;
    QStringList outsideIds_;
};

}  // namespace

ConversionResult runConversion(const ConversionSettings &settings, const QString &inputPath, const QString &secondPath,
                               const QString &workDir, const StatusSink &status, const DiagnosticSink &diagnostics,
                               const ProgressSink &progress, const std::function<bool()> &cancelled,
                               const std::string &crs)
{
    RunOptions plan;
    plan.crs = crs;
    plan.settings = settings;
    plan.network = defaultNetworkFiles(workDir, settings.direction);
    plan.input = inputPath;
    plan.echo = secondPath;
    plan.output = deriveOutputPath(inputPath);
    plan.controlShift = QDir(workDir).filePath(QLatin1String(kControlShiftFile));
    plan.keepRecords = true;
    plan.cancelled = cancelled;
    plan.layout.headerIfNamed = true;  // a first line naming x, y and id is a header
    plan.keepRecord = true;            // for "Save Report..."
    plan.version = QString::fromLatin1(kVersion);
    WindowReporter reporter(status, diagnostics, progress);
    const RunResult run = runPlan(plan, reporter);

    ConversionResult result;
    switch (run.outcome) {
    case RunOutcome::Completed:
        result.outcome = ConversionOutcome::Completed;
        break;
    case RunOutcome::EmptyInputPath:
        result.outcome = ConversionOutcome::EmptyInputPath;
        break;
    case RunOutcome::Cancelled:
        result.outcome = ConversionOutcome::Cancelled;
        break;
    case RunOutcome::OutputNotWritten:
    case RunOutcome::Failed:
        result.outcome = ConversionOutcome::OutputNotWritten;
        break;
    }
    result.ptsControl = run.control;
    result.ptsInput = run.points;
    result.tris = run.triangles;
    result.statsControl = run.statsControl;
    result.statsInput = run.statsInput;
    result.nTinVerts = run.nTinVerts;
    result.nTris = uint32_t(run.triangles->size());
    result.unconvertedPoints = uint32_t(run.outside);
    result.outsideIds = reporter.outsideIds();
    result.record = run.record;
    if (run.outcome != RunOutcome::EmptyInputPath) {
        result.outFile = plan.output;
        result.controlShiftFile = plan.controlShift;
    }
    return result;
}

}  // namespace veltrane

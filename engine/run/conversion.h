#pragma once
// A run in a working folder, as the window starts it: the network's fixed
// files there, the converted points beside the input and "controlshift.csv"
// in the folder; and a reporter that hands the run's lines to sinks.

#include "engine/network/networkbuilder.h"
#include "engine/run/runoptions.h"
#include "engine/run/runreporter.h"

#include <QString>
#include <functional>
#include <string>

namespace veltrane {

// Receives the progress of the conversion, percent.
using ProgressSink = std::function<void(int percent)>;

// The options of a conversion of `input` with the fixed files of `workDir`:
// the converted points named after the input, "controlshift.csv" in the
// folder, the network and the points kept for a view with the record and
// the network's check, and a first line that names the columns taken as a
// header. `echo` is the line the opening status lines give after the input.
// Source control points without a target partner are left out of the
// network. No output replaces a file the run reads; when an output cannot be
// written the run converts all the same, reports it and leaves nothing new.
RunOptions folderRunOptions(const ConversionSettings &settings, const QString &input, const QString &echo,
                            const QString &workDir);

// Hands the run's status lines, and its errors as status lines at 100 %, to
// `status`, the readers' diagnostics to `diagnostics` (none: not made), and
// the progress of the conversion to `progress`, between the network's
// assembly and the finished run.
class SinkReporter : public RunReporter {
public:
    explicit SinkReporter(StatusSink status, DiagnosticSink diagnostics = {}, ProgressSink progress = {});

    void status(const QString &text, int percent) override { status_(text, percent); }
    void error(const QString &text, bool) override { status_(text, kProgressDone); }
    void progress(uint64_t points, uint64_t position, uint64_t total) override;
    void diagnostic(const std::string &text) override { diagnostics_(text); }
    bool wantsDiagnostics() const override { return bool(diagnostics_); }

private:
    StatusSink status_;
    DiagnosticSink diagnostics_;
    ProgressSink progress_;
};

}  // namespace veltrane

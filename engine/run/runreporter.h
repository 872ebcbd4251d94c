#pragma once
// Where a run's messages go: each front end words and shows them its way.

#include "engine/network/networkbuilder.h"

#include <QString>
#include <cstdint>
#include <string>

namespace veltrane {

// A likely mistake behind an input whose points lie outside the network.
enum class RunHint {
    ForceNegative,  // longitudes of the other sign than the network's
    SwapColumns,    // latitude before longitude
};

class RunReporter {
public:
    virtual ~RunReporter() = default;
    // A status line of the run with the progress value, percent.
    virtual void status(const QString &text, int percent) = 0;
    // Why the run (or one of its outputs) failed; `leadingName` when the
    // text begins with a file name rather than a word.
    virtual void error(const QString &text, bool leadingName = false) = 0;
    // Something the user should know that does not stop the run.
    virtual void warning(const QString &text) { status(text, kProgressControl); }
    // A likely mistake the run noticed, in the front end's own words;
    // by default those of the window.
    virtual void hint(RunHint hint);
    // The closing line of a run that succeeded.
    virtual void summary(const QString &) {}
    // The input read so far; totalBytes is kUnknownSize for a pipe.
    virtual void progress(uint64_t /*points*/, uint64_t /*bytes*/, uint64_t /*totalBytes*/) {}
    // Each line of the input that gave no point ("line 3: no identifier"),
    // when wantsRejectedLines(); the first few are named in a warning anyway.
    virtual void rejectedLine(const QString &) {}
    virtual bool wantsRejectedLines() const { return false; }
    // Each point outside the network, when wantsOutsidePoints().
    virtual void outsidePoint(const QString &) {}
    virtual bool wantsOutsidePoints() const { return false; }
    // The readers' raw diagnostics and the dumps of the network, when
    // wantsDiagnostics(): text with its own line ends.
    virtual void diagnostic(const std::string &) {}
    virtual bool wantsDiagnostics() const { return false; }
};

}  // namespace veltrane

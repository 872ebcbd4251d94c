#pragma once
// The window's conversion: the run of conversionrun.h with the window's
// fixed files and outputs.

#include "engine/network/networkbuilder.h"
#include "engine/types/pointrecord.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

struct ConversionRecord;
struct NetworkValidation;

// How many identifiers of points outside the network a window's run keeps.
constexpr int kOutsideIdsKept = 20;

// Receives the progress of the conversion, percent.
using ProgressSink = std::function<void(int percent)>;

enum class ConversionOutcome {
    Completed,         // both output files written
    EmptyInputPath,    // nothing read or written; the window shows its message box
    OutputNotWritten,  // the run finished but an output file could not be written (reported)
    Cancelled,         // stopped when asked; no output file was written (reported)
};

struct ConversionResult {
    ConversionOutcome outcome = ConversionOutcome::EmptyInputPath;
    std::shared_ptr<const std::vector<PointRecord>> ptsControl;  // TIN vertices / control records
    std::shared_ptr<const std::vector<PointRecord>> ptsInput;    // converted input points
    std::shared_ptr<const std::vector<Triangle>> tris;           // indices into ptsControl
    STATS statsControl;
    STATS statsInput;
    uint32_t nTinVerts = 0;
    uint32_t nTris = 0;
    uint32_t unconvertedPoints = 0;  // input points no triangle took
    QStringList outsideIds;          // the first kOutsideIdsKept of them, in input order
    QString outFile;                 // path of the converted-points file
    QString controlShiftFile;        // path of "controlshift.csv"
    // The record of a completed run (conversionrecord.h), and the check of
    // its network once the window has made it.
    std::shared_ptr<const ConversionRecord> record;
    std::shared_ptr<const NetworkValidation> validation;
};

// The window's run. inputPath is the "Points" text, secondPath the
// "Output" text (echoed only); workDir is the folder holding the fixed files
// and receiving "controlshift.csv". Source control points without a target
// partner are left out of the network (statsControl.count counts the pairs,
// or the TIN vertices when the TIN file has more). No output replaces a file
// the run reads; when an output cannot be written, the failure is reported
// through `status`, no output is left new and the result is OutputNotWritten.
// `crs` is the coordinate system of a text input's points (empty: degrees).
ConversionResult runConversion(const ConversionSettings &settings, const QString &inputPath, const QString &secondPath,
                               const QString &workDir, const StatusSink &status, const DiagnosticSink &diagnostics = {},
                               const ProgressSink &progress = {}, const std::function<bool()> &cancelled = {},
                               const std::string &crs = {});

}  // namespace veltrane

#pragma once
// One run of the program, whoever starts it: the window's "Convert!" and
// veltrane-convert describe the run as a plan, hand it to runPlan() and show
// what the reporter is told. The run builds the control network once,
// streams the input block by block through it on every core, and writes
// every output as one transaction (runoutputs.h); or, for the network check,
// validates the network and writes its residual file and picture.

#include "engine/run/conversion.h"
#include "engine/formats/gisfile.h"
#include "engine/run/conversionrecord.h"
#include "engine/network/networkvalidation.h"
#include "engine/run/streamconversion.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

enum class RunKind {
    Convert,       // convert the input's points
    CheckNetwork,  // validate the network by leaving out each control point
};

// Draws the network check's picture as the bytes of an image file of the
// format `path` names; false with `error` set. Given by the front end, which
// has the painting toolkit the engine does without.
using PictureRenderer = std::function<bool(const QString &path, const std::vector<PointRecord> &control,
                                           const std::vector<Triangle> &triangles, const NetworkValidation &validation,
                                           QByteArray &image, QString &error)>;

// Draws the record of a conversion (conversionrecord.h) with the network's
// check and map as the bytes of a PDF file; false with `error` set. Given by
// the front end, as the picture is.
using RecordRenderer = std::function<bool(
    const QString &path, const ConversionRecord &record, const std::vector<PointRecord> &control,
    const std::vector<Triangle> &triangles, const NetworkValidation &validation, QByteArray &pdf, QString &error)>;

struct RunPlan {
    RunKind kind = RunKind::Convert;
    ConversionSettings settings;
    NetworkFiles network;
    uint64_t networkByteLimit = kNoByteLimit;  // control and TIN files beyond it are refused
    // The command stops at a network or input that cannot be used; the
    // window goes on with what it has (zeros for every point).
    bool strict = false;

    QString input;                     // the input file; empty: nothing to convert
    std::FILE *inputStream = nullptr;  // read instead of opening `input` (standard input)
    QString echo;                      // the line the opening status lines give after the input
    // The coordinate systems of the input's points and of the converted
    // positions, as PROJ takes them (coordinatesystem.h); empty: degrees, and
    // for the output the input's system.
    std::string crs;
    std::string outputCrs;
    // A GIS input's layer and fields; unused for a text input.
    GisReadOptions gis;
    // GDAL's driver for the converted points; empty: the one the output's
    // extension names, or text.
    QString outputFormat;

    QString output;                     // converted points
    std::FILE *outputStream = nullptr;  // takes the points instead of a file (standard output)
    QString controlShift;               // control shifts; empty: not written
    QString tinshift;                   // the network exported for tinshift; empty: not written
    QString exportLicense;              // named in the export; empty: none
    QString version;                    // of the program, named in the export
    QString quality;                    // an uncertainty for every point; empty: not written
    OutsidePoints outside = OutsidePoints::Zero;
    OutputDecimals decimals;        // of the converted points and the control shifts
    OutputStyle style;              // of the converted points and the control shifts
    PointLayout layout;             // of the input
    bool keepRecords = false;       // keep the network and the converted points (for a view)
    bool summarizeNetwork = false;  // end with the network check's summary as a status line

    // Asked as the run goes on; true stops it with nothing written
    // (RunOutcome::Cancelled). Called on the run's thread.
    std::function<bool()> cancelled;

    // The record of the conversion: kept in the result with keepRecord, and
    // drawn by renderRecord into `record`, an output of the run like the others.
    bool keepRecord = false;
    QString record;  // empty: not written
    RecordRenderer renderRecord;

    QString report;  // the network check's residual file
    QString plot;    // the network check's picture; empty: none
    PictureRenderer renderPicture;
};

// Where a run's messages go.
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

enum class RunOutcome {
    Completed,         // every output written and put in place
    EmptyInputPath,    // nothing read or written
    OutputNotWritten,  // the window's run finished but its outputs were not written (reported)
    Failed,            // the run stopped; nothing new is left under the output names (reported)
    Cancelled,         // stopped when asked; nothing new is left under the output names (reported)
};

struct RunResult {
    RunOutcome outcome = RunOutcome::EmptyInputPath;
    // With plan.keepRecords: the network and the converted points.
    std::shared_ptr<const std::vector<PointRecord>> control;
    std::shared_ptr<const std::vector<Triangle>> triangles;
    std::shared_ptr<const std::vector<PointRecord>> points;
    STATS statsControl;
    STATS statsInput;
    uint32_t nTinVerts = 0;
    uint64_t pointCount = 0;
    uint64_t outside = 0;   // points no triangle took
    uint64_t rejected = 0;  // lines of the input that gave no point
    // With plan.keepRecord or plan.record, of a conversion that ran to its end.
    std::shared_ptr<const ConversionRecord> record;
};

RunResult runPlan(const RunPlan &plan, RunReporter &reporter);

}  // namespace veltrane

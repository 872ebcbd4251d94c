#pragma once
// The control network of a run: pairs the two control files and obtains the
// TIN (from the TIN file or by triangulation). And the window's conversion,
// the run of conversionrun.h with the window's fixed files and outputs.

#include "engine/formats/pointrecord.h"
#include "engine/formats/pointstream.h"
#include "engine/formats/tinfile.h"

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

// Fixed files, opened in the working folder.
extern const char *const kControlFileCors96;   // "TARVONA_NAD83_CORS96_CONTROL.csv"
extern const char *const kControlFileCors96a;  // "TARVONA_NAD83_CORS96a_CONTROL.csv"
extern const char *const kControlTinFile;      // "TARVONA_TIN_CONTROL.obj"
extern const char *const kControlShiftFile;    // "controlshift.csv"

// Where the run's TIN comes from.
enum class TinSource {
    FromFile,  // the TIN file's triangles over its vertices
    Generate,  // Delaunay triangulation of the paired control points
};

// The TIN mode numbers of the form and the command line: 1 reads the TIN
// file, any other number triangulates.
inline TinSource tinSourceFromMode(int tinMode)
{
    return tinMode == 1 ? TinSource::FromFile : TinSource::Generate;
}

struct ConversionSettings {
    DatumDirection direction = DatumDirection::Cors96ToCors96a;
    TinSource tinSource = TinSource::Generate;
    bool forceNegative = false;  // store -|x| for the longitudes of all three point files
};

// How the run's readers store longitudes.
inline LongitudeSign longitudeSignOf(const ConversionSettings &settings)
{
    return settings.forceNegative ? LongitudeSign::ForceWest : LongitudeSign::AsRead;
}

// Progress values, percent, of the status lines of the network's assembly
// and of a finished run.
constexpr int kProgressControl = 10;
constexpr int kProgressDone = 100;

// Control and TIN files beyond this size are refused by the command: far
// above any real network (a million control points take about 50 MB), it
// bounds what a file that never ends (a pipe, say) can cost.
constexpr uint64_t kNetworkFileByteLimit = uint64_t(256) << 20;

// How many identifiers of points outside the network a window's run keeps.
constexpr int kOutsideIdsKept = 20;

// Receives every status line with its progress value in percent.
using StatusSink = std::function<void(const QString &text, int percent)>;

// Receives the progress of the conversion, percent.
using ProgressSink = std::function<void(int percent)>;

// Receives the readers' raw diagnostics and the run's dumps of the network
// (text with its own line ends). The window prints them to standard output;
// a caller that gives none keeps quiet.
using DiagnosticSink = std::function<void(const std::string &text)>;

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

// The files of a run's control network.
struct NetworkFiles {
    QString source;  // control points in the realization the input points are in
    QString target;  // the same points in the other realization
    QString tin;     // read when the TIN comes from a file
};

// The fixed names in `workDir`; the direction says which control file is the source.
NetworkFiles defaultNetworkFiles(const QString &workDir, DatumDirection direction);

// The network a run converts with.
struct ControlNetwork {
    std::vector<PointRecord> control;  // TIN vertices / paired control records
    std::vector<Triangle> triangles;   // indices into control
    STATS statsControl;
    uint32_t nTinVerts = 0;
    // How reading each file ended.
    InputReport sourceRead;
    InputReport targetRead;
    InputReport tinRead;
};

// What the network is made from, read already: both control files and, when
// the TIN comes from a file, that file.
struct NetworkSources {
    std::vector<PointRecord> source;
    std::vector<PointRecord> target;
    STATS sourceStats;
    STATS targetStats;
    TinFileContents tin;
};

// Pairs the control points and obtains the TIN (the file's, or a
// triangulation), reporting through `status` and `diagnostics` as the run
// does; `names` name the files in the reports.
ControlNetwork assembleControlNetwork(const ConversionSettings &settings, const NetworkSources &sources,
                                      const NetworkFiles &names, const StatusSink &status,
                                      const DiagnosticSink &diagnostics = {});

// Reads both control files, pairs them and obtains the TIN (from the TIN
// file or by triangulation), reporting through `status` and `diagnostics` as
// the run does. A file of more than `byteLimit` bytes is refused (TooLarge).
ControlNetwork buildControlNetwork(const ConversionSettings &settings, const NetworkFiles &files,
                                   const StatusSink &status, const DiagnosticSink &diagnostics = {},
                                   uint64_t byteLimit = kNoByteLimit);

// The network's triangles as the window's run prints them after the
// conversion: "%i %i %i" each, without separator.
std::string dumpTriangles(const std::vector<Triangle> &triangles);

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

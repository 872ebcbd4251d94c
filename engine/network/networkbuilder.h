#pragma once
// Builds a run's control network: reads both control files, pairs their
// points by identifier and obtains the TIN, from the TIN file or by
// triangulation, telling what it did as status lines.

#include "engine/formats/pointstream.h"
#include "engine/formats/tinfile.h"
#include "engine/network/networkfiles.h"
#include "engine/types/pointrecord.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veltrane {

// Progress values, percent, of a run's status lines: its start, the
// network's assembly, the points converted, the finished run.
constexpr int kProgressStart = 0;
constexpr int kProgressControl = 10;
constexpr int kProgressConverted = 90;
constexpr int kProgressDone = 100;

// Receives every status line with its progress value in percent.
using StatusSink = std::function<void(const QString &text, int percent)>;

// Receives the readers' raw diagnostics and the run's dumps of the network
// (text with its own line ends). The window prints them to standard output;
// a caller that gives none keeps quiet.
using DiagnosticSink = std::function<void(const std::string &text)>;

// The network a run converts with.
struct ControlNetwork {
    std::vector<PointRecord> control;  // TIN vertices / paired control records
    std::vector<Triangle> triangles;   // indices into control
    Extent controlExtent;
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
    Extent sourceStats;
    Extent targetStats;
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

}  // namespace veltrane

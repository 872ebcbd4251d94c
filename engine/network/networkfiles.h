#pragma once
// The files of a control network: the fixed names in a working folder, the
// files a run reads, and the settings that say how they are read.

#include "engine/types/pointrecord.h"

#include <QString>
#include <cstdint>

namespace veltrane {

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

// Control and TIN files beyond this size are refused by the command: far
// above any real network (a million control points take about 50 MB), it
// bounds what a file that never ends (a pipe, say) can cost.
constexpr uint64_t kNetworkFileByteLimit = uint64_t(256) << 20;

// The files of a run's control network.
struct NetworkFiles {
    QString source;  // control points in the realization the input points are in
    QString target;  // the same points in the other realization
    QString tin;     // read when the TIN comes from a file
};

// The fixed names in `workDir`; the direction says which control file is the source.
NetworkFiles defaultNetworkFiles(const QString &workDir, DatumDirection direction);

}  // namespace veltrane

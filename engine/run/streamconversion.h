#pragma once
// The run's one loop: from a point source (text in any layout, or the point
// features of a GIS layer) through the network to a point sink (text lines,
// or the features of a GIS layer), in bounded memory. The input is read
// block by block on the calling thread; each block is parsed, converted over
// the network and formatted for the sink on a worker thread, and the blocks
// are handed to the sink in input order. The numbers and the bytes do not
// depend on the source, the sink or the number of cores.

#include "engine/formats/gisfile.h"
#include "engine/run/runoptions.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/pointlayout.h"
#include "engine/formats/pointstream.h"
#include "engine/geodesy/gridconversion.h"
#include "engine/network/pointquality.h"
#include "engine/network/pointshift.h"
#include "engine/network/shiftstatistics.h"
#include "engine/types/pointrecord.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// What the run makes for the loop beside its options.
struct StreamParts {
    // When given, every point's uncertainty is computed beside its
    // conversion and handed to StreamHandlers::writeQuality as lines of the
    // uncertainty file.
    const PointQualityEstimator *quality = nullptr;
    // When given, the points are read in its input's coordinate system and
    // written as its layout says; otherwise they are degrees throughout.
    const GridConversion *grid = nullptr;
    // Gather StreamTotals::shifts (for a record of the run).
    bool shiftStatistics = false;
};

// The shifts of one block's points that took one (converted, or extended
// from the nearest triangle).
ShiftStatistics blockShifts(const std::vector<PointRecord> &points, const std::vector<PointStatus> &status);

// One block's converted points, for a caller that keeps them.
struct KeptBlock {
    std::vector<PointRecord> points;
    // Indices into `points`, ascending, of those no triangle took and none
    // was extended to: they have no shift.
    std::vector<uint32_t> outside;
    uint64_t inputSize = 0;  // of the input the block was read from: bytes, or features
};

class PieceReader;
class RecordReader;
class ReplayByteSource;

// The points of a text file or stream in a layout made definite by its first
// lines (read ahead and given back), block by block.
class TextPointSource {
public:
    TextPointSource(ByteSource &input, const PointLayout &layout);
    ~TextPointSource();
    TextPointSource(const TextPointSource &) = delete;
    TextPointSource &operator=(const TextPointSource &) = delete;

    // False when the header names no usable columns (layoutError() says why).
    bool ok() const { return ok_; }
    const QString &layoutError() const { return layoutError_; }
    const ResolvedLayout &layout() const { return resolved_; }
    ByteSource &input() const { return input_; }

    bool next(PieceBlock &block);
    uint64_t bytesRead() const;
    bool isSmall() const;  // smaller than one block

private:
    ByteSource &input_;
    bool ok_ = false;
    QString layoutError_;
    ResolvedLayout resolved_;
    std::unique_ptr<ReplayByteSource> replay_;
    std::unique_ptr<PieceReader> pieces_;
    std::unique_ptr<RecordReader> records_;
};

// Where the points come from: exactly one of the two.
struct PointSource {
    TextPointSource *text = nullptr;  // a text file or standard input
    GisPointReader *gis = nullptr;    // the point features of a GIS layer
};

// Where the converted points go: exactly one of the two.
struct PointSink {
    // Takes the next run of output lines (without header); false when they
    // could not be written, which ends the conversion.
    std::function<bool(const std::string &lines)> writeLines;
    // Takes the points as features; a feature of a GIS source keeps its fields.
    GisPointWriter *features = nullptr;
};

struct StreamHandlers {
    // Takes the uncertainty lines of the points (with
    // StreamParts::quality); returns false when they could not be written.
    std::function<bool(const std::string &lines)> writeQuality;
    // Called with every rejected line of a text source, in input order.
    std::function<void(const LineReject &reject)> rejectedLine;
    // Called with the identifier of every point outside the network, in input order.
    std::function<void(const QString &id)> outsidePoint;
    // Takes every block's converted points, in input order, when a caller
    // keeps them.
    std::function<void(KeptBlock &&block)> convertedPoints;
    // Called after every block with the points read so far and how far the
    // input is read: bytes of a text source, features of a GIS one.
    std::function<void(uint64_t points, uint64_t position)> progress;
    // Asked before every block is read; true ends the conversion there.
    std::function<bool()> cancelled;
};

// Identifiers of points outside the network a run keeps, in input order:
// named when --outside fail stops it, shown by the window, in the record.
constexpr int kOutsideIdsKept = 20;

// Rejected lines or features a run names without being asked for all of them.
constexpr size_t kRejectsNamed = 5;

// Features of a GIS source read per block: one is read while one per core
// converts, so that a block in flight holds a share of what one did alone.
constexpr size_t kGisBatchFeatures = 16384;

struct StreamTotals {
    uint64_t points = 0;    // points read
    uint64_t outside = 0;   // points no triangle took (extrapolated ones included)
    uint64_t extended = 0;  // of those, the points extrapolated from the nearest triangle
    // Of the outside points of a text source in degrees, those a triangle
    // would take with the longitude made west (when read as it was), and with
    // longitude and latitude swapped.
    uint64_t insideIfWest = 0;
    uint64_t insideIfSwapped = 0;
    uint64_t latitudeRejects = 0;  // lines rejected for a latitude that swapping would mend
    uint64_t dataLines = 0;
    // Lines (or features) that gave no point: all counted, the first
    // kRejectsNamed kept; for a GIS source as "feature 3: no point geometry".
    RejectLog rejects;
    QStringList rejectedFeatures;
    uint64_t bytesRead = 0;
    ResolvedLayout layout;     // how a text source's lines were read
    QString layoutError;       // the input's header names no usable columns; nothing was converted
    bool readFailed = false;   // the input could not be read to its end
    bool writeFailed = false;  // the sink refused points
    bool cancelled = false;    // `cancelled` said so before the input's end
    QString error;             // why a GIS source or sink stopped, in GDAL's words
    // With StreamParts::shiftStatistics: the shifts of the points that took
    // one (converted, or extended from the nearest triangle).
    ShiftStatistics shifts;
};

// Converts every point of `source` over the network into `sink`.
// The options say how points are read and written: the direction, the sign
// of longitudes, the outside points, decimals, style and a text input's layout.
StreamTotals convertPoints(const PointSource &source, const PointSink &sink, const NetworkInterpolator &network,
                           const RunOptions &options, const StreamParts &parts, const StreamHandlers &handlers);

}  // namespace veltrane

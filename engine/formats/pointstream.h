#pragma once
// Point files read once, block by block, from a file, a pipe or memory: the
// whole-file reader (pointfile.h) and the streaming batch conversion both
// cut their input into line pieces and parse them here.

#include "engine/formats/linerejects.h"
#include "engine/types/pointrecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace veltrane {

// Longest piece of a line handled at once; longer lines are split.
constexpr int kPointLinePiece = 255;

// Bytes of a point or TIN file without limit.
constexpr uint64_t kNoByteLimit = UINT64_MAX;

// Size of an input whose length is not known before it ends (a pipe).
constexpr uint64_t kUnknownSize = UINT64_MAX;

// Why an input gave no bytes.
enum class InputProblem {
    None,
    CannotOpen,  // missing, no permission (errno tells)
    IsFolder,
    IsDevice,   // a character or block device: /dev/zero, a terminal, a disk
    ReadError,  // the file opened but reading it failed (errno tells)
    TooLarge,   // more bytes than the caller's limit
};

// How reading one input ended.
struct InputReport {
    InputProblem problem = InputProblem::None;
    int error = 0;  // errno, for CannotOpen and ReadError
};

// Where the bytes of an input come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills `buffer` with up to `size` bytes; fewer only at the end of the
    // input or on an error.
    virtual size_t read(char *buffer, size_t size) = 0;
    // True after a read failed other than by reaching the end.
    virtual bool failed() const = 0;
    // The errno of the failed read, 0 when unknown.
    virtual int error() const { return 0; }
    // The number of bytes the input holds, kUnknownSize for a pipe.
    virtual uint64_t knownSize() const = 0;
};

// An open stream; the caller keeps ownership.
class StreamByteSource : public ByteSource {
public:
    explicit StreamByteSource(std::FILE *stream);
    size_t read(char *buffer, size_t size) override;
    bool failed() const override;
    int error() const override { return error_; }
    uint64_t knownSize() const override { return size_; }

private:
    std::FILE *stream_;
    int error_ = 0;
    uint64_t size_;
};

// Bytes held in memory by the caller.
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const char *data, size_t size) : data_(data), size_(size) {}
    size_t read(char *buffer, size_t size) override;
    bool failed() const override { return false; }
    uint64_t knownSize() const override { return size_; }

private:
    const char *data_;
    size_t size_;
    size_t position_ = 0;
};

// Opens `path` for reading as a point or TIN file: regular files, pipes and
// sockets are read; folders and devices (which may never end) are refused.
// Returns the stream, or nullptr with `problem` (and errno) set.
std::FILE *openInputFile(const std::string &path, InputProblem &problem);

// A run of whole pieces of an input: piece k is text[starts[k], starts[k + 1]).
struct PieceBlock {
    std::string text;
    std::vector<size_t> starts;

    size_t pieceCount() const { return starts.empty() ? 0 : starts.size() - 1; }
    const char *pieceBegin(size_t k) const { return text.data() + starts[k]; }
    const char *pieceEnd(size_t k) const { return text.data() + starts[k + 1]; }
};

// Cuts an input into the pieces fgets() with room for kPointLinePiece
// characters returns: up to and including a line end, at most
// kPointLinePiece characters, the last one possibly without line end. A
// carriage return alone also ends a line (linepieces.h). Reads large blocks
// instead of one piece at a time, so the bytes held stay bounded whatever
// the input's length.
class PieceReader {
public:
    // Bytes read at a time unless the caller asks for other blocks.
    static constexpr size_t kDefaultBlockSize = size_t(1) << 20;

    // Reads blocks of `blockSize` bytes (kPointLinePiece + 1 at least).
    explicit PieceReader(ByteSource &source, size_t blockSize = kDefaultBlockSize);

    // The next block of whole pieces; false when the input has no more.
    bool next(PieceBlock &block);

    uint64_t bytesRead() const { return bytesRead_; }
    // True when the source holds less than one full block: its pieces are
    // best parsed on the calling thread.
    bool isSmall() const;

private:
    ByteSource &source_;
    size_t blockSize_;
    std::string carry_;
    uint64_t bytesRead_ = 0;
    bool atEnd_ = false;
};

// The points of a block's pieces, in order, with longitudes stored as `sign`
// says; comments and lines that do not parse are skipped. `dataPieces`
// receives the number of pieces that are not comments.
std::vector<PointRecord> parsePieces(const PieceBlock &block, LongitudeSign sign, uint64_t &dataPieces);

// What reading one block of an input found besides its points.
struct BlockReading {
    uint64_t dataLines = 0;  // pieces or records that are not comments
    uint64_t lineEnds = 0;   // line ends in the block: later blocks' lines come after them
    RejectLog rejects;       // lines numbered from the block's first line, 1
    // Set by the caller: the coordinates are longitudes and latitudes, so
    // values beyond their ranges are rejected (grid coordinates are not).
    bool degrees = true;
    // Lines rejected for their latitude, with longitude and latitude
    // swapped: the points they would be if the file held latitude first.
    std::vector<PointRecord> swapped;
    // The values of the layout's pass-through columns (ResolvedLayout::
    // passColumns), as many for each point read, in order; empty for a
    // missing column.
    std::vector<std::string> passValues;
};

// A point read from a line; the longitude made west when the reader is told to.
PointRecord pointOf(double x, double y, double h, const char *id, size_t idLength, LongitudeSign sign);

// Keeps a line rejected for its latitude in `reading.swapped` when the
// swapped coordinates are in range.
void keepSwapped(double x, double y, const LineReject &reject, BlockReading &reading);

// The points of an input's block as parsePieces reads them, except that a
// line that is not blank and gives no point, or one that is not finite or
// out of range, is counted in `reading.rejects` with its reason.
// The line `skipLine` (a header naming the fixed layout's columns, lines
// numbered from the block's first, 1; 0: none) is passed over.
std::vector<PointRecord> parseInputPieces(const PieceBlock &block, LongitudeSign sign, BlockReading &reading,
                                          uint64_t skipLine = 0);

}  // namespace veltrane

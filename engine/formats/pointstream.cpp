#include "engine/formats/pointstream.h"

#include "engine/formats/linepieces.h"
#include "engine/formats/pointlayout.h"
#include "engine/formats/pointlinescan.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include <sys/stat.h>

namespace veltrane {

namespace {

// Small inputs are read in one block of their size, at least this large.
constexpr size_t kSmallestReadBlock = 4096;
// Records reserved before a block is parsed.
constexpr size_t kPointsReservedPerBlock = 4096;

bool isDevice(mode_t mode)
{
    return S_ISCHR(mode) || S_ISBLK(mode);
}

// Size of the open stream's file in bytes, kUnknownSize when it has none (a pipe).
uint64_t regularFileSize(std::FILE *stream)
{
    struct stat status;
    if (fstat(fileno(stream), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return kUnknownSize;
    return static_cast<uint64_t>(status.st_size);
}

// Block size for an input of `size` bytes (or kUnknownSize): the whole input plus
// one byte, so that the first read already meets its end, when it is smaller
// than `blockSize`.
size_t readBlockSizeFor(uint64_t size, size_t blockSize)
{
    blockSize = std::max(blockSize, size_t(kPointLinePiece) + 1);
    if (size >= blockSize)  // kUnknownSize too
        return blockSize;
    return std::max(kSmallestReadBlock, size_t(size) + 1);
}

bool isComment(const char *piece)
{
    return piece[0] == '#';
}

bool endsLine(const char *begin, const char *end)
{
    return end != begin && (end[-1] == '\n' || end[-1] == '\r');
}

// The text of a piece as the C string functions see it: up to its first NUL.
const char *textEnd(const char *begin, const char *end)
{
    const void *nul = std::memchr(begin, '\0', size_t(end - begin));
    return nul ? static_cast<const char *>(nul) : end;
}

}  // namespace

StreamByteSource::StreamByteSource(std::FILE *stream) : stream_(stream), size_(regularFileSize(stream)) {}

size_t StreamByteSource::read(char *buffer, size_t size)
{
    errno = 0;
    const size_t n = std::fread(buffer, 1, size, stream_);
    if (n < size && std::ferror(stream_) && error_ == 0)
        error_ = errno;
    return n;
}

bool StreamByteSource::failed() const
{
    return std::ferror(stream_) != 0;
}

size_t MemoryByteSource::read(char *buffer, size_t size)
{
    const size_t n = std::min(size, size_ - position_);
    if (n == 0)
        return 0;  // an empty source may have no data at all
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

std::FILE *openInputFile(const std::string &path, InputProblem &problem)
{
    problem = InputProblem::None;
    std::FILE *stream = std::fopen(path.c_str(), "rt");
    if (!stream) {
        problem = InputProblem::CannotOpen;
        return nullptr;
    }
    struct stat status;
    if (fstat(fileno(stream), &status) != 0) {
        const int error = errno;
        std::fclose(stream);
        errno = error;
        problem = InputProblem::CannotOpen;
        return nullptr;
    }
    if (S_ISDIR(status.st_mode) || isDevice(status.st_mode)) {
        std::fclose(stream);
        problem = S_ISDIR(status.st_mode) ? InputProblem::IsFolder : InputProblem::IsDevice;
        return nullptr;
    }
    return stream;
}

PieceReader::PieceReader(ByteSource &source, size_t blockSize)
    : source_(source), blockSize_(readBlockSizeFor(source.knownSize(), blockSize))
{
}

bool PieceReader::isSmall() const
{
    return source_.knownSize() < blockSize_;
}

bool PieceReader::next(PieceBlock &block)
{
    block.text = std::move(carry_);
    carry_.clear();
    block.starts.clear();
    if (!atEnd_) {
        const size_t had = block.text.size();
        block.text.resize(had + blockSize_);
        const size_t got = source_.read(&block.text[had], blockSize_);
        block.text.resize(had + got);
        bytesRead_ += got;
        atEnd_ = got < blockSize_;  // end of input or a read error, where fgets() stops too
    }
    // A read of more than kPointLinePiece bytes always completes a piece,
    // so every block but the last ends in a piece.
    const char *text = block.text.data();
    const size_t size = block.text.size();
    size_t pos = 0;
    while (pos < size) {
        const size_t length = linePieceLength(text + pos, size - pos, kPointLinePiece, !atEnd_);
        if (length == 0)
            break;  // the rest comes with the next block
        block.starts.push_back(pos);
        pos += length;
    }
    block.starts.push_back(pos);
    carry_.assign(text + pos, size - pos);
    block.text.resize(pos);
    return block.pieceCount() > 0;
}

namespace {

// A line of the fixed layout's four columns written as spreadsheets write
// CSV, with quoted fields ("-122.5","44.5","10","SP 1"); false with the
// reason in `reject`.
bool parseQuotedLine(const char *begin, const char *end, double (&values)[3], std::string &id, LineReject &reject)
{
    std::string scratch;
    std::vector<std::pair<size_t, size_t>> fields;
    reject.column = 0;
    while (end != begin && (end[-1] == '\n' || end[-1] == '\r'))
        --end;
    if (!splitFields(begin, end, ',', scratch, fields)) {
        reject.reason = RejectReason::UnclosedQuote;
        return false;
    }
    for (size_t k = 0; k < 3; ++k) {
        reject.column = uint32_t(k + 1);
        if (k >= fields.size()) {
            reject.reason = RejectReason::MissingColumn;
            return false;
        }
        const char *from = scratch.data() + fields[k].first;
        const char *to = scratch.data() + fields[k].second;
        if (from != to && *from == '+')
            ++from;
        const std::from_chars_result read = std::from_chars(from, to, values[k]);
        if (from == to || read.ec != std::errc() || read.ptr != to) {
            reject.reason = RejectReason::NotANumber;
            return false;
        }
    }
    if (fields.size() < 4 || fields[3].first == fields[3].second) {
        reject.reason = RejectReason::NoIdentifier;
        reject.column = 4;
        return false;
    }
    id.assign(scratch, fields[3].first, fields[3].second - fields[3].first);
    return true;
}

}  // namespace

std::vector<PointRecord> parsePieces(const PieceBlock &block, LongitudeSign sign, uint64_t &dataPieces)
{
    std::vector<PointRecord> points;
    // Room grows with the points found, not with the pieces: a block of
    // empty lines holds a million pieces and no point.
    points.reserve(std::min(block.pieceCount(), kPointsReservedPerBlock));
    dataPieces = 0;
    PointLineFields fields;
    for (size_t k = 0; k < block.pieceCount(); ++k) {
        const char *begin = block.pieceBegin(k);
        if (isComment(begin))
            continue;
        ++dataPieces;
        if (!scanPointLine(begin, textEnd(begin, block.pieceEnd(k)), fields))
            continue;
        points.push_back(
            pointOf(fields.x, fields.y, fields.h, fields.idBegin, size_t(fields.idEnd - fields.idBegin), sign));
    }
    return points;
}

PointRecord pointOf(double x, double y, double h, const char *id, size_t idLength, LongitudeSign sign)
{
    PointRecord record;
    record.x = sign == LongitudeSign::ForceWest ? -std::fabs(x) : x;
    record.y = y;
    record.h = h;
    record.id = QString::fromLatin1(id, static_cast<int>(idLength));
    return record;
}

void keepSwapped(double x, double y, const LineReject &reject, BlockReading &reading)
{
    if (reject.reason != RejectReason::LatitudeOutOfRange || std::fabs(x) > kLatitudeLimit)
        return;
    PointRecord record;
    record.x = y;
    record.y = x;
    reading.swapped.push_back(record);
}

std::vector<PointRecord> parseInputPieces(const PieceBlock &block, LongitudeSign sign, BlockReading &reading,
                                          uint64_t skipLine)
{
    static constexpr uint32_t kColumns[] = {1, 2, 3};
    std::vector<PointRecord> points;
    points.reserve(std::min(block.pieceCount(), kPointsReservedPerBlock));
    PointLineFields fields;
    LineReject reject;
    for (size_t k = 0; k < block.pieceCount(); ++k) {
        const char *begin = block.pieceBegin(k);
        const char *pieceEnd = block.pieceEnd(k);
        reject.line = reading.lineEnds + 1;
        reading.lineEnds += endsLine(begin, pieceEnd);
        if (isComment(begin))
            continue;
        ++reading.dataLines;
        if (reject.line == skipLine)
            continue;
        const char *end = textEnd(begin, pieceEnd);
        if (std::memchr(begin, '"', size_t(end - begin))) {
            double values[3] = {0.0, 0.0, 0.0};
            std::string id;
            if (!parseQuotedLine(begin, end, values, id, reject) ||
                valuesRejected(values[0], values[1], values[2], kColumns, reading.degrees, reject)) {
                keepSwapped(values[0], values[1], reject, reading);
                reading.rejects.add(reject);
                continue;
            }
            points.push_back(pointOf(values[0], values[1], values[2], id.data(), id.size(), sign));
            continue;
        }
        if (!scanPointLine(begin, end, fields)) {
            if (!isBlankText(begin, end)) {
                explainPointLineFailure(begin, end, reject);
                reading.rejects.add(reject);
            }
            continue;
        }
        if (valuesRejected(fields.x, fields.y, fields.h, kColumns, reading.degrees, reject)) {
            keepSwapped(fields.x, fields.y, reject, reading);
            reading.rejects.add(reject);
            continue;
        }
        points.push_back(
            pointOf(fields.x, fields.y, fields.h, fields.idBegin, size_t(fields.idEnd - fields.idBegin), sign));
    }
    return points;
}

}  // namespace veltrane

#include "engine/formats/pointfile.h"

#include "engine/formats/linepieces.h"
#include "engine/formats/parallel.h"
#include "engine/formats/pointlinescan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include <sys/stat.h>

namespace veltrane {

namespace {

// Bytes read from the file at a time; the pieces of one block are parsed
// together, on a thread of their own. Small files are read in one smaller
// block and parsed on the calling thread.
constexpr size_t kReadBlockSize = size_t(1) << 20;
constexpr size_t kSmallestReadBlock = 4096;

// Size of the open file in bytes, 0 when it has none (a pipe, a device).
size_t openFileSize(std::FILE *file)
{
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return 0;
    return static_cast<size_t>(status.st_size);
}

// Block size for a file of `fileSize` bytes: the whole file plus one byte
// (so the first read already meets its end), within the limits above.
size_t readBlockSizeFor(size_t fileSize)
{
    return std::min(kReadBlockSize, std::max(kSmallestReadBlock, fileSize + 1));
}

bool isComment(const char *piece)
{
    return piece[0] == '#';
}

// A run of whole pieces of a file: piece k is text[starts[k], starts[k + 1]).
struct PieceBlock {
    std::string text;
    std::vector<size_t> starts;

    size_t pieceCount() const { return starts.empty() ? 0 : starts.size() - 1; }
    const char *pieceBegin(size_t k) const { return text.data() + starts[k]; }
    const char *pieceEnd(size_t k) const { return text.data() + starts[k + 1]; }
};

// Cuts a file into the pieces fgets() with room for kPointLinePiece
// characters returns: up to and including a line end, at most
// kPointLinePiece characters, the last one possibly without line end. A
// carriage return alone also ends a line (linepieces.h), so that files with
// such line ends do not lose every line but the first of each piece.
// Reads large blocks instead of one piece at a time.
class PieceReader {
public:
    explicit PieceReader(std::FILE *file) : file_(file), blockSize_(readBlockSizeFor(openFileSize(file))) {}

    // The next block of whole pieces; false when the file has no more.
    bool next(PieceBlock &block)
    {
        block.text = std::move(carry_);
        block.starts.clear();
        if (!atEnd_) {
            const size_t had = block.text.size();
            block.text.resize(had + blockSize_);
            const size_t got = std::fread(&block.text[had], 1, blockSize_, file_);
            block.text.resize(had + got);
            atEnd_ = got < blockSize_;  // end of file or a read error, where fgets() stops too
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
            const size_t end = pos + length;
            block.starts.push_back(pos);
            pos = end;
        }
        block.starts.push_back(pos);
        carry_.assign(text + pos, size - pos);
        block.text.resize(pos);
        return block.pieceCount() > 0;
    }

private:
    std::FILE *file_;
    size_t blockSize_;
    std::string carry_;
    bool atEnd_ = false;
};

// The text of a piece as the C string functions see it: up to its first NUL.
const char *textEnd(const char *begin, const char *end)
{
    const void *nul = std::memchr(begin, '\0', size_t(end - begin));
    return nul ? static_cast<const char *>(nul) : end;
}

// The points of one block, in file order; comments and lines that do not
// parse are skipped.
std::vector<PointRecord> parsePieces(const PieceBlock &block, LongitudeSign sign)
{
    std::vector<PointRecord> points;
    points.reserve(block.pieceCount());
    PointLineFields fields;
    for (size_t k = 0; k < block.pieceCount(); ++k) {
        const char *begin = block.pieceBegin(k);
        if (isComment(begin) || !scanPointLine(begin, textEnd(begin, block.pieceEnd(k)), fields))
            continue;
        PointRecord record;
        record.x = sign == LongitudeSign::ForceWest ? -std::fabs(fields.x) : fields.x;
        record.y = fields.y;
        record.h = fields.h;
        record.id = QString::fromLatin1(fields.idBegin, static_cast<int>(fields.idEnd - fields.idBegin));
        points.push_back(std::move(record));
    }
    return points;
}

void widenExtents(STATS &stats, double x, double y, double h)
{
    if (x > stats.xMax)
        stats.xMax = x;
    else if (x < stats.xMin)
        stats.xMin = x;
    if (y > stats.yMax)
        stats.yMax = y;
    else if (y < stats.yMin)
        stats.yMin = y;
    if (h > stats.zMax)
        stats.zMax = h;
    else if (h < stats.zMin)
        stats.zMin = h;
}

// Appends one printf-formatted diagnostic when the caller collects them.
template <typename... Args>
void note(std::vector<std::string> *diagnostics, const char *format, Args... args)
{
    if (!diagnostics)
        return;
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0)
        return;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, args...);
    text.resize(static_cast<size_t>(length));
    diagnostics->push_back(std::move(text));
}

}  // namespace

int countPointLines(const std::string &path, int *commentCount, std::vector<std::string> *diagnostics)
{
    if (commentCount)
        *commentCount = 0;
    FILE *file = std::fopen(path.c_str(), "rt");
    if (!file) {
        note(diagnostics, "UNABLE TO OPEN FILE %s \n", path.c_str());
        return 0;
    }
    int dataLines = 0;
    PieceReader reader(file);
    PieceBlock block;
    while (reader.next(block)) {
        for (size_t k = 0; k < block.pieceCount(); ++k) {
            if (isComment(block.pieceBegin(k))) {
                if (commentCount)
                    ++*commentCount;
            } else {
                ++dataLines;
            }
        }
    }
    std::fclose(file);
    return dataLines;
}

bool parsePointLine(const char *piece, double &x, double &y, double &h, std::string &id)
{
    PointLineFields fields;
    if (!scanPointLine(piece, piece + std::strlen(piece), fields))
        return false;
    x = fields.x;
    y = fields.y;
    h = fields.h;
    id.assign(fields.idBegin, fields.idEnd);
    return true;
}

std::vector<PointRecord> readPointFile(const std::string &path, STATS &stats, LongitudeSign sign,
                                       std::vector<std::string> *diagnostics)
{
    stats = STATS();
    std::vector<PointRecord> points;

    const int dataLines = countPointLines(path, nullptr, diagnostics);
    FILE *file = nullptr;
    if (dataLines == 0) {
        note(diagnostics, "NO POINTS in file!!!!!  \n");
    } else if (!(file = std::fopen(path.c_str(), "rt"))) {
        note(diagnostics, "Unable to open data file at %s \n", path.c_str());
    }

    if (file) {
        note(diagnostics, "Loading %i points from file %s \n", dataLines, path.c_str());
        points.reserve(static_cast<size_t>(dataLines));
        // Blocks are parsed on worker threads while the next one is read;
        // their points are appended in file order.
        const auto append = [&points](std::vector<PointRecord> parsed) {
            std::move(parsed.begin(), parsed.end(), std::back_inserter(points));
        };
        const bool oneBlock = openFileSize(file) < kReadBlockSize;
        OrderedTasks<std::vector<PointRecord>> parsing(oneBlock ? 1 : workerThreadCount());
        PieceReader reader(file);
        PieceBlock block;
        while (reader.next(block)) {
            auto shared = std::make_shared<const PieceBlock>(std::move(block));
            parsing.add([shared, sign] { return parsePieces(*shared, sign); }, append);
            block = PieceBlock();
        }
        parsing.finish(append);

        for (size_t i = 0; i < points.size(); ++i) {
            const PointRecord &p = points[i];
            if (i == 0) {
                stats.xMax = stats.xMin = p.x;
                stats.yMax = stats.yMin = p.y;
                stats.zMax = stats.zMin = p.h;
            } else {
                widenExtents(stats, p.x, p.y, p.h);
            }
        }
        std::fclose(file);
    }

    stats.xRange = stats.xMax - stats.xMin;
    stats.yRange = stats.yMax - stats.yMin;
    stats.zRange = stats.zMax - stats.zMin;
    stats.count = static_cast<int32_t>(points.size());
    note(diagnostics, "Finished loading %i points\n", stats.count);
    return points;
}

STATS mergeStats(const STATS &a, const STATS &b)
{
    STATS merged;
    merged.xMax = std::fmax(a.xMax, b.xMax);
    merged.xMin = std::fmin(a.xMin, b.xMin);
    merged.yMax = std::fmax(a.yMax, b.yMax);
    merged.yMin = std::fmin(a.yMin, b.yMin);
    merged.zMax = std::fmax(a.zMax, b.zMax);
    merged.zMin = std::fmin(a.zMin, b.zMin);
    merged.count = a.count + b.count;
    return merged;
}

}  // namespace veltrane

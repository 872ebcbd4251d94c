#pragma once
// Reader of point text files: the user's input file and the two control files.
//
// A data line holds longitude, latitude, height and identifier, each number
// followed by exactly one separator character (comma, blank or tab); lines
// starting with '#' are comments; lines that do not parse are skipped.
// Lines are read in pieces of at most kPointLinePiece characters.

#include "engine/types/pointrecord.h"
#include "engine/formats/pointstream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

// Number of data lines (pieces not starting with '#'); the number of comment
// pieces goes to commentCount when it is given. An unreadable file, a folder
// or a device gives 0 and the diagnostic "UNABLE TO OPEN FILE ...".
int64_t countPointLines(const std::string &path, int64_t *commentCount = nullptr,
                        std::vector<std::string> *diagnostics = nullptr);

// Parses one piece exactly like sscanf(piece, "%lf%c%lf%c%lf%c%s"): true when
// all seven conversions succeed. The identifier is returned as raw bytes.
bool parsePointLine(const char *piece, double &x, double &y, double &h, std::string &id);

// Reads a point file once, storing longitudes as `sign` says. Returns the
// points in file order (stats.count of them) and fills stats; an empty vector
// when the file is missing, a folder or a device, or holds no point. The
// reader's diagnostics (lines of text with their line ends) are appended to
// `diagnostics` when it is given.
std::vector<PointRecord> readPointFile(const std::string &path, Extent &stats, LongitudeSign sign,
                                       std::vector<std::string> *diagnostics = nullptr);

// readPointFile that also says why a file gave nothing: `problem` (errno set
// for CannotOpen and ReadError). A file of more than `byteLimit` bytes (a
// pipe that never ends, say) stops there with TooLarge and no point.
std::vector<PointRecord> readPointFile(const std::string &path, Extent &stats, LongitudeSign sign,
                                       std::vector<std::string> *diagnostics, InputProblem &problem,
                                       uint64_t byteLimit = kNoByteLimit);

// readPointFile on bytes from elsewhere (memory, a stream the caller opened);
// `name` stands for the file in the diagnostics.
std::vector<PointRecord> readPointSource(ByteSource &source, const std::string &name, Extent &stats, LongitudeSign sign,
                                         std::vector<std::string> *diagnostics, InputProblem &problem,
                                         uint64_t byteLimit = kNoByteLimit);

// The reader's diagnostics for a point input read elsewhere (streamed):
// whether it opened, its data lines and the points it gave.
void appendPointReadDiagnostics(std::vector<std::string> *diagnostics, const std::string &name, bool opened,
                                uint64_t dataLines, size_t pointCount);

// Extent and number of `count` points.
Extent extentOf(const PointRecord *points, size_t count);
// The same in parts: widens `stats`, the extent of the `before` points
// ahead, by `count` more; then sets the ranges and the number of points.
void widenExtent(Extent &stats, const PointRecord *points, size_t count, size_t before);
void finishExtent(Extent &stats, size_t count);

// Extent of two point sets together; the ranges are left at 0.
Extent mergeStats(const Extent &a, const Extent &b);

}  // namespace veltrane

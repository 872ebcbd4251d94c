#pragma once
// Reader of point text files: the user's input file and the two control files.
//
// A data line holds longitude, latitude, height and identifier, each number
// followed by exactly one separator character (comma, blank or tab); lines
// starting with '#' are comments; lines that do not parse are skipped.
// Lines are read in pieces of at most kPointLinePiece characters.

#include "engine/formats/pointrecord.h"

#include <string>
#include <vector>

namespace veltrane {

// Longest piece of a line handled at once; longer lines are split.
constexpr int kPointLinePiece = 255;

// First pass: number of data lines (pieces not starting with '#'); the
// number of comment pieces goes to commentCount when it is given.
// An unreadable file gives 0 and the diagnostic "UNABLE TO OPEN FILE ...".
int countPointLines(const std::string &path, int *commentCount = nullptr,
                    std::vector<std::string> *diagnostics = nullptr);

// Parses one piece exactly like sscanf(piece, "%lf%c%lf%c%lf%c%s"): true when
// all seven conversions succeed. The identifier is returned as raw bytes.
bool parsePointLine(const char *piece, double &x, double &y, double &h, std::string &id);

// Reads a point file, storing longitudes as `sign` says. Returns the points in
// file order (stats.count of them) and fills stats; an empty vector when the
// file is missing or holds no point. The reader's diagnostics (lines of text
// with their line ends) are appended to `diagnostics` when it is given.
std::vector<PointRecord> readPointFile(const std::string &path, STATS &stats, LongitudeSign sign,
                                       std::vector<std::string> *diagnostics = nullptr);

// Extent of two point sets together; the ranges are left at 0.
STATS mergeStats(const STATS &a, const STATS &b);

}  // namespace veltrane

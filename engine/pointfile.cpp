#include "pointfile.h"

#include <cmath>
#include <cstdio>

namespace {

// Buffer for one piece of a line: kPointLinePiece characters and the terminator.
constexpr int kPieceBufferSize = kPointLinePiece + 1;

bool isComment(const char *piece)
{
    return piece[0] == '#';
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

} // namespace

int countPointLines(const std::string &path, int *commentCount)
{
    if (commentCount)
        *commentCount = 0;
    FILE *file = std::fopen(path.c_str(), "rt");
    if (!file) {
        std::printf("UNABLE TO OPEN FILE %s \n", path.c_str());
        return 0;
    }
    int dataLines = 0;
    char piece[kPieceBufferSize];
    while (std::fgets(piece, kPieceBufferSize, file)) {
        if (isComment(piece)) {
            if (commentCount)
                ++*commentCount;
        } else {
            ++dataLines;
        }
    }
    std::fclose(file);
    return dataLines;
}

bool parsePointLine(const char *piece, double &x, double &y, double &h, std::string &id)
{
    // The identifier can be no longer than the piece it is read from.
    char idText[kPieceBufferSize];
    char separator1, separator2, separator3;
    const int converted = std::sscanf(piece, "%lf%c%lf%c%lf%c%255s", &x, &separator1, &y, &separator2, &h,
                                      &separator3, idText);
    if (converted != 7)
        return false;
    id.assign(idText);
    return true;
}

std::vector<PointRecord> readPointFile(const std::string &path, STATS &stats, int xSign)
{
    stats = STATS();
    std::vector<PointRecord> points;

    const int dataLines = countPointLines(path);
    FILE *file = nullptr;
    if (dataLines == 0) {
        std::printf("NO POINTS in file!!!!!  \n");
    } else if (!(file = std::fopen(path.c_str(), "rt"))) {
        std::printf("Unable to open data file at %s \n", path.c_str());
    }

    if (file) {
        std::printf("Loading %i points from file %s \n", dataLines, path.c_str());
        points.reserve(static_cast<size_t>(dataLines));
        char piece[kPieceBufferSize];
        std::string id;
        while (std::fgets(piece, kPieceBufferSize, file)) {
            if (isComment(piece))
                continue;
            double x, y, h;
            if (!parsePointLine(piece, x, y, h, id))
                continue;
            if (xSign != 0)
                x = std::fabs(x) * xSign;

            PointRecord record;
            record.x = x;
            record.y = y;
            record.h = h;
            record.id = QString::fromLatin1(id.data(), static_cast<int>(id.size()));
            if (points.empty()) {
                stats.xMax = stats.xMin = x;
                stats.yMax = stats.yMin = y;
                stats.zMax = stats.zMin = h;
            } else {
                widenExtents(stats, x, y, h);
            }
            points.push_back(std::move(record));
        }
        std::fclose(file);
    }

    stats.xRange = stats.xMax - stats.xMin;
    stats.yRange = stats.yMax - stats.yMin;
    stats.zRange = stats.zMax - stats.zMin;
    stats.count = static_cast<int32_t>(points.size());
    std::printf("Finished loading %i points\n", stats.count);
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

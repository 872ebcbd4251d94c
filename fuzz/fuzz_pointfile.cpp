// Fuzzes the point-file reader: the whole input is one point file, read with
// both sign settings; each line piece also goes through the line parser alone.

#include "fuzz/fuzzsupport.h"
#include "engine/formats/pointfile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

using namespace veltrane;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = scratchPath("points.csv");
    writeWholeFile(path, reinterpret_cast<const char *>(data), size);
    const std::string localPath = QFile::encodeName(path).toStdString();

    for (const LongitudeSign sign : {LongitudeSign::AsRead, LongitudeSign::ForceWest}) {
        Extent stats;
        const std::vector<PointRecord> points = readPointFile(localPath, stats, sign);
        FUZZ_REQUIRE(stats.count >= 0);
        FUZZ_REQUIRE(points.size() == size_t(stats.count));
        for (const PointRecord &p : points) {
            FUZZ_REQUIRE(!p.id.isEmpty());
            if (sign == LongitudeSign::ForceWest)
                FUZZ_REQUIRE(std::isnan(p.x) || !(p.x > 0.0));
        }
        // Never more points than pieces of at most kPointLinePiece characters.
        FUZZ_REQUIRE(size_t(stats.count) <= size / 7 + 1);
    }

    // The line parser on its own, with the piece NUL-terminated as fgets leaves it.
    const size_t pieceLength = std::min(size, size_t(kPointLinePiece));
    char piece[kPointLinePiece + 1];
    std::memcpy(piece, data, pieceLength);
    piece[pieceLength] = '\0';
    double x = 0.0, y = 0.0, h = 0.0;
    std::string id;
    if (parsePointLine(piece, x, y, h, id))
        FUZZ_REQUIRE(!id.empty() && id.size() <= size_t(kPointLinePiece));
    return 0;
}

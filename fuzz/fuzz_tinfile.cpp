// Fuzzes the TIN-file reader: the whole input is one TIN file. Every
// triangle it keeps must name vertices that exist, and every face line it
// drops must come with a reason.

#include "fuzz/fuzzsupport.h"
#include "engine/formats/tinfile.h"

#include <cmath>
#include <cstdint>

using namespace veltrane;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = scratchPath("tin.obj");
    writeWholeFile(path, reinterpret_cast<const char *>(data), size);
    const std::string localPath = QFile::encodeName(path).toStdString();

    for (const LongitudeSign sign : {LongitudeSign::AsRead, LongitudeSign::ForceWest}) {
        const TinFileContents tin = readTinFile(localPath, sign);
        FUZZ_REQUIRE(tin.opened);
        FUZZ_REQUIRE(tin.problems.size() == tin.droppedFaces);
        const int64_t vertexCount = int64_t(tin.vertices.size());
        for (const Triangle &t : tin.triangles) {
            for (const int32_t index : {t.p1, t.p2, t.p3})
                FUZZ_REQUIRE(index >= 0 && index < vertexCount);
        }
        for (const PointRecord &v : tin.vertices) {
            if (sign == LongitudeSign::ForceWest)
                FUZZ_REQUIRE(std::isnan(v.x) || !(v.x > 0.0));
        }
    }
    return 0;
}

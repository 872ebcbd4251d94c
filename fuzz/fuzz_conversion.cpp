// Fuzzes the whole conversion run. The first byte chooses the direction
// (bit 0 set: CORS96a -> CORS96) and the sign forcing (bit 1); the rest is
// split at record-separator bytes (0x1e) into the CORS96 control file, the
// CORS96a control file, the TIN file and the input file. A part that is not
// there leaves its file missing. The run goes once in each TIN mode; it must
// finish, write both outputs with one line per record, keep every triangle
// inside the control set and leave every file it read unchanged.

#include "engine/conversion.h"
#include "engine/formats/outputwriter.h"
#include "fuzz/fuzzsupport.h"

#include <QDir>
#include <cstdint>

using namespace veltrane;

namespace {

constexpr char kPartSeparator = '\x1e';
constexpr int kPartCount = 4;

const char *const kInputName = "points.csv";
const char *const kOutputName = "points_out.csv";

int lineCount(const QByteArray &bytes)
{
    return bytes.count('\n');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
    const QByteArray rest = QByteArray::fromRawData(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    const QList<QByteArray> parts = rest.split(kPartSeparator);

    const QString files[kPartCount] = {scratchPath(kControlFileCors96), scratchPath(kControlFileCors96a),
                                       scratchPath(kControlTinFile), scratchPath(kInputName)};
    for (int k = 0; k < kPartCount; ++k) {
        QFile::remove(files[k]);
        if (k < parts.size())
            writeWholeFile(files[k], parts[k].constData(), size_t(parts[k].size()));
    }
    const QString workDir = QFileInfo(files[0]).absolutePath();
    const QString outputPath = scratchPath(kOutputName);
    const QString controlShiftPath = scratchPath(kControlShiftFile);

    ConversionSettings settings;
    settings.direction = (options & 1) ? DatumDirection::Cors96aToCors96 : DatumDirection::Cors96ToCors96a;
    settings.forceNegative = (options & 2) != 0;
    for (const TinSource tinSource : {TinSource::FromFile, TinSource::Generate}) {
        settings.tinSource = tinSource;
        QFile::remove(outputPath);
        QFile::remove(controlShiftPath);
        int statusLines = 0;
        const ConversionResult result = runConversion(settings, files[3], QString(), workDir,
                                                      [&statusLines](const QString &, int) { ++statusLines; });

        FUZZ_REQUIRE(result.outcome == ConversionOutcome::Completed);
        FUZZ_REQUIRE(statusLines >= 5);
        for (int k = 0; k < kPartCount; ++k) {
            if (k < parts.size())
                FUZZ_REQUIRE(readWholeFile(files[k]) == parts[k]);
            else
                FUZZ_REQUIRE(!QFile::exists(files[k]));
        }

        const size_t controlCount = result.ptsControl->size();
        FUZZ_REQUIRE(result.statsControl.count == int32_t(controlCount));
        FUZZ_REQUIRE(result.nTinVerts <= controlCount);
        FUZZ_REQUIRE(result.nTris == result.tris->size());
        for (const Triangle &t : *result.tris)
            for (const int32_t index : {t.p1, t.p2, t.p3})
                FUZZ_REQUIRE(index >= 0 && size_t(index) < controlCount);
        FUZZ_REQUIRE(result.statsInput.count == int32_t(result.ptsInput->size()));
        FUZZ_REQUIRE(result.unconvertedPoints <= result.ptsInput->size());

        FUZZ_REQUIRE(QFileInfo(result.outFile) == QFileInfo(outputPath));
        const QByteArray written = readWholeFile(outputPath);
        FUZZ_REQUIRE(written.startsWith(kOutputHeader));
        FUZZ_REQUIRE(lineCount(written) == 1 + result.statsInput.count);
        const QByteArray shifts = readWholeFile(controlShiftPath);
        FUZZ_REQUIRE(shifts.startsWith(kOutputHeader));
        FUZZ_REQUIRE(lineCount(shifts) == 1 + int(controlCount));
    }
    return 0;
}

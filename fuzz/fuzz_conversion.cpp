// Fuzzes the whole conversion in memory, as the batch command streams it.
// The first byte chooses the direction (bit 0 set: CORS96a -> CORS96), the
// sign forcing (bit 1), what becomes of points outside the network (bits
// 2-3: zero, skip, nearest, fail) and the input's layout (bits 4-6, from
// kLayouts); the rest is split at record-separator
// bytes (0x1e) into the CORS96 control file, the CORS96a control file, the
// TIN file and the input. A part that is not there is an empty file. The
// network is assembled once in each TIN mode and the input streamed through
// it; every triangle must stay inside the control set, every point read must
// give one output line (none for a point left out), and every line must have
// the output's ten columns.

#include "engine/run/conversion.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/pointfile.h"
#include "engine/formats/pointlayout.h"
#include "engine/formats/tinfile.h"
#include "engine/network/pointshift.h"
#include "engine/run/streamconversion.h"
#include "fuzz/fuzzsupport.h"

#include <cstdint>
#include <memory>
#include <string>

using namespace veltrane;

namespace {

constexpr char kPartSeparator = '\x1e';
constexpr int kPartCount = 4;
constexpr int kColumns = 10;

const OutsidePoints kOutsideModes[] = {OutsidePoints::Zero, OutsidePoints::Skip, OutsidePoints::Nearest,
                                       OutsidePoints::Fail};

PointLayout layoutOf(std::vector<ColumnRole> columns, bool header, bool headerIfNamed, char delimiter,
                     bool decimalComma, AngleStyle angles)
{
    PointLayout layout;
    layout.columns = std::move(columns);
    layout.header = header;
    layout.headerIfNamed = headerIfNamed;
    layout.delimiter = delimiter;
    layout.decimalComma = decimalComma;
    layout.angles = angles;
    return layout;
}

// The fixed layout, a header if the first line names the columns, a header
// always, identifier-first with semicolons and decimal commas, no height
// between blanks, angles in degrees, minutes and seconds, with a header too.
const PointLayout kLayouts[] = {
    PointLayout(),
    layoutOf({}, false, true, 0, false, AngleStyle::Decimal),
    layoutOf({}, true, false, 0, false, AngleStyle::Decimal),
    layoutOf({ColumnRole::Id, ColumnRole::Latitude, ColumnRole::Longitude, ColumnRole::Height}, false, false, ';', true,
             AngleStyle::Decimal),
    layoutOf({ColumnRole::Longitude, ColumnRole::Latitude, ColumnRole::Ignore, ColumnRole::Id}, false, false,
             kBlankDelimiter, false, AngleStyle::Decimal),
    layoutOf({}, false, false, 0, false, AngleStyle::Dms),
    layoutOf({}, true, false, 0, false, AngleStyle::Dms),
    PointLayout(),
};

std::vector<PointRecord> readPart(const QByteArray &part, Extent &stats, LongitudeSign sign)
{
    MemoryByteSource source(part.constData(), size_t(part.size()));
    InputProblem problem;
    std::vector<PointRecord> points = readPointSource(source, "part", stats, sign, nullptr, problem);
    FUZZ_REQUIRE(problem == InputProblem::None);
    FUZZ_REQUIRE(stats.count == int32_t(points.size()));
    return points;
}

// Every line of `text` has the output's columns. An identifier that holds a
// comma, a quote or a line break is written in double quotes: what lies
// between quotes neither ends a line nor counts as a separator.
bool everyLineHasTheColumns(const std::string &text, size_t &lines)
{
    lines = 0;
    size_t commas = 0;
    bool quoted = false, open = false;
    for (const char c : text) {
        open = true;
        if (c == '"')
            quoted = !quoted;  // a doubled quote toggles twice
        else if (quoted)
            continue;
        else if (c == ',')
            ++commas;
        else if (c == '\n') {
            if (commas < kColumns - 1)
                return false;
            ++lines;
            commas = 0;
            open = false;
        }
    }
    return !open && !quoted;  // every line ends with a line feed
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
    QList<QByteArray> parts = rest.split(kPartSeparator);
    while (parts.size() < kPartCount)
        parts.append(QByteArray());

    ConversionSettings settings;
    settings.direction = (options & 1) ? DatumDirection::Cors96aToCors96 : DatumDirection::Cors96ToCors96a;
    settings.forceNegative = (options & 2) != 0;
    const LongitudeSign sign = longitudeSignOf(settings);
    RunOptions stream;
    stream.settings = settings;
    stream.outside = kOutsideModes[(options >> 2) & 3];
    stream.layout = kLayouts[(options >> 4) & 7];

    const bool fromCors96 = settings.direction == DatumDirection::Cors96ToCors96a;
    NetworkSources sources;
    sources.source = readPart(parts[fromCors96 ? 0 : 1], sources.sourceStats, sign);
    sources.target = readPart(parts[fromCors96 ? 1 : 0], sources.targetStats, sign);
    sources.tin = parseTinText(parts[2].toStdString(), LongitudeSign::ForceWest);
    const NetworkFiles names{QStringLiteral("source"), QStringLiteral("target"), QStringLiteral("tin")};

    for (const TinSource tinSource : {TinSource::FromFile, TinSource::Generate}) {
        settings.tinSource = tinSource;
        int statusLines = 0;
        ControlNetwork network =
            assembleControlNetwork(settings, sources, names, [&statusLines](const QString &, int) { ++statusLines; });
        const size_t controlCount = network.control.size();
        FUZZ_REQUIRE(network.controlExtent.count == int32_t(controlCount));
        FUZZ_REQUIRE(network.nTinVerts <= controlCount);
        for (const Triangle &t : network.triangles)
            FUZZ_REQUIRE(triangleIndicesValid(t, int64_t(controlCount)));
        std::string shifts;
        appendShiftLines(shifts, network.control.data(), controlCount, settings.direction);
        size_t shiftLines = 0;
        FUZZ_REQUIRE(everyLineHasTheColumns(shifts, shiftLines) && shiftLines == controlCount);
        if (network.triangles.empty())
            continue;  // the batch command stops here

        const NetworkInterpolator interpolator(
            std::make_shared<const std::vector<PointRecord>>(std::move(network.control)),
            std::make_shared<const std::vector<Triangle>>(std::move(network.triangles)));
        MemoryByteSource input(parts[3].constData(), size_t(parts[3].size()));
        std::string output;
        uint64_t outsideSeen = 0;
        PointSink sink;
        sink.writeLines = [&output](const std::string &lines) {
            output += lines;
            return true;
        };
        StreamHandlers handlers;
        handlers.outsidePoint = [&outsideSeen](const QString &) { ++outsideSeen; };
        TextPointSource text(input, stream.layout);
        PointSource source;
        source.text = &text;
        const StreamTotals totals = convertPoints(source, sink, interpolator, stream, StreamParts(), handlers);
        if (!totals.layoutError.isEmpty()) {
            FUZZ_REQUIRE(output.empty() && totals.points == 0);  // a header that names no columns
            continue;
        }
        FUZZ_REQUIRE(!totals.readFailed && !totals.writeFailed);
        FUZZ_REQUIRE(totals.bytesRead == uint64_t(parts[3].size()));
        FUZZ_REQUIRE(totals.points <= totals.dataLines);
        FUZZ_REQUIRE(totals.outside <= totals.points && outsideSeen == totals.outside);
        size_t lines = 0;
        FUZZ_REQUIRE(everyLineHasTheColumns(output, lines));
        switch (stream.outside) {
        case OutsidePoints::Zero:
        case OutsidePoints::Nearest:
            FUZZ_REQUIRE(lines == totals.points);
            break;
        case OutsidePoints::Skip:
            FUZZ_REQUIRE(lines == totals.points - totals.outside);
            break;
        case OutsidePoints::Fail:
            FUZZ_REQUIRE(totals.outside > 0 ? lines < totals.points : lines == totals.points);
            break;
        }
    }
    return 0;
}

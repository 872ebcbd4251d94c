#include "engine/formats/outputwriter.h"

#include "engine/formats/fixedformat.h"
#include "engine/formats/parallel.h"
#include "engine/formats/replacingfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace veltrane {

namespace {

// Digits after the point: "%.15lf" for the coordinates, s and AZIMUTH,
// "%.6lf" for DeltaH.
constexpr int kDeltaHDecimals = 6;
constexpr int kNumberColumns = 9;

// Records formatted together by one task of writeShiftFile.
constexpr size_t kRecordsPerTask = 16384;
// Room reserved per line: an identifier and ten numbers of a few integer digits.
constexpr size_t kTypicalLineLength = 224;

// Appends one record as "%s,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.6lf\n"
// prints it, the CORS96 position first.
void appendShiftLine(std::string &out, const PointRecord &r, DatumDirection direction)
{
    const bool sourceIsCors96 = direction == DatumDirection::Cors96ToCors96a;
    const double coordinates[] = {sourceIsCors96 ? r.x : r.xTo,
                                  sourceIsCors96 ? r.y : r.yTo,
                                  sourceIsCors96 ? r.h : r.hTo,
                                  sourceIsCors96 ? r.xTo : r.x,
                                  sourceIsCors96 ? r.yTo : r.y,
                                  sourceIsCors96 ? r.hTo : r.h,
                                  r.s,
                                  r.azimuth};
    char numbers[(kNumberColumns + 1) * (kMaxFixedLength + 1)];
    char *p = numbers;
    for (const double value : coordinates) {
        *p++ = ',';
        p = formatFixed(p, value, kCoordinateDecimals);
    }
    *p++ = ',';
    p = formatFixed(p, r.dh, kDeltaHDecimals);
    *p++ = '\n';
    appendOutputId(out, r.id);
    out.append(numbers, size_t(p - numbers));
}

}  // namespace

void appendShiftLines(std::string &out, const PointRecord *records, size_t count, DatumDirection direction)
{
    out.reserve(out.size() + count * kTypicalLineLength);
    for (size_t i = 0; i < count; ++i)
        appendShiftLine(out, records[i], direction);
}

void appendOutputId(std::string &out, const QString &id)
{
    const QChar *c = id.constData();
    const QChar *end = c + id.size();
    for (; c != end && c->unicode() != 0; ++c)
        out.push_back(c->unicode() < 0x100 ? char(c->unicode()) : '?');
}

bool completeOutputFile(ReplacingFile &output, const QString &path, bool written, int writeErrno, QString &error)
{
    if (!output.close() && written) {
        error = QStringLiteral("Unable to finish writing %1: %2").arg(path, output.errorString());
        return false;
    }
    if (!written) {
        error = QStringLiteral("Unable to finish writing %1: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(writeErrno)));
        return false;
    }
    if (!output.replace()) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, output.errorString());
        return false;
    }
    return true;
}

bool writeOutputFile(const QString &path, const char *data, size_t size, QString &error)
{
    ReplacingFile output(path);
    if (!output.open()) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, output.errorString());
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(data, 1, size, output.stream()) == size;
    return completeOutputFile(output, path, written, errno, error);
}

QByteArray formatShiftLine(const PointRecord &record, DatumDirection direction)
{
    std::string line;
    appendShiftLine(line, record, direction);
    return QByteArray(line.data(), int(line.size()));
}

bool writeShiftFile(const QString &path, const PointRecord *records, size_t count, DatumDirection direction,
                    QString &error)
{
    ReplacingFile output(path);
    if (!output.open()) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, output.errorString());
        return false;
    }
    std::FILE *file = output.stream();
    bool ok = std::fputs(kOutputHeader, file) >= 0;
    // Runs of records are formatted on worker threads and written in order.
    const auto write = [file, &ok](const std::string &text) {
        if (ok)
            ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    };
    OrderedTasks<std::string> formatting;
    for (size_t first = 0; ok && first < count; first += kRecordsPerTask) {
        const size_t last = std::min(count, first + kRecordsPerTask);
        formatting.add(
            [records, first, last, direction] {
                std::string text;
                appendShiftLines(text, records + first, last - first, direction);
                return text;
            },
            write);
    }
    formatting.finish(write);
    return completeOutputFile(output, path, ok, errno, error);
}

}  // namespace veltrane

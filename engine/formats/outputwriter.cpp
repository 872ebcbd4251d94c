#include "engine/formats/outputwriter.h"

#include "engine/formats/fixedformat.h"

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

QByteArray formatShiftLine(const PointRecord &record, DatumDirection direction)
{
    std::string line;
    appendShiftLine(line, record, direction);
    return QByteArray(line.data(), int(line.size()));
}

}  // namespace veltrane

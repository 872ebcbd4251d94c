#include "engine/formats/outputwriter.h"

#include "engine/formats/angletext.h"
#include "engine/formats/fixedformat.h"

#include <algorithm>
#include <iterator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace veltrane {

namespace {

// Numbers of a line: two positions of three, s, AZIMUTH and DeltaH.
constexpr int kNumberColumns = 9;

// Room reserved per line: an identifier and ten numbers of a few integer digits.
constexpr size_t kTypicalLineLength = 224;

// The numbers of one record's line in column order, the CORS96 position
// first, with their decimals: degrees, degrees, metres, three times over,
// then s, AZIMUTH and DeltaH.
struct LineNumbers {
    double values[kNumberColumns];
    int places[kNumberColumns];
};

LineNumbers lineNumbers(const PointRecord &r, DatumDirection direction, const OutputDecimals &decimals)
{
    const bool sourceIsCors96 = direction == DatumDirection::Cors96ToCors96a;
    return LineNumbers{{sourceIsCors96 ? r.x : r.xTo, sourceIsCors96 ? r.y : r.yTo, sourceIsCors96 ? r.h : r.hTo,
                        sourceIsCors96 ? r.xTo : r.x, sourceIsCors96 ? r.yTo : r.y, sourceIsCors96 ? r.hTo : r.h, r.s,
                        r.azimuth, r.dh},
                       {decimals.degrees, decimals.degrees, decimals.heights, decimals.degrees, decimals.degrees,
                        decimals.heights, decimals.heights, decimals.degrees, decimals.deltaH}};
}

// Appends one record as "%s,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.6lf\n"
// prints it with the default decimals, the CORS96 position first.
void appendShiftLine(std::string &out, const PointRecord &r, DatumDirection direction, const OutputDecimals &decimals)
{
    const LineNumbers line = lineNumbers(r, direction, decimals);
    char numbers[(kNumberColumns + 1) * (kMaxFixedLength + 1)];
    char *p = numbers;
    for (size_t k = 0; k < std::size(line.values); ++k) {
        *p++ = ',';
        p = formatFixed(p, line.values[k], line.places[k]);
    }
    *p++ = '\n';
    appendOutputId(out, r.id);
    out.append(numbers, size_t(p - numbers));
}

// One record in a style other than the default: the same columns, with
// decimal commas and semicolons, or angles in degrees, minutes and seconds
// (quoted, since they hold a quote).
void appendStyledShiftLine(std::string &out, const PointRecord &r, DatumDirection direction,
                           const OutputDecimals &decimals, const OutputStyle &style)
{
    const LineNumbers line = lineNumbers(r, direction, decimals);
    const double *values = line.values;
    const int *places = line.places;
    const int axes[] = {0, 1, -1, 0, 1, -1, -1, -1, -1};
    const char separator = style.separator();
    appendOutputId(out, r.id, separator);
    char text[kMaxFixedLength + kMaxAngleLength];
    for (size_t k = 0; k < std::size(line.values); ++k) {
        out.push_back(separator);
        if (style.dmsAngles && axes[k] >= 0) {
            const AngleAxis axis = axes[k] == 0 ? AngleAxis::Longitude : AngleAxis::Latitude;
            const char *end = formatAngle(text, values[k], axis, style.secondsDecimals, style.decimalComma);
            out.push_back('"');
            for (const char *c = text; c != end; ++c) {
                if (*c == '"')
                    out.push_back('"');
                out.push_back(*c);
            }
            out.push_back('"');
            continue;
        }
        const char *end = formatFixed(text, values[k], places[k]);
        for (const char *c = text; c != end; ++c)
            out.push_back(*c == '.' && style.decimalComma ? ',' : *c);
    }
    out.push_back('\n');
}

// Appends the bytes `byteOf` makes of [begin, end), in double quotes with
// each quote doubled when they hold `separator`, a comma, a quote or a line
// end, as CSV readers expect.
template <typename Char, typename ByteOf>
void appendCsvText(std::string &out, const Char *begin, const Char *end, char separator, ByteOf byteOf)
{
    bool quoted = false;
    for (const Char *c = begin; c != end && !quoted; ++c) {
        const char byte = byteOf(*c);
        quoted = byte == separator || byte == ',' || byte == '"' || byte == '\n' || byte == '\r';
    }
    if (quoted)
        out.push_back('"');
    for (const Char *c = begin; c != end; ++c) {
        const char byte = byteOf(*c);
        if (quoted && byte == '"')
            out.push_back('"');
        out.push_back(byte);
    }
    if (quoted)
        out.push_back('"');
}

}  // namespace

std::string outputHeaderText(const OutputStyle &style)
{
    std::string header = kOutputHeader;
    if (style.decimalComma)
        std::replace(header.begin(), header.end(), ',', ';');
    return header;
}

void appendShiftLines(std::string &out, const PointRecord *records, size_t count, DatumDirection direction,
                      const OutputDecimals &decimals, const OutputStyle &style)
{
    out.reserve(out.size() + count * kTypicalLineLength);
    if (!style.isDefault()) {
        for (size_t i = 0; i < count; ++i)
            appendStyledShiftLine(out, records[i], direction, decimals, style);
        return;
    }
    for (size_t i = 0; i < count; ++i)
        appendShiftLine(out, records[i], direction, decimals);
}

void appendOutputId(std::string &out, const QString &id, char separator)
{
    // An identifier ends at a NUL, as the C text it is written as would.
    const QChar *begin = id.constData();
    const QChar *end = std::find(begin, begin + id.size(), QChar(0));
    appendCsvText(out, begin, end, separator, [](QChar c) {
        const ushort code = c.unicode();
        return code < 0x100 ? char(code) : '?';
    });
}

void appendTextField(std::string &out, const std::string &value, char separator)
{
    out.push_back(separator);
    appendCsvText(out, value.data(), value.data() + value.size(), separator, [](char c) { return c; });
}

void appendPassFields(std::string &out, const std::string *values, size_t count, char separator)
{
    if (count == 0 || out.empty() || out.back() != '\n')
        return;
    out.pop_back();
    for (size_t k = 0; k < count; ++k)
        appendTextField(out, values[k], separator);
    out.push_back('\n');
}

QByteArray formatShiftLine(const PointRecord &record, DatumDirection direction, const OutputDecimals &decimals)
{
    std::string line;
    appendShiftLine(line, record, direction, decimals);
    return QByteArray(line.data(), int(line.size()));
}

}  // namespace veltrane

#include "outputwriter.h"

#include "conversion.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char *kShiftLineFormat = "%s,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.15lf,%.6lf\n";

// Formats with the arguments in column order; the id is Latin-1 bytes.
template <typename Sink>
int formatColumns(Sink sink, const PointRecord &r, int mode)
{
    const bool sourceIsCors96 = mode == 1;
    const QByteArray id = r.id.toLatin1();
    return sink(kShiftLineFormat, id.constData(), sourceIsCors96 ? r.x : r.xTo, sourceIsCors96 ? r.y : r.yTo,
                sourceIsCors96 ? r.h : r.hTo, sourceIsCors96 ? r.xTo : r.x, sourceIsCors96 ? r.yTo : r.y,
                sourceIsCors96 ? r.hTo : r.h, r.s, r.azimuth, r.dh);
}

int printShiftLine(std::FILE *file, const PointRecord &r, int mode)
{
    return formatColumns([file](const char *format, auto... values) { return std::fprintf(file, format, values...); },
                         r, mode);
}

QString describeErrno(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

}  // namespace

QByteArray formatShiftLine(const PointRecord &record, int mode)
{
    QByteArray line;
    formatColumns(
        [&line](const char *format, auto... values) {
            const int length = std::snprintf(nullptr, 0, format, values...);
            if (length > 0) {
                line.resize(length);
                std::snprintf(line.data(), size_t(length) + 1, format, values...);
            }
            return length;
        },
        record, mode);
    return line;
}

bool writeShiftFile(const QString &path, const PointRecord *records, size_t count, int mode, QString &error)
{
    errno = 0;
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!file) {
        error = QStringLiteral("Unable to write %1: %2").arg(path, describeErrno(errno));
        return false;
    }
    bool ok = std::fputs(kOutputHeader, file) >= 0;
    for (size_t i = 0; ok && i < count; ++i)
        ok = printShiftLine(file, records[i], mode) >= 0;
    const int writeErrno = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = QStringLiteral("Unable to finish writing %1: %2").arg(path, describeErrno(errno));
    } else if (!ok) {
        error = QStringLiteral("Unable to finish writing %1: %2").arg(path, describeErrno(writeErrno));
    }
    return ok;
}

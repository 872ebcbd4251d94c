#include "engine/run/conversionrecord.h"

#include "engine/files/filedigest.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace veltrane {

namespace {

// Decimals of metres (0.1 mm) and of degrees of azimuth in the record.
constexpr int kMetreDecimals = 4;
constexpr int kAzimuthDecimals = 1;
constexpr int kConcentrationDecimals = 2;

QString decimal(uint64_t value)
{
    return QString::number(qulonglong(value));
}

QString metres(double value)
{
    return QString::number(value, 'f', kMetreDecimals) + QStringLiteral(" m");
}

QString outsideModeText(OutsidePoints mode, uint64_t outside, uint64_t extended)
{
    switch (mode) {
    case OutsidePoints::Skip:
        return QStringLiteral("left out of the output");
    case OutsidePoints::Nearest:
        if (extended < outside)
            return QStringLiteral("%1 extended from the nearest triangle, %2 written with zeros")
                .arg(decimal(extended), decimal(outside - extended));
        return QStringLiteral("extended from the nearest triangle");
    case OutsidePoints::Fail:
        return QStringLiteral("the run stops at the first");
    case OutsidePoints::Zero:
        break;
    }
    return QStringLiteral("written with zeros");
}

RecordLine fileLine(const QString &label, const SourceFile &file)
{
    return {label, file.sha256.isEmpty() ? file.name + QStringLiteral(" (unreadable)")
                                         : file.name + QStringLiteral("  SHA-256 ") + QString::fromLatin1(file.sha256)};
}

RecordSection inputSection(const ConversionRecord &record)
{
    RecordSection section{QStringLiteral("Input"), {{QStringLiteral("File"), record.input}}};
    if (record.inputMeasured) {
        section.lines.push_back({QStringLiteral("Size"), decimal(record.inputBytes) + QStringLiteral(" bytes")});
        section.lines.push_back({QStringLiteral("SHA-256"), QString::fromLatin1(record.inputSha256)});
    } else if (record.inputChanged) {
        section.lines.push_back(
            {QStringLiteral("Size"), QStringLiteral("not known (the file changed after the conversion)")});
    } else {
        section.lines.push_back({QStringLiteral("Size"), QStringLiteral("not known (not a file)")});
    }
    return section;
}

RecordSection networkSection(const NetworkProvenance &provenance)
{
    RecordSection section{QStringLiteral("Network"),
                          {{QStringLiteral("Direction"), QLatin1String(directionName(provenance.direction))}}};
    const char *const roles[] = {"Source controls", "Target controls"};
    for (size_t i = 0; i < provenance.controlFiles.size() && i < 2; ++i)
        section.lines.push_back(fileLine(QLatin1String(roles[i]), provenance.controlFiles[i]));
    if (provenance.tinFile)
        section.lines.push_back(fileLine(QStringLiteral("TIN file"), *provenance.tinFile));
    else
        section.lines.push_back(
            {QStringLiteral("TIN"), QStringLiteral("Delaunay triangulation of the control points")});
    return section;
}

RecordSection pointsSection(const ConversionRecord &record)
{
    RecordSection section{QStringLiteral("Points"),
                          {{QStringLiteral("Read"), decimal(record.points)},
                           {QStringLiteral("Converted"), decimal(record.points - record.outside)}}};
    QString outside = decimal(record.outside);
    if (record.outside > 0)
        outside += QStringLiteral(" (") + outsideModeText(record.outsideMode, record.outside, record.extended) +
                   QStringLiteral(")");
    section.lines.push_back({QStringLiteral("Outside the network"), outside});
    section.lines.push_back({QStringLiteral("Rejected lines"), decimal(record.rejected)});
    return section;
}

RecordSection shiftsSection(const ShiftStatistics &shifts)
{
    RecordSection section{QStringLiteral("Shifts"), {}};
    if (shifts.count() == 0) {
        section.lines.push_back({QString(), QStringLiteral("No point took a shift.")});
        return section;
    }
    section.lines.push_back({QStringLiteral("Points with a shift"), decimal(shifts.count())});
    section.lines.push_back({QStringLiteral("s minimum"), metres(shifts.leastLength())});
    bool exact = true;
    const double median = shifts.medianLength(&exact);
    section.lines.push_back(
        {QStringLiteral("s median"),
         metres(median) + (exact ? QString() : QStringLiteral(" (from a histogram, within 0.05 %)"))});
    section.lines.push_back({QStringLiteral("s maximum"), metres(shifts.largestLength())});
    section.lines.push_back({QStringLiteral("Mean azimuth"),
                             QString::number(shifts.meanAzimuth(), 'f', kAzimuthDecimals) +
                                 QStringLiteral(" deg (circular mean; resultant length ") +
                                 QString::number(shifts.azimuthConcentration(), 'f', kConcentrationDecimals) +
                                 QStringLiteral(")")});
    section.lines.push_back({QStringLiteral("DeltaH range"),
                             metres(shifts.leastDeltaH()) + QStringLiteral(" to ") + metres(shifts.largestDeltaH())});
    return section;
}

}  // namespace

bool InputStamp::operator==(const InputStamp &other) const
{
    return regularFile == other.regularFile && device == other.device && inode == other.inode && bytes == other.bytes &&
           modifiedNs == other.modifiedNs;
}

InputStamp stampOfFile(const QString &path)
{
    constexpr int64_t kNanosecondsPerSecond = 1000000000;
    InputStamp stamp;
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return stamp;
    stamp.regularFile = true;
    stamp.device = uint64_t(status.st_dev);
    stamp.inode = uint64_t(status.st_ino);
    stamp.bytes = uint64_t(status.st_size);
    stamp.modifiedNs = int64_t(status.st_mtim.tv_sec) * kNanosecondsPerSecond + status.st_mtim.tv_nsec;
    return stamp;
}

void gatherRecordShifts(ConversionRecord &record)
{
    if (!record.keptShifts.points)
        return;
    record.shifts = gatherShifts(record.keptShifts);
    record.keptShifts = KeptShifts();
}

bool measureInput(ConversionRecord &record)
{
    if (record.inputMeasured)
        return true;
    if (!record.inputStamp.regularFile || record.inputChanged)
        return false;
    // The digest counts only when the file is the same before and after it.
    const QByteArray digest =
        stampOfFile(record.input) == record.inputStamp ? sha256HexOfFile(record.input) : QByteArray();
    if (digest.isEmpty() || !(stampOfFile(record.input) == record.inputStamp)) {
        record.inputChanged = true;
        return false;
    }
    record.inputBytes = record.inputStamp.bytes;
    record.inputSha256 = digest;
    record.inputMeasured = true;
    return true;
}

QString recordTime(const QDateTime &utc)
{
    return utc.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC");
}

std::vector<RecordSection> recordSections(const ConversionRecord &record, const ValidationSummary *check,
                                          const std::vector<PointRecord> &control)
{
    std::vector<RecordSection> sections{inputSection(record)};
    RecordSection outputs{QStringLiteral("Outputs"), {}};
    for (const QString &path : record.outputs)
        outputs.lines.push_back({QString(), path});
    sections.push_back(outputs);
    sections.push_back(networkSection(record.provenance));
    sections.push_back(pointsSection(record));
    sections.push_back(shiftsSection(record.shifts));
    const QString checkText = check ? validationSummaryLine(*check, control)
                                    : QStringLiteral("Network check: not made (no control network).");
    sections.push_back({QStringLiteral("Network check"), {{QString(), checkText}}});
    if (!record.outsideIds.isEmpty()) {
        QString ids = record.outsideIds.join(QStringLiteral(", "));
        if (record.outside > uint64_t(record.outsideIds.size()))
            ids += QStringLiteral(", ...");
        const QString title =
            record.outside > uint64_t(record.outsideIds.size())
                ? QStringLiteral("Points outside the network (the first %1)").arg(record.outsideIds.size())
                : QStringLiteral("Points outside the network");
        sections.push_back({title, {{QString(), ids}}});
    }
    sections.push_back({QStringLiteral("Made"),
                        {{QStringLiteral("Program"), QStringLiteral("Veltrane ") + record.provenance.version},
                         {QStringLiteral("Date and time"), recordTime(record.provenance.utc)}}});
    return sections;
}

}  // namespace veltrane

// Writing an output file: it takes the place of an earlier file of the same
// name only when complete, and writes through a symbolic link.

#include "engine/files/replacingfile.h"
#include "engine/files/tempfilecleanup.h"
#include "engine/formats/angletext.h"
#include "engine/formats/outputwriter.h"
#include "engine/run/runoutputs.h"

#include "tests/support/conversiontestsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace veltrane;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The shift file as a run writes it.
bool writeShiftFile(const QString &path, const PointRecord *records, size_t count, DatumDirection direction,
                    QString &error)
{
    std::string text = kOutputHeader;
    appendShiftLines(text, records, count, direction);
    return writeAsRunOutput(path, text, error);
}

std::vector<PointRecord> someRecords(int n)
{
    std::vector<PointRecord> records(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        records[size_t(i)].id = QStringLiteral("P%1").arg(i);
        records[size_t(i)].x = -120.0 - i * 1e-3;
        records[size_t(i)].y = 44.0 + i * 1e-3;
    }
    return records;
}

// Every entry of the folder, hidden ones included, joined by '|'.
std::string entriesOf(const QString &folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .join('|')
        .toStdString();
}

// Limits the size of files this process may write, for one scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace

// The first field of a CSV line as a reader of quoted fields takes it, and
// the rest of the line after its separator.
std::pair<QByteArray, QByteArray> firstCsvField(const QByteArray &line)
{
    if (!line.startsWith('"')) {
        const int comma = line.indexOf(',');
        return {line.left(comma), line.mid(comma + 1)};
    }
    QByteArray field;
    int i = 1;
    for (; i < line.size(); ++i) {
        if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"')
            field += line[++i];
        else if (line[i] == '"')
            break;
        else
            field += line[i];
    }
    return {field, line.mid(i + 2)};
}

TEST(OutputLines, IdentifiersHoldingCsvCharactersAreQuotedAndReadBack)
{
    PointRecord record = someRecords(1)[0];
    for (const QByteArray &id : {QByteArray("SP001"), QByteArray("SP001,extra"), QByteArray("say \"A\""),
                                 QByteArray("line\nbreak"), QByteArray("cr\rhere")}) {
        record.id = QString::fromLatin1(id);
        const QByteArray line = formatShiftLine(record, DatumDirection::Cors96ToCors96a);
        const auto [field, rest] = firstCsvField(line);
        EXPECT_EQ(field, id);
        EXPECT_EQ(rest.count(','), 8) << line.toStdString();
        EXPECT_EQ(line.startsWith('"'), id != "SP001");  // ordinary identifiers keep their bytes
    }
}

TEST(OutputLines, DecimalsRoundAsPrintfRoundsTheBinaryValue)
{
    PointRecord r;
    // Halfway cases in decimal that are not halfway in binary, and plain values.
    r.x = -122.0005;
    r.y = 44.12345;
    r.h = 0.125;
    r.xTo = -122.00049999999;
    r.yTo = 44.5;
    r.hTo = 2.675;
    r.s = 1.0005;
    r.azimuth = 359.99999999995;
    r.dh = -0.0005;
    for (const int degrees : {1, 3, 9, 15}) {
        for (const int metres : {1, 2, 3, 6}) {
            const QByteArray line =
                formatShiftLine(r, DatumDirection::Cors96ToCors96a, OutputDecimals{degrees, metres, metres});
            char expected[512];
            std::snprintf(expected, sizeof expected, ",%.*f,%.*f,%.*f,%.*f,%.*f,%.*f,%.*f,%.*f,%.*f\n", degrees, r.x,
                          degrees, r.y, metres, r.h, degrees, r.xTo, degrees, r.yTo, metres, r.hTo, metres, r.s,
                          degrees, r.azimuth, metres, r.dh);
            EXPECT_EQ(line, QByteArray(expected)) << degrees << " " << metres;
        }
    }
}

TEST(Angles, DegreesMinutesSecondsAgainstHandCheckedValues)
{
    // 39'27.5" = 2367.5" = 0.6576388...°; 32'11.2" = 1931.2" = 0.5364444...°.
    const struct {
        const char *text;
        AngleAxis axis;
        double degrees;
    } read[] = {
        {"122\xc2\xb0"
         "39'27.5\"W",
         AngleAxis::Longitude, -122.65763888888889},
        {"122 39 27.5 W", AngleAxis::Longitude, -122.65763888888889},
        {"-122:39:27.5", AngleAxis::Longitude, -122.65763888888889},
        {"N44d32m11.2s", AngleAxis::Latitude, 44.536444444444445},
        {"44\xb0"
         "32'11.2\"",
         AngleAxis::Latitude, 44.536444444444445},  // Latin-1 degree sign
        {"45 16.5 S", AngleAxis::Latitude, -45.275},
        {"E7.25", AngleAxis::Longitude, 7.25},
    };
    for (const auto &c : read) {
        double degrees = 0.0;
        ASSERT_TRUE(parseAngle(c.text, c.text + std::strlen(c.text), c.axis, false, degrees)) << c.text;
        EXPECT_NEAR(degrees, c.degrees, 1e-12) << c.text;
    }
    for (const char *wrong : {"44 60 0 N", "122 39 27.5 N", "-122 W", "12 30.5 10", "1 2 3 4", "", "W"}) {
        double degrees = 0.0;
        EXPECT_FALSE(parseAngle(wrong, wrong + std::strlen(wrong), AngleAxis::Longitude, false, degrees)) << wrong;
    }

    const struct {
        double degrees;
        AngleAxis axis;
        int decimals;
        bool decimalComma;
        const char *text;
    } written[] = {
        {-122.65763888888889, AngleAxis::Longitude, 5, false,
         "122\xc2\xb0"
         "39'27.50000\"W"},
        {7.5, AngleAxis::Longitude, 2, true,
         "007\xc2\xb0"
         "30'00,00\"E"},
        {-45.99999999999, AngleAxis::Latitude, 3, false,
         "46\xc2\xb0"
         "00'00.000\"S"},  // seconds carry over
        {44.536444444444445, AngleAxis::Latitude, 1, false,
         "44\xc2\xb0"
         "32'11.2\"N"},
    };
    for (const auto &c : written) {
        char text[kMaxAngleLength];
        const char *end = formatAngle(text, c.degrees, c.axis, c.decimals, c.decimalComma);
        EXPECT_EQ(std::string(static_cast<const char *>(text), end), c.text);
    }
}

TEST(WriteShiftFile, ReplacesAnEarlierFileWhenComplete)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pts_out.csv");
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier, longer output that must not survive in part\n");
    }
    const auto records = someRecords(3);
    QString error;
    ASSERT_TRUE(writeShiftFile(path, records.data(), records.size(), DatumDirection::Cors96ToCors96a, error))
        << error.toStdString();

    const QByteArray written = contentsOf(path);
    EXPECT_TRUE(written.startsWith("POINT_ID,X_CORS96,"));
    EXPECT_EQ(written.count('\n'), 4);
    char secondLine[64];
    std::snprintf(secondLine, sizeof secondLine, "\nP2,%.15lf,", records[2].x);
    EXPECT_TRUE(written.contains(secondLine)) << written.toStdString();
    // Nothing is left beside it, and it has the permissions of a new file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pts_out.csv"});
    struct stat status;
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &status), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

const QByteArray kEarlierOutput = "POINT_ID,X_CORS96\nA,1\n";

TEST(WriteShiftFile, FailedWriteKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pts_out.csv");
    const QByteArray earlierOutput = kEarlierOutput;
    writeTextFile(path, earlierOutput);
    const auto records = someRecords(2000);  // far more than 4 kB of lines
    QString error;
    bool written = true;
    {
        FileSizeLimit limit(4096);
        written = writeShiftFile(path, records.data(), records.size(), DatumDirection::Cors96ToCors96a, error);
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Unable to finish writing %1: ").arg(path))) << error.toStdString();
    EXPECT_EQ(contentsOf(path), earlierOutput);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pts_out.csv"});
}

TEST(RunOutputs, OneThatCannotBeFinishedLeavesEveryOutputAsItWas)
{
    QTemporaryDir dir;
    const QString first = dir.filePath("pts_out.csv");
    writeTextFile(first, kEarlierOutput);
    RunOutputs outputs;
    QString error;
    const RunOutputs::Handle complete = outputs.add(first, error);
    const RunOutputs::Handle last = outputs.add(QStringLiteral("/dev/full"), error);  // fails when flushed
    ASSERT_NE(complete, RunOutputs::kNoOutput);
    ASSERT_NE(last, RunOutputs::kNoOutput) << error.toStdString();
    ASSERT_TRUE(outputs.write(complete, std::string("new\n"), error));
    ASSERT_TRUE(outputs.write(last, std::string("new\n"), error));
    EXPECT_FALSE(outputs.commit(error));
    EXPECT_EQ(error, QStringLiteral("Unable to finish writing /dev/full: No space left on device"));
    EXPECT_EQ(readBytes(first), kEarlierOutput);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pts_out.csv"});

    // A name given twice, and a file the run reads, are refused.
    RunOutputs again;
    again.protect(first);
    EXPECT_EQ(again.add(first, error), RunOutputs::kNoOutput);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Not writing %1: it is the same file as").arg(first)));
    const QString fresh = dir.filePath("new.csv");
    ASSERT_NE(again.add(fresh, error), RunOutputs::kNoOutput);
    EXPECT_EQ(again.add(dir.filePath("./new.csv"), error), RunOutputs::kNoOutput);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Two outputs are the same file: "))) << error.toStdString();
}

TEST(RunOutputs, NamesOfOwnDescriptorsAreWrittenInPlaceAtTheirOffset)
{
    QTemporaryDir dir;
    const QString journal = dir.filePath("journal.txt");
    writeTextFile(journal, kEarlierOutput);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(journal).constData(), &before), 0);
    // As ">> journal.txt" opens it for a command.
    const int appending = ::open(QFile::encodeName(journal).constData(), O_WRONLY | O_APPEND);
    ASSERT_GE(appending, 0);
    RunOutputs outputs;
    QString error;
    const RunOutputs::Handle file = outputs.add(QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(appending), error);
    ASSERT_NE(file, RunOutputs::kNoOutput) << error.toStdString();
    EXPECT_EQ(outputs.add(QStringLiteral("/dev/fd/%1").arg(appending), error), RunOutputs::kNoOutput);
    ASSERT_TRUE(outputs.write(file, std::string("new\n"), error));
    ASSERT_TRUE(outputs.commit(error)) << error.toStdString();
    ::close(appending);

    EXPECT_EQ(readBytes(journal), kEarlierOutput + "new\n");
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(journal).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // written, not replaced
    EXPECT_EQ(entriesOf(dir.path()), "journal.txt");
}

TEST(WriteShiftFile, WritesThroughASymbolicLink)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("kept/real.csv");
    ASSERT_TRUE(QDir(dir.path()).mkpath("kept"));
    const QString link = dir.filePath("pts_out.csv");
    ASSERT_TRUE(QFile::link(target, link));
    const auto records = someRecords(1);
    QString error;
    ASSERT_TRUE(writeShiftFile(link, records.data(), records.size(), DatumDirection::Cors96aToCors96, error))
        << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contentsOf(target).count('\n'), 2);
}

TEST(WriteShiftFile, MissingFolderIsReportedAndNothingWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("absent/pts_out.csv");
    const auto records = someRecords(1);
    QString error;
    EXPECT_FALSE(writeShiftFile(path, records.data(), records.size(), DatumDirection::Cors96ToCors96a, error));
    EXPECT_EQ(error, QStringLiteral("Unable to write %1: No such file or directory").arg(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// ---- The temporary file: interrupted runs, long names ------------------------

namespace {

const QByteArray kEarlier = "an earlier output\n";

// Opens `path` with `temporary`, writes a line and ends the process with `signal`.
void writeAndDie(const QString &path, ReplacingFile::Temporary temporary, int signal)
{
    installTemporaryFileCleanup();
    ReplacingFile file(path, temporary);
    if (!file.open())
        std::_Exit(3);
    std::fputs("half written\n", file.stream());
    std::fflush(file.stream());
    std::raise(signal);
    std::_Exit(4);  // the signal was ignored
}

}  // namespace

TEST(ReplacingFileDeathTest, SignalsRemoveTheNamedTemporaryFile)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("pts_out.csv");
        writeTextFile(path, kEarlier);
        EXPECT_EXIT(writeAndDie(path, ReplacingFile::Temporary::Named, signal), ::testing::KilledBySignal(signal), "");
        EXPECT_EQ(entriesOf(dir.path()), "pts_out.csv") << "signal " << signal;
        EXPECT_EQ(readBytes(path), kEarlier);
    }
}

TEST(ReplacingFileDeathTest, ABrokenPipeEndsTheProcessQuietlyWithoutTheTemporaryFile)
{
    // As "| head" does: the reader of standard output is gone while another
    // output is half written under a temporary name.
    QTemporaryDir dir;
    const QString path = dir.filePath("n.json");
    writeTextFile(path, kEarlier);
    const auto writeToAClosedPipe = [&path] {
        installTemporaryFileCleanup();
        ReplacingFile file(path, ReplacingFile::Temporary::Named);
        int ends[2];
        if (!file.open() || ::pipe(ends) != 0)
            std::_Exit(3);
        std::fputs("half written\n", file.stream());
        std::fflush(file.stream());
        ::close(ends[0]);
        const ssize_t written = ::write(ends[1], "x", 1);
        std::_Exit(written < 0 ? 5 : 4);
    };
    EXPECT_EXIT(writeToAClosedPipe(), ::testing::KilledBySignal(SIGPIPE), "^$");
    EXPECT_EQ(entriesOf(dir.path()), "n.json");
    EXPECT_EQ(readBytes(path), kEarlier);
}

TEST(ReplacingFileDeathTest, SigkillLeavesNoUnnamedTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pts_out.csv");
    writeTextFile(path, kEarlier);
    EXPECT_EXIT(writeAndDie(path, ReplacingFile::Temporary::AnonymousWherePossible, SIGKILL),
                ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(entriesOf(dir.path()), "pts_out.csv");
    EXPECT_EQ(readBytes(path), kEarlier);
}

TEST(ReplacingFileDeathTest, AnIgnoredHangupStaysIgnored)
{
    // As under nohup: the cleanup must not make a hangup end the process.
    const auto hangUpIgnored = [] {
        std::signal(SIGHUP, SIG_IGN);
        installTemporaryFileCleanup();
        std::raise(SIGHUP);
        std::_Exit(0);
    };
    EXPECT_EXIT(hangUpIgnored(), ::testing::ExitedWithCode(0), "");
}

TEST(ReplacingFile, LongestNamesReplaceAnEarlierFileWithEitherTemporary)
{
    for (const auto temporary : {ReplacingFile::Temporary::AnonymousWherePossible, ReplacingFile::Temporary::Named}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString(NAME_MAX, QLatin1Char('n')));
        writeTextFile(path, kEarlier);
        ReplacingFile file(path, temporary);
        ASSERT_TRUE(file.open()) << file.errorString().toStdString();
        std::fputs("new\n", file.stream());
        ASSERT_TRUE(file.close());
        ASSERT_TRUE(file.replace()) << file.errorString().toStdString();
        EXPECT_EQ(readBytes(path), QByteArray("new\n"));
        EXPECT_EQ(entriesOf(dir.path()), QFileInfo(path).fileName().toStdString());
    }
}

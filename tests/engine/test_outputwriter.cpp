// Writing an output file: it takes the place of an earlier file of the same
// name only when complete, and writes through a symbolic link.

#include "engine/formats/outputwriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace veltrane;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

TEST(WriteShiftFile, FailedWriteKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pts_out.csv");
    const QByteArray earlierOutput = "POINT_ID,X_CORS96\nA,1\n";
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write(earlierOutput);
    }
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

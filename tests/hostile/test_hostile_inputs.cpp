// Hostile inputs: files from instruments and programs that do not follow the
// point-file or TIN-file layout, names that trip the output naming, and
// outputs that cannot be written. Every case checks the message the run
// gives and that no file present before the run changed.

#include "engine/run/conversion.h"
#include "engine/formats/outputwriter.h"
#include "tests/support/conversiontestsupport.h"
#include "tests/support/fiforeader.h"
#include "tests/support/scratchfilesystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <map>
#include <random>

using namespace veltrane;
using test_support::ScratchMount;
using test_support::setImmutable;

namespace {

const QByteArray kCors96 = "-123.5,45.25,100,P1\n-123.4,45.25,110,P2\n-123.45,45.35,120,P3\n"
                           "-123.42,45.3,105,P4\n";
const QByteArray kCors96a = "-123.49999,45.25001,100.01,P1\n-123.39998,45.25002,110.02,P2\n"
                            "-123.44997,45.35003,120.03,P3\n-123.41996,45.30004,105.04,P4\n";
const QByteArray kTin = "v 123.5 45.25 0\nv 123.4 45.25 0\nv 123.45 45.35 0\nv 123.42 45.3 0\n"
                        "f 1 2 4\nf 2 3 4\nf 3 1 4\n";
// Two points inside the network, one outside.
const QByteArray kInput = "-123.45,45.28,110,A\n-123.43,45.3,100,B\n-120,40,0,OUT\n";

// SHA-256 of every regular file below the folders, by path. Symbolic links
// are left out: some cases point an output name at a device.
using Checksums = std::map<QString, QByteArray>;

// Names the run writes: left out of a snapshot unless the case protects them.
bool isRunOutput(const QString &path)
{
    return path.endsWith(QLatin1String("_out.csv")) || QFileInfo(path).fileName() == QLatin1String(kControlShiftFile);
}

Checksums checksums(const QStringList &folders, bool withOutputs = false)
{
    Checksums sums;
    for (const QString &folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!withOutputs && isRunOutput(path))
                continue;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QCryptographicHash hash(QCryptographicHash::Sha256);
            hash.addData(&file);
            sums[path] = hash.result();
        }
    }
    return sums;
}

// Every file of `before` is still there with the same bytes.
void expectNoFileChanged(const Checksums &before)
{
    for (const auto &entry : before) {
        QFile file(entry.first);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "disappeared: " << entry.first.toStdString();
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&file);
        EXPECT_EQ(hash.result().toHex(), entry.second.toHex()) << "changed: " << entry.first.toStdString();
    }
}

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A locale whose decimal mark is a comma; scripts/setup.sh generates it.
const char *const kCommaDecimalLocale = "de_DE.UTF-8";

ToolRun runTool(const QStringList &args, const QString &locale = QString())
{
    QProcess process;
    if (!locale.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(VELTRANE_CONVERT), args);
    ToolRun run;
    if (!process.waitForFinished(600000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Input points that a triangle took: their shift is not all zero or they
// were copied from a vertex.
int convertedPoints(const RunResult &result)
{
    int n = 0;
    for (const PointRecord &p : *result.points)
        n += (p.xTo != 0.0 || p.yTo != 0.0 || p.hTo != 0.0) ? 1 : 0;
    return n;
}

// Sends standard output to /dev/null while it lives: the run prints every
// control point and triangle there, megabytes for a large network.
class QuietStandardOutput {
public:
    QuietStandardOutput()
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::close(null);
        }
    }
    ~QuietStandardOutput()
    {
        std::fflush(stdout);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDOUT_FILENO);
            ::close(m_saved);
        }
    }

private:
    int m_saved = -1;
};

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        work = m_dir.path();
        writeTextFile(at(kControlFileCors96), kCors96);
        writeTextFile(at(kControlFileCors96a), kCors96a);
        writeTextFile(at(kControlTinFile), kTin);
    }

    QString at(const QString &name) const { return work + QLatin1Char('/') + name; }

    RunResult convert(const QString &input, int tinMode = 2, int mode = 1)
    {
        log = StatusLog();
        ConversionSettings settings;
        settings.direction = directionFromMode(mode);
        settings.tinSource = tinSourceFromMode(tinMode);
        return runInFolder(settings, input, QString(), work, log.sink());
    }

    // The tool on the same folder; tinMode 1 reads the TIN file.
    ToolRun convertWithTool(const QString &input, int tinMode = 2, const QString &locale = QString())
    {
        return runTool({QStringLiteral("--tin"), tinMode == 1 ? QStringLiteral("file") : QStringLiteral("generate"),
                        QStringLiteral("--workdir"), work, input},
                       locale);
    }

    // Every file but the outputs of earlier runs, which a run may replace.
    Checksums everyFile() const { return checksums({work}); }
    Checksums everyFileWithOutputs() const { return checksums({work}, true); }

    // Triangles over the four-point network: the TIN file has three
    // (overlapping) faces, the triangulation two.
    static uint32_t networkTriangles(int tinMode) { return tinMode == 1 ? 3u : 2u; }

    QString work;
    StatusLog log;

private:
    QTemporaryDir m_dir;
};

// ---- Contents of the input and control files -------------------------------

TEST_F(HostileInput, BinaryGarbageGivesNoPointsAndSaysSo)
{
    std::mt19937 random(20240601);
    QByteArray garbage(256 * 1024, '\0');
    for (char &c : garbage)
        c = char(random() & 0xff);
    writeTextFile(at("garbage.csv"), garbage);
    const Checksums before = everyFile();

    const RunResult result = convert(at("garbage.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_TRUE(log.firstContaining(QStringLiteral("No points could be read from %1. ").arg(at("garbage.csv")))
                    .contains(QStringLiteral("lines are not points: line 1: ")))
        << log.texts().join('\n').toStdString();
    EXPECT_EQ(readLines(at("garbage_out.csv")), QList<QByteArray>{QByteArray(kOutputHeader).trimmed()});
    expectNoFileChanged(before);

    // The same garbage as a control file leaves no network, and the run says why.
    writeTextFile(at("pts.csv"), kInput);
    writeTextFile(at(kControlFileCors96a), garbage);
    const Checksums beforeControl = everyFile();
    const ToolRun tool = convertWithTool(at("pts.csv"));
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_EQ(tool.err, QStringLiteral("veltrane-convert: no control point of %1 could be paired with one of %2\n")
                            .arg(at(kControlFileCors96), at(kControlFileCors96a))
                            .toUtf8());
    EXPECT_FALSE(QFile::exists(at("pts_out.csv")));
    expectNoFileChanged(beforeControl);
}

TEST_F(HostileInput, TenMegabyteLineIsSkippedAndTheRestRead)
{
    QByteArray input = "-123.45,45.28,110,BEFORE\n";
    input += QByteArray(10 * 1024 * 1024, 'x');
    input += "\n-123.43,45.3,100,AFTER\n";
    writeTextFile(at("long.csv"), input);
    // The TIN file gets one too, between its vertices and its faces.
    writeTextFile(at(kControlTinFile), kTin.left(kTin.indexOf('f')) + QByteArray(10 * 1024 * 1024, 'y') + "\n" +
                                           kTin.mid(kTin.indexOf('f')));
    const Checksums before = everyFile();

    for (const int tinMode : {1, 2}) {
        const RunResult result = convert(at("long.csv"), tinMode);
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        ASSERT_EQ(result.points->size(), 2u) << "TIN mode " << tinMode;
        EXPECT_EQ((*result.points)[0].id, QStringLiteral("BEFORE"));
        EXPECT_EQ((*result.points)[1].id, QStringLiteral("AFTER"));
        EXPECT_EQ(convertedPoints(result), 2) << "TIN mode " << tinMode;
        EXPECT_EQ(result.triangles->size(), networkTriangles(tinMode));
    }
    const ToolRun tool = convertWithTool(at("long.csv"), 1);
    EXPECT_EQ(tool.exitCode, 0);
    EXPECT_EQ(readLines(at("long_out.csv")).size(), 3);
    expectNoFileChanged(before);
}

TEST_F(HostileInput, NulBytesEndTheFieldTheyAreIn)
{
    writeTextFile(at("nul.csv"), QByteArray("-123.45,45.28,110,A\0junk\n\0\0\0\n-123.43,45.3,100,B\n", 48));
    writeTextFile(at(kControlFileCors96a), QByteArray(kCors96a).replace("P4\n", QByteArray("P4\0tail\n", 8)));
    writeTextFile(at(kControlTinFile), QByteArray(kTin).replace("f 3 1 4", QByteArray("f 3 1 4\0 9", 10)));
    const Checksums before = everyFile();

    for (const int tinMode : {1, 2}) {
        const RunResult result = convert(at("nul.csv"), tinMode);
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        ASSERT_EQ(result.points->size(), 2u);
        EXPECT_EQ((*result.points)[0].id, QStringLiteral("A"));
        EXPECT_EQ((*result.points)[1].id, QStringLiteral("B"));
        EXPECT_EQ(convertedPoints(result), 2);
        EXPECT_EQ(result.controlExtent.count, 4);
        EXPECT_EQ(log.countStartingWith(QStringLiteral("ERROR PROCESSING")), 0);
    }
    expectNoFileChanged(before);
}

TEST_F(HostileInput, CarriageReturnOnlyLineEndsReadEveryLine)
{
    auto crOnly = [](QByteArray text) { return text.replace('\n', '\r'); };
    writeTextFile(at("mac.csv"), crOnly("# old export\n" + kInput));
    writeTextFile(at(kControlFileCors96), crOnly(kCors96));
    writeTextFile(at(kControlFileCors96a), crOnly(kCors96a));
    writeTextFile(at(kControlTinFile), crOnly(kTin));
    const Checksums before = everyFile();

    for (const int tinMode : {1, 2}) {
        const RunResult result = convert(at("mac.csv"), tinMode);
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        EXPECT_EQ(result.controlExtent.count, 4) << "TIN mode " << tinMode;
        EXPECT_EQ(result.triangles->size(), networkTriangles(tinMode)) << "TIN mode " << tinMode;
        ASSERT_EQ(result.points->size(), 3u) << "TIN mode " << tinMode;
        EXPECT_EQ((*result.points)[2].id, QStringLiteral("OUT"));
        EXPECT_EQ(convertedPoints(result), 2) << "TIN mode " << tinMode;
        EXPECT_EQ(log.firstContaining(QStringLiteral("lie outside")),
                  QStringLiteral("1 of 3 points lie outside the control network and were left unconverted."));
    }
    // Windows line ends still read the same.
    writeTextFile(at("dos.csv"), QByteArray(kInput).replace("\n", "\r\n"));
    const RunResult dos = convert(at("dos.csv"));
    ASSERT_EQ(dos.points->size(), 3u);
    EXPECT_EQ((*dos.points)[0].id, QStringLiteral("A"));
    expectNoFileChanged(before);
}

TEST_F(HostileInput, TenThousandCharacterIdentifiersAreCutNotSplitIntoPoints)
{
    // A line is read in pieces of 255 characters, so an identifier is cut
    // where its line's piece ends: after different lengths in the two control
    // files, whose coordinates differ in length. That control point then has
    // no partner, which the run reports; the rest of the network stands.
    const QByteArray longId(10000, 'I');
    writeTextFile(at(kControlFileCors96), QByteArray(kCors96).replace("P4", longId));
    writeTextFile(at(kControlFileCors96a), QByteArray(kCors96a).replace("P4", longId));
    writeTextFile(at("ids.csv"), "-123.45,45.28,110," + longId + "\n-123.43,45.3,100," + longId + "Z\n");
    const Checksums before = everyFile();

    const RunResult result = convert(at("ids.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.controlExtent.count, 3);
    EXPECT_TRUE(log.firstContaining(QStringLiteral("no partner"))
                    .startsWith(QStringLiteral("1 control point(s) of %1 have no partner in %2 and were left out: IIII")
                                    .arg(at(kControlFileCors96), at(kControlFileCors96a))));
    ASSERT_EQ(result.points->size(), 2u);  // the rest of each line gives no extra point
    for (const PointRecord &p : *result.points) {
        EXPECT_GT(p.id.size(), 200);
        EXPECT_LT(p.id.size(), 256);
        EXPECT_TRUE(p.id.startsWith(QLatin1String("IIII")));
    }
    EXPECT_EQ(convertedPoints(result), 2);
    EXPECT_EQ(readLines(at("ids_out.csv")).size(), 3);
    expectNoFileChanged(before);
}

TEST_F(HostileInput, OverflowNanAndInfinityInTheInputAreRejectedLines)
{
    writeTextFile(at("numbers.csv"), "-123.45,45.28,-0,ZERO\n"
                                     "-123.45,45.28,1e400,HUGE\n"
                                     "nan,45.28,110,NAN\n"
                                     "-123.45,inf,110,INF\n"
                                     "-inf,-inf,-inf,NEGINF\n"
                                     "-1e400,45.28,110,NEGHUGE\n");
    const Checksums before = everyFile();
    for (const int tinMode : {1, 2}) {
        const RunResult result = convert(at("numbers.csv"), tinMode);
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        ASSERT_EQ(result.points->size(), 1u);
        EXPECT_NE((*result.points)[0].xTo, 0.0);
        EXPECT_EQ(log.firstContaining(QStringLiteral("lines are not points")),
                  QStringLiteral("5 lines are not points: line 2: not a finite number in column 3; line 3: not a "
                                 "finite number in column 1; line 4: not a finite number in column 2; line 5: not a "
                                 "finite number in column 1; line 6: not a finite number in column 1"));
    }
    const QList<QByteArray> lines = readLines(at("numbers_out.csv"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("ZERO,-123.45")) << lines[1].toStdString();
    expectNoFileChanged(before);
}

TEST_F(HostileInput, NonFiniteControlPointsAreLeftOutOfTheNetwork)
{
    writeTextFile(at(kControlFileCors96), kCors96 + "inf,45.3,100,BAD1\n-123.44,nan,100,BAD2\n-1e400,45,0,BAD3\n");
    writeTextFile(at(kControlFileCors96a), kCors96a + "-123.4,45.3,100,BAD1\n-123.44,45.3,100,BAD2\n"
                                                      "-123.4,45,0,BAD3\n");
    writeTextFile(at("pts.csv"), kInput);
    const Checksums before = everyFile();

    const RunResult result = convert(at("pts.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.triangles->size(), 2u);
    EXPECT_EQ(convertedPoints(result), 2);
    EXPECT_EQ(log.firstContaining(QStringLiteral("not a finite number")),
              QStringLiteral("3 control point(s) with a coordinate that is not a finite number were left out: "
                             "BAD1, BAD2, BAD3"));
    for (const PointRecord &p : *result.control)
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.h)) << p.id.toStdString();
    expectNoFileChanged(before);
}

// ---- Control networks that cannot be triangulated as expected ---------------

TEST_F(HostileInput, EveryIdentifierDuplicatedPairsTheFirstOccurrence)
{
    // Each point twice; the second copy sits elsewhere and must not be used.
    QByteArray source, target;
    for (const QByteArray &line : kCors96.split('\n'))
        if (!line.isEmpty())
            source += line + "\n" + "-100,40,0," + line.mid(line.lastIndexOf(',') + 1) + "\n";
    for (const QByteArray &line : kCors96a.split('\n'))
        if (!line.isEmpty())
            target += line + "\n" + "-101,41,0," + line.mid(line.lastIndexOf(',') + 1) + "\n";
    writeTextFile(at(kControlFileCors96), source);
    writeTextFile(at(kControlFileCors96a), target);
    writeTextFile(at("pts.csv"), kInput);
    const Checksums before = everyFile();

    const RunResult result = convert(at("pts.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.controlExtent.count, 4);
    EXPECT_EQ(result.triangles->size(), 2u);
    EXPECT_EQ(log.firstContaining(QStringLiteral("more than once")),
              QStringLiteral("4 identifier(s) occur more than once in %1; only the first of each was used: "
                             "P1, P2, P3, P4")
                  .arg(at(kControlFileCors96)));
    EXPECT_EQ(convertedPoints(result), 2);
    for (const PointRecord &p : *result.control)
        EXPECT_LT(std::fabs(p.dx), 0.001) << p.id.toStdString();  // never paired across copies
    expectNoFileChanged(before);
}

TEST_F(HostileInput, DisjointIdentifiersLeaveNoNetwork)
{
    writeTextFile(at(kControlFileCors96a), QByteArray(kCors96a).replace("P", "Q"));
    writeTextFile(at("pts.csv"), kInput);
    const Checksums before = everyFile();
    for (const int tinMode : {1, 2}) {
        const RunResult result = convert(at("pts.csv"), tinMode);
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        EXPECT_EQ(log.firstContaining(QStringLiteral("no partner")),
                  QStringLiteral("4 control point(s) of %1 have no partner in %2 and were left out: P1, P2, P3, P4")
                      .arg(at(kControlFileCors96), at(kControlFileCors96a)));
        if (tinMode == 1) {
            // The TIN file's vertices match no control point: each is reported
            // and keeps a zero shift, so points inside move by nothing.
            EXPECT_EQ(log.countStartingWith(QStringLiteral("ERROR PROCESSING")), 4);
            for (const PointRecord &p : *result.points)
                EXPECT_TRUE(p.dx == 0.0 && p.dy == 0.0 && p.dh == 0.0) << p.id.toStdString();
        } else {
            EXPECT_TRUE(log.texts().contains(
                QStringLiteral("The control network has no triangles, so no point can be converted.")));
            EXPECT_EQ(log.firstContaining(QStringLiteral("lie outside")),
                      QStringLiteral("3 of 3 points lie outside the control network and were left unconverted."));
            EXPECT_EQ(convertedPoints(result), 0);
        }
    }
    expectNoFileChanged(before);
}

TEST_F(HostileInput, IdenticalOrCollinearControlPointsGiveNoTriangles)
{
    const QByteArray identical = "-123.45,45.3,100,P1\n-123.45,45.3,100,P2\n-123.45,45.3,100,P3\n"
                                 "-123.45,45.3,100,P4\n";
    const QByteArray collinear = "-123.5,45.2,100,P1\n-123.4,45.3,100,P2\n-123.3,45.4,100,P3\n"
                                 "-123.45,45.25,100,P4\n";
    writeTextFile(at("pts.csv"), "-123.45,45.3,100,ON\n-123.42,45.28,100,NEAR\n");
    for (const QByteArray &network : {identical, collinear}) {
        writeTextFile(at(kControlFileCors96), network);
        writeTextFile(at(kControlFileCors96a), QByteArray(network).replace("100,", "100.5,"));
        const Checksums before = everyFile();
        const RunResult result = convert(at("pts.csv"));
        EXPECT_EQ(result.outcome, RunOutcome::Completed);
        EXPECT_EQ(result.triangles->size(), 0u);
        EXPECT_TRUE(log.texts().contains(
            QStringLiteral("The control network has no triangles, so no point can be converted.")));
        EXPECT_EQ(convertedPoints(result), 0);
        EXPECT_EQ(readLines(at(kControlShiftFile)).size(), 5);
        expectNoFileChanged(before);
    }
}

TEST_F(HostileInput, ThreeControlPointsMakeOneTriangle)
{
    writeTextFile(at(kControlFileCors96), kCors96.left(kCors96.indexOf("-123.42")));
    writeTextFile(at(kControlFileCors96a), kCors96a.left(kCors96a.indexOf("-123.41996")));
    writeTextFile(at("pts.csv"), kInput);
    const Checksums before = everyFile();
    const RunResult result = convert(at("pts.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.triangles->size(), 1u);
    EXPECT_EQ(convertedPoints(result), 2);
    EXPECT_EQ(log.firstContaining(QStringLiteral("lie outside")),
              QStringLiteral("1 of 3 points lie outside the control network and were left unconverted."));
    expectNoFileChanged(before);
}

TEST_F(HostileInput, HundredThousandControlPointsOnATinyArea)
{
    // 100,000 points in a square of 0.001 degrees (about 100 m), shifts that
    // vary smoothly; every interpolated shift must lie within their range.
    constexpr int kCount = 100000;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    QByteArray source, target;
    source.reserve(kCount * 48);
    target.reserve(kCount * 48);
    double dxMin = 1.0, dxMax = -1.0;
    for (int i = 0; i < kCount; ++i) {
        const double x = -123.45 + 0.001 * unit(random), y = 45.3 + 0.001 * unit(random);
        const double dx = 1e-5 + 1e-3 * (x + 123.45), dy = 2e-5;
        dxMin = std::min(dxMin, dx);
        dxMax = std::max(dxMax, dx);
        char line[128];
        std::snprintf(line, sizeof line, "%.12f,%.12f,100,C%d\n", x, y, i);
        source += line;
        std::snprintf(line, sizeof line, "%.12f,%.12f,100.1,C%d\n", x + dx, y + dy, i);
        target += line;
    }
    writeTextFile(at(kControlFileCors96), source);
    writeTextFile(at(kControlFileCors96a), target);
    QByteArray input;
    for (int i = 0; i < 200; ++i)
        input += QByteArray::number(-123.45 + 0.00025 + 0.0005 * unit(random), 'f', 12) + "," +
                 QByteArray::number(45.3 + 0.00025 + 0.0005 * unit(random), 'f', 12) + ",100,I" +
                 QByteArray::number(i) + "\n";
    writeTextFile(at("pts.csv"), input);
    const Checksums before = everyFile();

    QElapsedTimer clock;
    clock.start();
    const RunResult result = [&] {
        QuietStandardOutput quiet;
        return convert(at("pts.csv"));
    }();
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.controlExtent.count, kCount);
    EXPECT_GT(result.triangles->size(), uint32_t(kCount));
    // Triangles this small (about 30 cm) are near the single-precision limit
    // of the point-in-triangle test, which misses some points; those are
    // counted as unconverted, never given a wrong shift.
    const int taken = convertedPoints(result);
    EXPECT_GT(taken, 100);
    EXPECT_EQ(result.outside, uint32_t(200 - taken));
    if (taken < 200) {
        EXPECT_EQ(log.firstContaining(QStringLiteral("lie outside")),
                  QStringLiteral("%1 of 200 points lie outside the control network and were left unconverted.")
                      .arg(200 - taken));
    }
    for (const PointRecord &p : *result.points) {
        if (p.xTo == 0.0)
            continue;
        EXPECT_GE(p.dx, dxMin - 1e-12) << p.id.toStdString();
        EXPECT_LE(p.dx, dxMax + 1e-12) << p.id.toStdString();
        EXPECT_NEAR(p.dy, 2e-5, 1e-12) << p.id.toStdString();
    }
    std::printf("100,000 control points: %lld ms, %d of 200 points converted\n",
                static_cast<long long>(clock.elapsed()), taken);
    expectNoFileChanged(before);
}

// ---- TIN file -------------------------------------------------------------

TEST_F(HostileInput, TinFacesOutOfRangeNegativeOctalHexadecimalAndWords)
{
    writeTextFile(at(kControlTinFile), kTin.left(kTin.indexOf('f')) + "f 1 2 99\n"   // line 5: past the last vertex
                                                                      "f -1 2 4\n"   // 6: negative
                                                                      "f 010 2 4\n"  // 7: octal 8, past the last vertex
                                                                      "f 01 02 04\n"       // 8: octal, valid
                                                                      "f 0x2 0x3 0x4\n"    // 9: hexadecimal, valid
                                                                      "f one two three\n"  // 10: words
                                                                      "f 99999999999999999999 1 2\n");  // 11: overflow
    writeTextFile(at("pts.csv"), kInput);
    const Checksums before = everyFile();
    const RunResult result = convert(at("pts.csv"), 1);
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.triangles->size(), 2u);
    const QString dropped = log.firstContaining(QStringLiteral("were dropped"));
    EXPECT_TRUE(dropped.startsWith(QStringLiteral("5 face line(s) of %1 were dropped: ").arg(at(kControlTinFile))))
        << dropped.toStdString();
    for (const char *reason : {"line 5: face dropped, vertex number 99 is outside 1..4",
                               "line 6: face dropped, vertex number -1 is outside 1..4",
                               "line 7: face dropped, vertex number 8 is outside 1..4",
                               "line 10: face dropped, only 0 of its 3 vertex numbers could be read",
                               "line 11: face dropped, vertex number 9223372036854775807 is outside 1..4"})
        EXPECT_TRUE(dropped.contains(QLatin1String(reason))) << reason << "\n" << dropped.toStdString();
    // B lay in the dropped face 3 1 4; A lies in the kept octal face 1 2 4.
    EXPECT_EQ(convertedPoints(result), 1);
    EXPECT_NE((*result.points)[0].xTo, 0.0);
    expectNoFileChanged(before);
}

// Everything a run gives in the process's current locale: both output
// files, the status lines but the timing, and the diagnostics.
QByteArray runTranscript(const std::function<RunResult(const DiagnosticSink &)> &run, const StatusLog &log,
                         const QString &outFile, const QString &controlShift)
{
    QByteArray transcript;
    const RunResult result =
        run([&transcript](const std::string &text) { transcript += QByteArray::fromStdString(text) + '\n'; });
    for (const QString &line : log.texts())
        if (!line.startsWith(QLatin1String("Completed in ")))
            transcript += line.toUtf8() + '\n';
    return transcript + readBytes(outFile) + readBytes(controlShift) + QByteArray::number(convertedPoints(result));
}

QByteArray withoutTiming(const QByteArray &out)
{
    QList<QByteArray> lines = out.split('\n');
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QByteArray &line) { return line.startsWith("Completed in "); }),
                lines.end());
    return lines.join('\n');
}

TEST_F(HostileInput, CommaDecimalLocaleReadsAndWritesLikeTheCLocale)
{
    // The window's toolkit adopts the user's locale, and so does the batch
    // command's; numbers in files and diagnostics must not follow it.
    writeTextFile(at("pts.csv"), kInput);
    struct RestoreLocale {
        ~RestoreLocale() { std::setlocale(LC_ALL, "C"); }
    } restore;
    for (const int tinMode : {1, 2}) {
        ConversionSettings settings;
        settings.tinSource = tinSourceFromMode(tinMode);
        const auto run = [&](const DiagnosticSink &diagnostics) {
            log = StatusLog();
            return runInFolder(settings, at("pts.csv"), QString(), work, log.sink(), diagnostics);
        };
        ASSERT_TRUE(std::setlocale(LC_ALL, "C"));
        const QByteArray inC = runTranscript(run, log, at("pts_out.csv"), at(kControlShiftFile));
        ASSERT_TRUE(std::setlocale(LC_ALL, kCommaDecimalLocale))
            << kCommaDecimalLocale << " is not installed; scripts/setup.sh generates it";
        ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
        const QByteArray inCommaLocale = runTranscript(run, log, at("pts_out.csv"), at(kControlShiftFile));
        std::setlocale(LC_ALL, "C");
        EXPECT_EQ(inCommaLocale.toStdString(), inC.toStdString()) << "TIN mode " << tinMode;
        EXPECT_EQ(log.countStartingWith(QStringLiteral("ERROR PROCESSING")), 0);
        EXPECT_TRUE(inC.endsWith("2")) << "TIN mode " << tinMode;  // both inside points converted

        const ToolRun toolInC = convertWithTool(at("pts.csv"), tinMode, QStringLiteral("C"));
        const QByteArray outputsInC = readBytes(at("pts_out.csv")) + readBytes(at(kControlShiftFile));
        const ToolRun tool = convertWithTool(at("pts.csv"), tinMode, QLatin1String(kCommaDecimalLocale));
        EXPECT_EQ(tool.exitCode, 0);
        // One summary line, the same as in C (but for its time): no complaint about a missing locale.
        const auto summary = [](const QByteArray &err) { return err.left(err.lastIndexOf(" (")); };
        EXPECT_EQ(tool.err.count('\n'), 1) << tool.err.toStdString();
        EXPECT_EQ(summary(tool.err).toStdString(), summary(toolInC.err).toStdString());
        EXPECT_EQ(withoutTiming(tool.out).toStdString(), withoutTiming(toolInC.out).toStdString());
        EXPECT_EQ(readBytes(at("pts_out.csv")) + readBytes(at(kControlShiftFile)), outputsInC);
    }
}

TEST_F(HostileInput, TinFileThatIsAFolder)
{
    QFile::remove(at(kControlTinFile));
    ASSERT_TRUE(QDir(work).mkdir(kControlTinFile));
    writeTextFile(at("pts.csv"), kInput);
    const Checksums before = everyFile();
    const RunResult result = convert(at("pts.csv"), 1);
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_TRUE(
        log.texts().contains(QStringLiteral("Unable to open the TIN file %1: no triangles.").arg(at(kControlTinFile))));
    EXPECT_EQ(result.triangles->size(), 0u);
    EXPECT_EQ(convertedPoints(result), 0);
    const ToolRun tool = convertWithTool(at("pts.csv"), 1);
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_EQ(tool.err, "veltrane-convert: " + at(kControlTinFile).toUtf8() + " is a folder, not a file\n");
    expectNoFileChanged(before);
}

// ---- Names and places -------------------------------------------------------

TEST_F(HostileInput, InputNamesWithoutLowerCaseCsv)
{
    ASSERT_TRUE(QDir(work).mkpath(QStringLiteral("survey.csv.d")));
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("pts.txt"), QStringLiteral("pts_out.csv")},
        {QStringLiteral("PTS.CSV"), QStringLiteral("PTS_out.csv")},
        {QStringLiteral("points"), QStringLiteral("points_out.csv")},
        {QStringLiteral("survey.csv.d/pts.txt"), QStringLiteral("survey.csv.d/pts_out.csv")},
        {QStringLiteral("survey.csv.d/a.csv"), QStringLiteral("survey.csv.d/a_out.csv")},
    };
    for (const auto &c : cases)
        writeTextFile(at(c.first), kInput);
    const Checksums before = everyFile();
    for (const auto &c : cases) {
        const RunResult result = convert(at(c.first));
        EXPECT_EQ(result.outcome, RunOutcome::Completed) << c.first.toStdString();
        EXPECT_EQ(result.written.value(0), at(c.second));
        EXPECT_EQ(readLines(at(c.second)).size(), 4) << c.second.toStdString();
        EXPECT_EQ(convertedPoints(result), 2);
        QFile::remove(at(c.second));
        const ToolRun tool = convertWithTool(at(c.first));
        EXPECT_EQ(tool.exitCode, 0) << c.first.toStdString();
        EXPECT_EQ(readLines(at(c.second)).size(), 4) << c.second.toStdString();
    }
    expectNoFileChanged(before);
}

TEST_F(HostileInput, InputThatIsAControlFile)
{
    ASSERT_TRUE(QFile::link(at(kControlFileCors96), at("link.csv")));
    const Checksums before = everyFile();
    for (const QString &input : {at(kControlFileCors96), at("link.csv"), work + "/./" + kControlFileCors96}) {
        const RunResult result = convert(input);
        EXPECT_EQ(result.outcome, RunOutcome::Completed) << input.toStdString();
        EXPECT_EQ(result.points->size(), 4u);
        EXPECT_EQ(convertedPoints(result), 4);  // control points are vertices of the network
    }
    EXPECT_EQ(readLines(at("TARVONA_NAD83_CORS96_CONTROL_out.csv")).size(), 5);
    EXPECT_EQ(readLines(at("link_out.csv")).size(), 5);

    // An output name that leads to a control file is refused, not written through.
    writeTextFile(at("pts.csv"), kInput);
    ASSERT_TRUE(QFile::link(at(kControlFileCors96a), at("pts_out.csv")));
    const Checksums beforeLink = everyFile();
    const RunResult refused = convert(at("pts.csv"));
    EXPECT_EQ(refused.outcome, RunOutcome::OutputNotWritten);
    EXPECT_TRUE(log.texts().contains(QStringLiteral("Not writing %1: it is the same file as %2, which this run reads.")
                                         .arg(at("pts_out.csv"), at(kControlFileCors96a))));
    const ToolRun tool = convertWithTool(at("pts.csv"));
    EXPECT_EQ(tool.exitCode, 1);
    expectNoFileChanged(before);
    expectNoFileChanged(beforeLink);
}

TEST_F(HostileInput, InputNamedControlShiftInTheWorkingFolder)
{
    writeTextFile(at(kControlShiftFile), kInput);
    const Checksums before = everyFileWithOutputs();
    const RunResult result = convert(at(kControlShiftFile));
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    EXPECT_TRUE(log.texts().contains(
        QStringLiteral("Not writing %1: it is the same file as %1, which this run reads.").arg(at(kControlShiftFile))))
        << log.texts().join('\n').toStdString();
    EXPECT_EQ(convertedPoints(result), 2);                    // the points are still converted for the view
    EXPECT_FALSE(QFile::exists(at("controlshift_out.csv")));  // but no output of the run is written
    const ToolRun tool = convertWithTool(at(kControlShiftFile));
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_TRUE(tool.err.startsWith("veltrane-convert: not writing ")) << tool.err.toStdString();
    EXPECT_EQ(readBytes(at(kControlShiftFile)), kInput);
    expectNoFileChanged(before);
}

// ---- Outputs that cannot be written ----------------------------------------

TEST_F(HostileInput, InputInAFolderWithoutWritePermission)
{
    const QString folder = at(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir(work).mkdir(QStringLiteral("readonly")));
    // Root ignores permission bits: a read-only tmpfs binds it, and an
    // immutable folder does too. Another user is held by the bits alone.
    ScratchMount mount(folder, 64);
    bool readOnly = false;
    if (mount.mounted()) {
        writeTextFile(folder + "/pts.csv", kInput);
        readOnly = mount.makeReadOnly();
    } else {
        writeTextFile(folder + "/pts.csv", kInput);
        readOnly = ::geteuid() == 0 ? setImmutable(folder, true)
                                    : QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    if (!readOnly)
        GTEST_SKIP() << "running as root without mount or chattr: no folder here is unwritable";
    struct Restore {
        QString folder;
        ~Restore()
        {
            setImmutable(folder, false);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    } restore{folder};
    const Checksums before = everyFile();

    const RunResult result = convert(folder + "/pts.csv");
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    const QString message = log.firstContaining(QStringLiteral("Unable to write ") + folder);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Unable to write %1/pts_out.csv: ").arg(folder)))
        << log.texts().join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(at(kControlShiftFile)));  // nor is the other output of the run
    const ToolRun tool = convertWithTool(folder + "/pts.csv");
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_TRUE(tool.err.startsWith("veltrane-convert: unable to write ")) << tool.err.toStdString();
    EXPECT_FALSE(QFile::exists(folder + "/pts_out.csv"));
    expectNoFileChanged(before);
}

TEST_F(HostileInput, OutputFileThatExistsReadOnly)
{
    writeTextFile(at("pts.csv"), kInput);
    const QByteArray earlier = "an earlier result the user keeps\n";
    writeTextFile(at("pts_out.csv"), earlier);
    QFile::setPermissions(at("pts_out.csv"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const bool immutable = setImmutable(at("pts_out.csv"), true);
    const Checksums before = everyFileWithOutputs();
    struct Restore {
        QString path;
        ~Restore() { setImmutable(path, false); }
    } restore{at("pts_out.csv")};
    if (::geteuid() == 0 && !immutable)
        GTEST_SKIP() << "running as root without chattr: a read-only file does not bind root";

    const RunResult result = convert(at("pts.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    EXPECT_TRUE(log.firstContaining(QStringLiteral("Unable to write "))
                    .startsWith(QStringLiteral("Unable to write %1: ").arg(at("pts_out.csv"))));
    const ToolRun tool = convertWithTool(at("pts.csv"));
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_EQ(readBytes(at("pts_out.csv")), earlier);
    expectNoFileChanged(before);
}

TEST_F(HostileInput, OutputNameTakenByAFolder)
{
    writeTextFile(at("pts.csv"), kInput);
    ASSERT_TRUE(QDir(work).mkdir(QStringLiteral("pts_out.csv")));
    ASSERT_TRUE(QDir(work).mkdir(kControlShiftFile));
    const Checksums before = everyFile();
    const RunResult result = convert(at("pts.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    EXPECT_TRUE(log.texts().contains(QStringLiteral("Unable to write %1: Is a directory").arg(at("pts_out.csv"))))
        << log.texts().join('\n').toStdString();
    EXPECT_TRUE(log.texts().contains(QStringLiteral("Unable to write %1: Is a directory").arg(at(kControlShiftFile))));
    const ToolRun tool = convertWithTool(at("pts.csv"));
    EXPECT_EQ(tool.exitCode, 1);
    expectNoFileChanged(before);
}

TEST_F(HostileInput, DiskFullWhileWritingTheOutput)
{
    // Enough points that their output overflows a 16 kB file system.
    QByteArray input;
    for (int i = 0; i < 200; ++i)
        input += "-123.45,45.28,110,P" + QByteArray::number(i) + "\n";
    const QString folder = at(QStringLiteral("small"));
    ASSERT_TRUE(QDir(work).mkdir(QStringLiteral("small")));
    ScratchMount mount(folder, 16);
    QString inputPath = folder + "/pts.csv";
    if (mount.mounted()) {
        writeTextFile(inputPath, input);
    } else {
        // No tmpfs here: the output name leads to a device that is always full.
        writeTextFile(inputPath, input);
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), folder + "/pts_out.csv"));
    }
    const Checksums before = everyFile();

    const RunResult result = convert(inputPath);
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    EXPECT_EQ(log.firstContaining(QStringLiteral("No space left")),
              QStringLiteral("Unable to finish writing %1/pts_out.csv: No space left on device").arg(folder))
        << log.texts().join('\n').toStdString();
    EXPECT_FALSE(log.texts().last().isEmpty());
    const ToolRun tool = convertWithTool(inputPath);
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_TRUE(tool.err.contains("No space left on device")) << tool.err.toStdString();
    expectNoFileChanged(before);
}

// ---- Outputs that are special files, deep, long, linked or protected -------

namespace {

mode_t fileType(const QString &path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & S_IFMT) : 0;
}

struct stat statusOf(const QString &path)
{
    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

bool makeNode(const QString &path, mode_t type, unsigned major, unsigned minor)
{
    return ::mknod(QFile::encodeName(path).constData(), type | 0600, makedev(major, minor)) == 0;
}

}  // namespace

TEST_F(HostileInput, OutputNamesLeadingToAFifoOrADevice)
{
    writeTextFile(at("pts.csv"), kInput);
    // A FIFO is written directly, to whoever reads it.
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(at("pipe"), at("pts_out.csv")));
    // A character device (the null device) is written directly too, and
    // stays a device; making one needs root.
    const bool haveDevice = makeNode(at("null"), S_IFCHR, 1, 3);
    if (haveDevice) {
        ASSERT_TRUE(QFile::link(at("null"), at(kControlShiftFile)));
    }
    test_support::FifoReader pipe(QFile::encodeName(at("pipe")));
    ASSERT_TRUE(pipe.isOpen());
    const RunResult result = convert(at("pts.csv"));
    const QByteArray &received = pipe.received();
    EXPECT_EQ(result.outcome, RunOutcome::Completed) << log.texts().join('\n').toStdString();
    EXPECT_TRUE(received.startsWith(kOutputHeader)) << received.toStdString();
    EXPECT_EQ(received.count('\n'), 4);
    EXPECT_EQ(fileType(at("pipe")), mode_t(S_IFIFO));
    if (haveDevice) {
        EXPECT_EQ(fileType(at("null")), mode_t(S_IFCHR));
    }

    // A block device is never written over.
    if (!makeNode(at("disk"), S_IFBLK, 7, 250))
        GTEST_SKIP() << "no device nodes here (not root)";
    QFile::remove(at("pts_out.csv"));
    ASSERT_TRUE(QFile::link(at("disk"), at("pts_out.csv")));
    EXPECT_EQ(convert(at("pts.csv")).outcome, RunOutcome::OutputNotWritten);
    EXPECT_TRUE(log.texts().contains(
        QStringLiteral("Unable to write %1: it is a block device, which an output never writes over")
            .arg(at("pts_out.csv"))))
        << log.texts().join('\n').toStdString();
    EXPECT_EQ(fileType(at("disk")), mode_t(S_IFBLK));
}

TEST_F(HostileInput, ExportNamingAFileTheRunReadsOrWrites)
{
    writeTextFile(at("pts.csv"), kInput);
    ASSERT_EQ(convertWithTool(at("pts.csv")).exitCode, 0);  // earlier outputs to keep
    ASSERT_TRUE(QFile::link(at(kControlFileCors96a), at("network.json")));
    const Checksums before = everyFileWithOutputs();
    const ino_t outputInode = statusOf(at("pts_out.csv")).st_ino;
    for (const QString &name : {QStringLiteral("pts.csv"), QString(kControlFileCors96), QString(kControlFileCors96a),
                                QString(kControlTinFile), QStringLiteral("pts_out.csv"), QString(kControlShiftFile),
                                QStringLiteral("network.json")}) {
        const ToolRun tool = runTool({"--export-tinshift", at(name), "--workdir", work, at("pts.csv")});
        EXPECT_EQ(tool.exitCode, 1) << name.toStdString();
        EXPECT_TRUE(
            tool.err.startsWith(("veltrane-convert: not writing " + at(name) + ": it is the same file as ").toUtf8()))
            << tool.err.toStdString();
        EXPECT_EQ(tool.err.count('\n'), 1);  // refused before anything is written
    }
    EXPECT_EQ(statusOf(at("pts_out.csv")).st_ino, outputInode);  // not even rewritten
    expectNoFileChanged(before);
}

TEST_F(HostileInput, ClashCheckInAFolderDeeperThanPathMax)
{
    // 22 folders of 200 characters: the absolute path of every file below
    // them is longer than PATH_MAX (4096), so only relative names work.
    const int home = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(home, 0);
    ASSERT_EQ(::chdir(QFile::encodeName(work).constData()), 0);
    const std::string level(200, 'd');
    constexpr int kLevels = 22;
    int depth = 0;
    for (; depth < kLevels && ::mkdir(level.c_str(), 0700) == 0 && ::chdir(level.c_str()) == 0; ++depth) {
    }
    struct Climb {
        int home;
        int depth;
        std::string level;
        ~Climb()
        {
            for (; depth > 0; --depth) {
                if (DIR *folder = ::opendir(".")) {
                    while (const dirent *entry = ::readdir(folder))
                        ::unlink(entry->d_name);  // fails harmlessly on . and ..
                    ::closedir(folder);
                }
                if (::chdir("..") == 0)
                    ::rmdir(level.c_str());
            }
            EXPECT_EQ(::fchdir(home), 0);
            ::close(home);
        }
    } climb{home, depth, level};
    ASSERT_EQ(depth, kLevels);

    writeTextFile(kControlFileCors96, kCors96);
    writeTextFile(kControlFileCors96a, kCors96a);
    writeTextFile("pts.csv", kInput);
    ASSERT_TRUE(QFile::link(kControlFileCors96a, "pts_out.csv"));
    ConversionSettings settings;
    log = StatusLog();
    const RunResult result = runInFolder(settings, "pts.csv", QString(), ".", log.sink());
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    EXPECT_EQ(convertedPoints(result), 2);  // the run itself works down there
    const QString refusal = log.firstContaining(QStringLiteral("Not writing pts_out.csv: it is the same file as "));
    EXPECT_TRUE(refusal.contains(kControlFileCors96a)) << log.texts().join('\n').toStdString();
    EXPECT_EQ(readBytes(kControlFileCors96a), kCors96a);
    EXPECT_FALSE(QFile::exists(kControlShiftFile));  // nor the other output of the run
}

TEST_F(HostileInput, RerunKeepsModeOwnerHardLinksAndTakesLongNames)
{
    // An output name of 250 bytes (NAME_MAX is 255), written new and then replaced.
    const QString longInput = at(QString(242, QLatin1Char('L')) + ".csv");
    writeTextFile(longInput, kInput);
    for (int run = 0; run < 2; ++run) {
        const RunResult result = convert(longInput);
        EXPECT_EQ(result.outcome, RunOutcome::Completed) << log.texts().join('\n').toStdString();
        EXPECT_EQ(QFileInfo(result.written.value(0)).fileName().size(), 250);
        EXPECT_EQ(readLines(result.written.value(0)).size(), 4);
    }

    // A private output stays private and keeps its owner; another hard link
    // to it keeps the earlier contents.
    writeTextFile(at("pts.csv"), kInput);
    const QString output = at("pts_out.csv");
    writeTextFile(output, "earlier\n");
    ASSERT_EQ(::chmod(QFile::encodeName(output).constData(), 0600), 0);
    const bool givenAway = ::geteuid() == 0 && ::chown(QFile::encodeName(output).constData(), 4321, 4322) == 0;
    ASSERT_EQ(::link(QFile::encodeName(output).constData(), QFile::encodeName(at("kept.csv")).constData()), 0);
    EXPECT_EQ(convert(at("pts.csv")).outcome, RunOutcome::Completed);
    const struct stat status = statusOf(output);
    EXPECT_EQ(status.st_mode & 07777, mode_t(0600));
    if (givenAway) {
        EXPECT_EQ(status.st_uid, uid_t(4321));
        EXPECT_EQ(status.st_gid, gid_t(4322));
    }
    EXPECT_EQ(readLines(output).size(), 4);
    EXPECT_EQ(readBytes(at("kept.csv")), QByteArray("earlier\n"));
}

}  // namespace

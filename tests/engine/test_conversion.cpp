// End-to-end runs of the conversion over small control networks written to a
// temporary folder: status lines, both output files, and the mended faults.

#include "engine/run/conversion.h"
#include "engine/run/conversionrecord.h"
#include "engine/run/conversionrun.h"
#include "tests/support/conversiontestsupport.h"
#include "tests/support/scratchfilesystem.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace veltrane;

namespace {

const QByteArray kHeader = "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,X_CORS96a,Y_CORS96a,h_CORS96a,s,AZIMUTH,DeltaH\n";

// Three control points with distinct shifts, in both realizations.
const QByteArray kCors96 = "# id last\n"
                           "-123.5,45.25,100,P1\n"
                           "-123.4,45.25,110,P2\n"
                           "-123.45,45.35,120,P3\n";
const QByteArray kCors96a = "-123.49999,45.25001,100.01,P1\n"
                            "-123.39998,45.25002,110.02,P2\n"
                            "-123.44997,45.35003,120.03,P3\n";

class ConversionRun : public ::testing::Test {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    void writeControl(const QByteArray &cors96, const QByteArray &cors96a)
    {
        writeTextFile(path(kControlFileCors96), cors96);
        writeTextFile(path(kControlFileCors96a), cors96a);
    }

    RunResult run(const QByteArray &inputBytes, int mode = 1, int tinMode = 2,
                  const QString &inputName = QStringLiteral("pts.csv"))
    {
        writeTextFile(path(inputName), inputBytes);
        return runPath(path(inputName), mode, tinMode);
    }

    RunResult runPath(const QString &inputPath, int mode = 1, int tinMode = 2)
    {
        ConversionSettings settings;
        settings.direction = directionFromMode(mode);
        settings.tinSource = tinSourceFromMode(tinMode);
        return runInFolder(settings, inputPath, QStringLiteral("second.csv"), dir.path(), log.sink());
    }

    QList<QByteArray> controlShiftLines() const { return readLines(path(kControlShiftFile)); }

    QTemporaryDir dir;
    StatusLog log;
};

// The window's "Force X coordinates to be negative" with grid coordinates
// would negate eastings: every point outside, and a file of zeros.
TEST_F(ConversionRun, ForcedWestLongitudesAreRefusedForGridCoordinates)
{
    writeControl(kCors96, kCors96a);
    writeTextFile(path("grid.csv"), "500000,5000000,100,E1\n");
    ConversionSettings settings;
    settings.forceNegative = true;
    const RunResult result =
        runInFolder(settings, path("grid.csv"), QString(), dir.path(), log.sink(), {}, {}, {}, "EPSG:26910");
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    EXPECT_TRUE(log.texts().join('\n').contains("which has no longitudes")) << log.texts().join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(path("grid_out.csv")));
}

TEST_F(ConversionRun, ReportsEachStageAndPairLineInOrder)
{
    writeControl(kCors96, kCors96a);
    const RunResult result = run("-123.45,45.28,110,A\n");
    ASSERT_EQ(result.outcome, RunOutcome::Completed);

    ASSERT_EQ(log.lines.size(), 8u);
    EXPECT_EQ(log.lines[0], std::make_pair(QStringLiteral("Begin Processing"), 0));
    EXPECT_EQ(log.lines[1], std::make_pair(QStringLiteral("Processing Input Files:  "), 0));
    EXPECT_EQ(log.lines[2], std::make_pair(path("pts.csv"), 0));
    EXPECT_EQ(log.lines[3], std::make_pair(QStringLiteral("second.csv"), 0));
    EXPECT_EQ(log.lines[4], std::make_pair(QStringLiteral("P1 From: -123.5 45.25 100 To: -123.5 45.25 100.01 "
                                                          "a distance of: 1.36066 m at azimuth of: 35.2361"),
                                           10));
    EXPECT_TRUE(log.lines[5].first.startsWith("P2 From: -123.4 45.25 110 To: -123.4 45.25 110.02"));
    EXPECT_TRUE(log.lines[6].first.startsWith("P3 From: -123.45 45.35 120 To: -123.45 45.35 120.03"));
    EXPECT_TRUE(log.lines[7].first.startsWith("Completed in "));
    EXPECT_TRUE(log.lines[7].first.endsWith(" ms."));
    EXPECT_EQ(log.lines[7].second, 100);
}

TEST_F(ConversionRun, WritesHeaderAndControlShiftLines)
{
    writeControl(kCors96, kCors96a);
    const RunResult result = run("");
    ASSERT_EQ(result.outcome, RunOutcome::Completed);

    EXPECT_EQ(readBytes(path("pts_out.csv")), kHeader);  // header only, 85 bytes
    EXPECT_EQ(kHeader.size(), 85);
    const QByteArray shifts = readBytes(path(kControlShiftFile));
    ASSERT_TRUE(shifts.startsWith(kHeader));

    // Generate mode sorts the control records by x: P1, P3, P2.
    const QList<QByteArray> lines = controlShiftLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith("P1,-123.500000000000000,45.250000000000000,100.000000000000000,"));
    EXPECT_TRUE(lines[1].endsWith(",0.010000"));
    EXPECT_TRUE(lines[2].startsWith("P3,"));
    EXPECT_TRUE(lines[3].startsWith("P2,"));
    const QList<QByteArray> p1 = lines[1].split(',');
    ASSERT_EQ(p1.size(), 10);
    EXPECT_NEAR(p1[7].toDouble(), 1.3606644, 1e-6);
    EXPECT_NEAR(p1[8].toDouble(), 35.2360915, 1e-6);
    EXPECT_EQ(result.controlExtent.count, 3);
    EXPECT_EQ(result.nTinVerts, 3u);
    EXPECT_EQ(result.triangles->size(), 1u);
}

TEST_F(ConversionRun, InterpolatesInsideCopiesVerticesAndZeroesOutside)
{
    writeControl(kCors96, kCors96a);
    // Inside, equal to P3 and to P2 (under other names), and outside the hull.
    const RunResult result = run("-123.45,45.28,110,IN\n"
                                 "-123.45,45.35,120,Q3\n"
                                 "-120,40,5,OUT\n"
                                 "-123.4,45.25,110,Q2\n");
    ASSERT_EQ(result.outcome, RunOutcome::Completed);
    const QList<QByteArray> lines = readLines(path("pts_out.csv"));
    ASSERT_EQ(lines.size(), 5);

    // Barycentric weights of (-123.45, 45.28) in P1, P2, P3.
    const double w3 = (45.28 - 45.25) / 0.1;
    const double w2 = (-123.45 - -123.5 - w3 * 0.05) / 0.1;
    const double w1 = 1.0 - w2 - w3;
    const QList<QByteArray> in = lines[1].split(',');
    ASSERT_EQ(in.size(), 10);
    EXPECT_EQ(in[0], "IN");
    EXPECT_NEAR(in[4].toDouble(), -123.45 + w1 * 1e-5 + w2 * 2e-5 + w3 * 3e-5, 1e-12);
    EXPECT_NEAR(in[5].toDouble(), 45.28 + w1 * 1e-5 + w2 * 2e-5 + w3 * 3e-5, 1e-12);
    EXPECT_NEAR(in[6].toDouble(), 110 + w1 * 0.01 + w2 * 0.02 + w3 * 0.03, 1e-9);
    EXPECT_GT(in[7].toDouble(), 1.0);

    // At the top vertex the ray meets no edge: the point becomes a copy of
    // the control record, identifier included.
    const QList<QByteArray> shifts = controlShiftLines();
    EXPECT_EQ(lines[2], shifts[2]);
    EXPECT_TRUE(lines[2].startsWith("P3,"));
    EXPECT_EQ(result.points->at(1).id, QStringLiteral("P3"));

    // At the right vertex the ray meets one edge: interpolated, own identifier.
    const QList<QByteArray> right = lines[4].split(',');
    EXPECT_EQ(right[0], "Q2");
    EXPECT_NEAR(right[4].toDouble(), -123.39998, 1e-12);
    EXPECT_NEAR(right[6].toDouble(), 110.02, 1e-9);

    EXPECT_EQ(lines[3], "OUT,-120.000000000000000,40.000000000000000,5.000000000000000,0.000000000000000,"
                        "0.000000000000000,0.000000000000000,0.000000000000000,0.000000000000000,0.000000");
    EXPECT_EQ(
        log.lines[log.lines.size() - 2],
        std::make_pair(QStringLiteral("1 of 4 points lie outside the control network and were left unconverted."), 90));
    EXPECT_EQ(result.outside, 1u);
}

TEST_F(ConversionRun, SecondDirectionPutsConvertedPositionFirst)
{
    writeControl(kCors96, kCors96a);
    run("-123.45,45.28,110,IN\n-120,40,5,OUT\n", 2);
    const QList<QByteArray> lines = readLines(path("pts_out.csv"));
    ASSERT_EQ(lines.size(), 3);
    const QList<QByteArray> in = lines[1].split(',');
    EXPECT_EQ(in[4], "-123.450000000000003");
    EXPECT_EQ(in[5], "45.280000000000001");
    EXPECT_EQ(in[6], "110.000000000000000");
    EXPECT_LT(in[1].toDouble(), -123.45);  // CORS96 lies west of CORS96a here
    EXPECT_LT(in[3].toDouble(), 110.0);
    EXPECT_LT(in[9].toDouble(), 0.0);  // DeltaH: CORS96a -> CORS96
    EXPECT_EQ(lines[2], "OUT,0.000000000000000,0.000000000000000,0.000000000000000,-120.000000000000000,"
                        "40.000000000000000,5.000000000000000,0.000000000000000,0.000000000000000,0.000000");

    // The control shifts follow the same column rule.
    const QList<QByteArray> p1 = controlShiftLines()[1].split(',');
    EXPECT_EQ(p1[0], "P1");
    EXPECT_EQ(p1[1], "-123.500000000000000");
    EXPECT_EQ(p1[4], "-123.499989999999997");
    EXPECT_EQ(p1[9], "-0.010000");
}

TEST_F(ConversionRun, PairsByFirstMatchingIdentifierAndDropsUnpairedSources)
{
    writeControl("-123.5,45.25,100,A\n"
                 "-123.4,45.25,110,B\n"
                 "-123.45,45.35,120,C\n"
                 "-123.3,45.3,90,LONE\n"
                 "-123.35,45.3,90,ALSO\n",
                 "-123.45,45.35,120,C\n"
                 "-123.5,45.25,100,A\n"
                 "-122,44,0,D\n"
                 "-123.4,45.25,110,B\n"
                 "-100,40,0,A\n");
    const RunResult result = run("");
    const QStringList texts = log.texts();
    const QStringList pairs = texts.filter(" From: ");
    ASSERT_EQ(pairs.size(), 3);
    EXPECT_TRUE(
        pairs[0].startsWith("A From: -123.5 45.25 100 To: -123.5 45.25 100 a distance of: 0 m at azimuth of: 0"));
    EXPECT_TRUE(pairs[1].startsWith("B From: "));
    EXPECT_TRUE(pairs[2].startsWith("C From: "));
    EXPECT_EQ(log.firstContaining("no partner"),
              QStringLiteral("2 control point(s) of %1 have no partner in %2 and were left out: LONE, ALSO")
                  .arg(path(kControlFileCors96), path(kControlFileCors96a)));

    EXPECT_EQ(result.controlExtent.count, 3);
    const QList<QByteArray> lines = controlShiftLines();
    ASSERT_EQ(lines.size(), 4);
    for (const QByteArray &line : lines.mid(1)) {
        EXPECT_FALSE(line.startsWith("D,")) << line.constData();
        EXPECT_TRUE(line.endsWith(",0.000000000000000,0.000000000000000,0.000000")) << line.constData();
    }
}

TEST_F(ConversionRun, FromFileMatchesVerticesAndKeepsTheirOrder)
{
    writeControl(kCors96, kCors96a);
    // Unsigned longitudes (read as west), within 0.00001 of P3, P1, P2.
    writeTextFile(path(kControlTinFile), "# control TIN\n"
                                         "v 123.450003 45.350004 0\n"
                                         "v 123.5 45.25 0\n"
                                         "v 123.399996 45.25 0\n"
                                         "vn 0 0 1\n"
                                         "f 1 2 3\n");
    const RunResult result = run("-123.45,45.28,110,IN\n", 1, 1);
    EXPECT_EQ(log.countStartingWith("ERROR PROCESSING"), 0);
    const QList<QByteArray> lines = controlShiftLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith("P3,-123.450000000000003,"));
    EXPECT_TRUE(lines[2].startsWith("P1,"));
    EXPECT_TRUE(lines[3].startsWith("P2,"));
    EXPECT_EQ(result.nTinVerts, 3u);
    EXPECT_EQ(result.triangles->size(), 1u);
    EXPECT_EQ(result.outside, 0u);
}

TEST_F(ConversionRun, FromFileReportsUnmatchedVerticesAndExtraVertices)
{
    writeControl(kCors96, kCors96a);
    // Four vertices for three control points; the fourth matches none.
    writeTextFile(path(kControlTinFile), "v -123.5 45.25 0\n"
                                         "v -123.4 45.25 0\n"
                                         "v -123.45 45.35 0\n"
                                         "v -123.45 45.15 7\n"
                                         "f 1 2 3\n"
                                         "f 1 4 2\n");
    const RunResult result = run("-123.45,45.2,100,LOW\n", 1, 1);
    EXPECT_EQ(log.countStartingWith("ERROR PROCESSING"), 1);
    EXPECT_FALSE(log.firstContaining("has 4 vertices but there are only 3 control points").isEmpty());
    EXPECT_EQ(result.controlExtent.count, 4);
    ASSERT_EQ(result.control->size(), 4u);
    const QList<QByteArray> lines = controlShiftLines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[4], ",-123.450000000000003,45.149999999999999,7.000000000000000,0.000000000000000,"
                        "0.000000000000000,0.000000000000000,0.000000000000000,0.000000000000000,0.000000");
    EXPECT_EQ(result.outside, 0u);
}

TEST_F(ConversionRun, FromFileReportsMissingFileAndDroppedFaces)
{
    writeControl(kCors96, kCors96a);
    run("-123.45,45.28,110,IN\n", 1, 1);
    EXPECT_EQ(log.firstContaining("TIN file"),
              QStringLiteral("Unable to open the TIN file %1: no triangles.").arg(path(kControlTinFile)));
    EXPECT_EQ(readLines(path("pts_out.csv"))[1].split(',')[4], "0.000000000000000");

    log.lines.clear();
    writeTextFile(path(kControlTinFile), "v -123.5 45.25 0\nv -123.4 45.25 0\nv -123.45 45.35 0\n"
                                         "f 1 2 9\nf 1 2 3\n");
    const RunResult result = run("-123.45,45.28,110,IN\n", 1, 1);
    EXPECT_TRUE(log.firstContaining("dropped").startsWith(
        QStringLiteral("1 face line(s) of %1 were dropped: ").arg(path(kControlTinFile))));
    EXPECT_EQ(result.triangles->size(), 1u);
    EXPECT_EQ(result.outside, 0u);
}

TEST_F(ConversionRun, NeverWritesOverTheFilesItReads)
{
    writeControl(kCors96, kCors96a);
    // An input named like the control shift file, in the working folder.
    const QByteArray input = "-123.45,45.28,110,IN\n";
    const RunResult result = run(input, 1, 2, QStringLiteral("controlshift.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    EXPECT_EQ(readBytes(path("controlshift.csv")), input);
    EXPECT_FALSE(QFile::exists(path("controlshift_out.csv")));  // no output of a failed run is left new
    EXPECT_EQ(log.lines.back().first, QStringLiteral("Not writing %1: it is the same file as %1, which this run reads.")
                                          .arg(path("controlshift.csv")));

    // Inputs without a case-exact ".csv" keep their bytes too.
    for (const QString &name : {QStringLiteral("pts.txt"), QStringLiteral("pts.CSV"), QStringLiteral("pts")}) {
        const RunResult other = run(input, 1, 2, name);
        EXPECT_EQ(other.outcome, RunOutcome::Completed);
        EXPECT_EQ(readBytes(path(name)), input) << name.toStdString();
        EXPECT_EQ(other.written.value(0), path("pts_out.csv"));
    }
}

TEST_F(ConversionRun, RefusesWhatIsNoPointsFileAndReportsOutputsThatCannotBeOpened)
{
    writeControl(kCors96, kCors96a);
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    const std::pair<QString, QString> refused[] = {
        {path("no-such-folder/pts.csv"),
         QStringLiteral("Cannot read %1: No such file or directory").arg(path("no-such-folder/pts.csv"))},
        {path("folder"), QStringLiteral("%1 is a folder, not a file").arg(path("folder"))},
        {QStringLiteral("/dev/zero"), QStringLiteral("/dev/zero is a device, not a file or stream")},
    };
    for (const auto &[input, message] : refused) {
        log.lines.clear();
        const RunResult result = runPath(input);
        EXPECT_EQ(result.outcome, RunOutcome::Failed);  // stopped before anything was converted
        EXPECT_EQ(log.lines.back().first, message);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // the control files only
    }
    EXPECT_FALSE(QFile::exists(path("folder_out.csv")));

    log.lines.clear();
    ConversionSettings settings;
    const QString elsewhere = path("pts.csv");
    writeTextFile(elsewhere, "");
    const RunResult noFolder = runInFolder(settings, elsewhere, QString(), path("missing-workdir"), log.sink());
    EXPECT_EQ(noFolder.outcome, RunOutcome::OutputNotWritten);
    EXPECT_TRUE(log.firstContaining("Unable to write").contains(path("missing-workdir/controlshift.csv")));
}

TEST_F(ConversionRun, ReportsReadOnlyFolder)
{
    // The input's folder is the working folder too: it holds the control
    // files and receives controlshift.csv and the output. Root ignores the
    // permission bits, so the folder is locked by the first way that binds
    // this process: a tmpfs remounted read-only, the immutable attribute, or
    // for any other user the bits. The tmpfs hides the folder's contents, so
    // it is mounted before the files are written.
    test_support::ScratchMount mount(dir.path(), 64);
    writeControl(kCors96, kCors96a);
    writeTextFile(path("pts.csv"), "-123.45,45.28,110,A\n");
    const auto entries = [this] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList before = entries();
    ASSERT_EQ(before.size(), 3);
    int lockError = 0;
    if (mount.makeReadOnly())
        lockError = EROFS;
    else if (geteuid() == 0 && test_support::setImmutable(dir.path(), true))
        lockError = EPERM;
    else if (geteuid() != 0 && QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner))
        lockError = EACCES;
    struct Unlock {
        QString folder;
        ~Unlock()
        {
            test_support::setImmutable(folder, false);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    } unlock{dir.path()};
    if (lockError == 0)
        GTEST_SKIP() << "no way to lock a folder here: no read-only tmpfs, no chattr +i, and root ignores the "
                        "permission bits";

    const RunResult result = runPath(path("pts.csv"));
    EXPECT_EQ(result.outcome, RunOutcome::OutputNotWritten);
    const QString message = log.firstContaining(QStringLiteral("Unable to write "));
    EXPECT_TRUE(message.startsWith(QStringLiteral("Unable to write ") + dir.path() + '/'))
        << log.texts().join('\n').toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(lockError))))
        << message.toStdString();
    EXPECT_EQ(entries(), before);
}

TEST_F(ConversionRun, NonFiniteValuesDoNotConvertOrCrash)
{
    // P3's height overflows to infinity: its triangle has no finite plane for dh.
    writeControl("-123.5,45.25,100,P1\n-123.4,45.25,110,P2\n-123.45,45.35,1e400,P3\n"
                 "-123.3,nan,0,N\n",
                 kCors96a + "-123.3,nan,0,N\n");
    // Input lines with numbers that are not finite are rejected, not converted.
    const RunResult result = run("-123.45,45.28,110,IN\n"
                                 "nan,45.28,110,A\n"
                                 "1e400,1e400,1e400,D\n");
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.outside, 1u);
    const QList<QByteArray> lines = readLines(path("pts_out.csv"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(",0.000000000000000,0.000000000000000,0.000000000000000,0.000000000000000,"
                                  "0.000000000000000,0.000000"));
}

TEST_F(ConversionRun, CancelledRunLeavesEveryEarlierOutputAsItWas)
{
    writeControl(kCors96, kCors96a);
    QByteArray input;
    for (int i = 0; i < 20000; ++i)  // several blocks of the stream
        input += "-123.45,45.28,110,POINT" + QByteArray::number(i) + "\n";
    writeTextFile(path("pts.csv"), input);
    writeTextFile(path("pts_out.csv"), "earlier\n");
    writeTextFile(path(kControlShiftFile), "earlier\n");
    int asked = 0;
    ConversionSettings settings;
    const RunResult result =
        runInFolder(settings, path("pts.csv"), QString(), dir.path(), log.sink(), {}, {}, [&asked] {
            return ++asked > 1;  // after the first block
        });
    EXPECT_EQ(result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(log.lines.back().first, QStringLiteral("Conversion cancelled; no file was written."));
    EXPECT_EQ(readBytes(path("pts_out.csv")), "earlier\n");
    EXPECT_EQ(readBytes(path(kControlShiftFile)), "earlier\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);  // nothing left beside them
}

TEST_F(ConversionRun, KeepsEveryPointInOrderWhateverTheFirstBlockSuggests)
{
    writeControl(kCors96, kCors96a);
    // Room for the kept points is taken from the first block's share of the
    // file: blocks of long comments first suggest too few points, short lines
    // before long ones too many.
    const QByteArray comment = "# " + QByteArray(200, 'c') + "\n";
    struct Case {
        int commentLines;
        QByteArray laterId;  // before the number of the second half's points
    };
    for (const Case &c : {Case{12000, ""}, Case{0, QByteArray(150, 'L')}}) {
        QByteArray input;
        for (int i = 0; i < c.commentLines; ++i)
            input += comment;
        for (int i = 0; i < 60000; ++i)
            input += "-123.45,45.28,110," + (i >= 30000 ? c.laterId : QByteArray()) + QByteArray::number(i) + "\n";
        const RunResult result = run(input);
        ASSERT_EQ(result.outcome, RunOutcome::Completed);
        ASSERT_EQ(result.points->size(), 60000u);
        for (int i : {0, 29999, 30000, 59999})
            EXPECT_EQ(result.points->at(size_t(i)).id,
                      QString(i >= 30000 ? c.laterId : QByteArray()) + QString::number(i));
        EXPECT_EQ(readLines(path("pts_out.csv")).size(), 60001);
    }
}

// The window's record gathers its shifts from the points it kept, when a
// report is saved: the numbers the command gathers while it converts, to the
// last bit, over several blocks and with points outside that keep no shift.
TEST_F(ConversionRun, RecordShiftsFromKeptPointsAreThoseGatheredWhileConverting)
{
    writeControl(kCors96, kCors96a);
    QByteArray input;
    const int count = 40000;
    for (int i = 0; i < count; ++i) {
        const double x = i % 7 == 0 ? -124.0 : -123.46 + 0.02 * (i % 97) / 96.0;
        const double y = 45.26 + 0.04 * (i % 89) / 88.0;
        input += QByteArray::number(x, 'f', 7) + ',' + QByteArray::number(y, 'f', 7) + ",110,P" +
                 QByteArray::number(i) + '\n';
    }
    ASSERT_GT(input.size(), 1 << 20);  // blocks of the run: several
    const RunResult window = run(input);
    ASSERT_EQ(window.outcome, RunOutcome::Completed);
    ASSERT_TRUE(window.record);
    ConversionRecord gathered = *window.record;
    gatherRecordShifts(gathered);

    class Silent : public RunReporter {
        void status(const QString &, int) override {}
        void error(const QString &, bool) override {}
    } silent;
    RunOptions options;
    options.settings.direction = directionFromMode(1);
    options.settings.tinSource = tinSourceFromMode(2);
    options.network = defaultNetworkFiles(dir.path(), options.settings.direction);
    options.input = path("pts.csv");
    options.output = path("command_out.csv");
    options.keepRecord = true;
    const RunResult command = executeRun(options, silent);
    ASSERT_TRUE(command.record);

    const ShiftStatistics &kept = gathered.shifts;
    const ShiftStatistics &streamed = command.record->shifts;
    EXPECT_EQ(kept.count(), uint64_t(count - (count + 6) / 7));
    EXPECT_EQ(kept.count(), streamed.count());
    bool keptExact = true, streamedExact = false;
    EXPECT_EQ(kept.medianLength(&keptExact), streamed.medianLength(&streamedExact));
    EXPECT_EQ(keptExact, streamedExact);
    for (const auto &[a, b] :
         {std::make_pair(kept.meanAzimuth(), streamed.meanAzimuth()),
          std::make_pair(kept.azimuthConcentration(), streamed.azimuthConcentration()),
          std::make_pair(kept.leastLength(), streamed.leastLength()),
          std::make_pair(kept.largestLength(), streamed.largestLength()),
          std::make_pair(kept.leastDeltaH(), streamed.leastDeltaH()), std::make_pair(kept.west(), streamed.west()),
          std::make_pair(kept.north(), streamed.north())})
        EXPECT_EQ(a, b);
}

TEST_F(ConversionRun, EmptyInputPathReadsAndWritesNothing)
{
    writeControl(kCors96, kCors96a);
    ConversionSettings settings;
    const RunResult result = runInFolder(settings, QString(), QStringLiteral("x"), dir.path(), log.sink());
    EXPECT_EQ(result.outcome, RunOutcome::EmptyInputPath);
    EXPECT_EQ(log.texts(), QStringList{QStringLiteral("Begin Processing")});
    EXPECT_FALSE(QFile::exists(path(kControlShiftFile)));
    ASSERT_TRUE(result.control && result.points && result.triangles);
    EXPECT_TRUE(result.control->empty());
}

}  // namespace

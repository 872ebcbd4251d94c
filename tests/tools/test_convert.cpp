// veltrane-convert as a process: options, exit codes, and the same bytes as
// runConversion for the same inputs.

#include "engine/conversion.h"
#include "tests/support/conversiontestsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrane;

namespace {

const QByteArray kCors96 = "-123.5,45.25,100,P1\n-123.4,45.25,110,P2\n-123.45,45.35,120,P3\n"
                           "-123.42,45.3,105,P4\n";
const QByteArray kCors96a = "-123.49999,45.25001,100.01,P1\n-123.39998,45.25002,110.02,P2\n"
                            "-123.44997,45.35003,120.03,P3\n-123.41996,45.30004,105.04,P4\n";
const QByteArray kTin = "v 123.5 45.25 0\nv 123.4 45.25 0\nv 123.45 45.35 0\nv 123.42 45.3 0\n"
                        "f 1 2 4\nf 2 3 4\nf 3 1 4\n";
const QByteArray kInput = "-123.45,45.28,110,A\n123.43,45.3,100,B\n-123.5,45.25,100,C\n-120,40,0,OUT\n";

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &args, const QString &workingDirectory = QString())
{
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(VELTRANE_CONVERT), args);
    ToolRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void writeNetwork(const QString &folder)
{
    writeTextFile(folder + "/" + kControlFileCors96, kCors96);
    writeTextFile(folder + "/" + kControlFileCors96a, kCors96a);
    writeTextFile(folder + "/" + kControlTinFile, kTin);
    writeTextFile(folder + "/pts.csv", kInput);
}

TEST(ConvertTool, HelpAndVersion)
{
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: veltrane-convert [--mode 1|2] [--tin file|generate]"));
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("veltrane-convert "));
}

TEST(ConvertTool, UsageErrorsExitWithTwo)
{
    const QList<QStringList> wrong = {{},
                                      {"--mode", "3", "pts.csv"},
                                      {"--mode"},
                                      {"--tin", "obj", "pts.csv"},
                                      {"--workdir"},
                                      {"--colour", "pts.csv"},
                                      {"a.csv", "b.csv"},
                                      {"pts.csv", "--export-tinshift"},
                                      {"--export-tinshift", "", "pts.csv"},
                                      {"--export-license", "CC0", "pts.csv"},
                                      {"--export-tinshift", "n.json", "--export-license", "", "pts.csv"},
                                      {"--validate-network", "pts.csv"},
                                      {"--report", "r.csv", "pts.csv"},
                                      {"--quality", "q.csv", "--validate-network"},
                                      {"--validate-network", "--plot", "p.png", "--plot-size", "10x10"},
                                      {"--validate-network", "--plot-size", "800x500"},
                                      {"pts.csv", "--quality"},
                                      {""}};
    for (const QStringList &args : wrong) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("Usage: veltrane-convert")) << args.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(ConvertTool, WritesTheSameBytesAsTheRun)
{
    struct Case {
        QStringList options;
        ConversionSettings settings;
    };
    std::vector<Case> cases(4);
    cases[1].options = QStringList{"--mode", "2"};
    cases[1].settings.direction = DatumDirection::Cors96aToCors96;
    cases[2].options = QStringList{"--tin", "file"};
    cases[2].settings.tinSource = TinSource::FromFile;
    cases[3].options = QStringList{"--force-negative", "--tin", "generate", "--mode", "1"};
    cases[3].settings.forceNegative = true;

    for (const Case &c : cases) {
        QTemporaryDir byTool, byRun;
        writeNetwork(byTool.path());
        writeNetwork(byRun.path());
        const ToolRun tool = runTool(c.options + QStringList{"--workdir", byTool.path(), byTool.filePath("pts.csv")});
        StatusLog log;
        const ConversionResult result =
            runConversion(c.settings, byRun.filePath("pts.csv"), QString(), byRun.path(), log.sink());
        ASSERT_EQ(result.outcome, ConversionOutcome::Completed);
        const std::string label = c.options.join(' ').toStdString();
        EXPECT_EQ(tool.exitCode, 0) << label;
        EXPECT_EQ(readBytes(byTool.filePath("pts_out.csv")), readBytes(byRun.filePath("pts_out.csv"))) << label;
        EXPECT_EQ(readBytes(byTool.filePath(kControlShiftFile)), readBytes(byRun.filePath(kControlShiftFile))) << label;
        EXPECT_GT(readLines(byRun.filePath("pts_out.csv")).size(), 4) << label;
        for (const QString &line : log.texts().filter(" From: "))
            EXPECT_TRUE(tool.out.contains(line.toUtf8())) << line.toStdString();
        EXPECT_TRUE(tool.out.startsWith("Begin Processing\nProcessing Input Files:  \n")) << label;
        EXPECT_TRUE(tool.out.contains(" of 4 points lie outside the control network")) << label;
        EXPECT_TRUE(tool.out.contains("\nCompleted in ")) << label;
    }
}

TEST(ConvertTool, ReadsFromTheCurrentFolderByDefault)
{
    QTemporaryDir dir;
    writeNetwork(dir.path());
    QDir(dir.path()).mkdir("points");
    writeTextFile(dir.filePath("points/in.txt"), kInput);
    const ToolRun run = runTool({"points/in.txt"}, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readLines(dir.filePath("points/in_out.csv")).size(), 5);
    EXPECT_EQ(readLines(dir.filePath(kControlShiftFile)).size(), 5);
    EXPECT_EQ(readBytes(dir.filePath("points/in.txt")), kInput);
}

TEST(ConvertTool, ExitsWithOneWhenAnOutputCannotBeWritten)
{
    QTemporaryDir dir;
    writeNetwork(dir.path());
    const ToolRun missingWorkDir = runTool({"--workdir", dir.filePath("absent"), dir.filePath("pts.csv")});
    EXPECT_EQ(missingWorkDir.exitCode, 1);
    EXPECT_TRUE(missingWorkDir.out.contains("Unable to write " + dir.filePath("absent/controlshift.csv").toUtf8()));

    // An input that would be replaced by controlshift.csv is left alone.
    writeTextFile(dir.filePath("controlshift.csv"), kInput);
    const ToolRun clash = runTool({"--workdir", dir.path(), dir.filePath("controlshift.csv")});
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_EQ(readBytes(dir.filePath("controlshift.csv")), kInput);
}

TEST(ConvertTool, ExportsTheNetworkItUsedForTinshift)
{
    QTemporaryDir dir;
    writeNetwork(dir.path());
    const QString json = dir.filePath("network.json");
    const ToolRun run =
        runTool({"--mode", "2", "--export-tinshift", json, "--workdir", dir.path(), dir.filePath("pts.csv")});
    EXPECT_EQ(run.exitCode, 0);
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject network = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(network.value("file_type").toString(), QString("triangulation_file"));
    // Mode 2 runs from CORS96a to CORS96: the CORS96a position is the source.
    // The triangulation sorts the records by longitude, so P1 comes first.
    const QJsonArray vertices = network.value("vertices").toArray();
    ASSERT_EQ(vertices.size(), 4);
    EXPECT_EQ(vertices[0].toArray(), QJsonArray({-123.49999, 45.25001, 100.01, -123.5, 45.25, 100.0}));
    const QJsonArray triangles = network.value("triangles").toArray();
    EXPECT_EQ(triangles.size(), 2);  // the four points form a convex quadrilateral
    for (const QJsonValue &triangle : triangles) {
        for (const QJsonValue &index : triangle.toArray())
            EXPECT_TRUE(index.toInt(-1) >= 0 && index.toInt(-1) < 4);
    }

    const ToolRun unwritable = runTool(
        {"--export-tinshift", dir.filePath("absent/network.json"), "--workdir", dir.path(), dir.filePath("pts.csv")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(
        unwritable.out.contains("Unable to export the network to " + dir.filePath("absent/network.json").toUtf8()));

    // The export names the files it was made from, so one it cannot read stops it.
    QFile::remove(dir.filePath(kControlTinFile));
    const ToolRun noTin =
        runTool({"--tin", "file", "--export-tinshift", json, "--workdir", dir.path(), dir.filePath("pts.csv")});
    EXPECT_EQ(noTin.exitCode, 1);
    EXPECT_TRUE(noTin.out.contains("Unable to export the network to " + json.toUtf8() + ": " +
                                   dir.filePath(kControlTinFile).toUtf8() + " cannot be read."))
        << noTin.out.toStdString();
}

// Width and height of a PNG file from its header, (0, 0) when it is none.
std::pair<quint32, quint32> pngSize(const QByteArray &bytes)
{
    if (!bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.size() < 24)
        return {0, 0};
    const auto word = [&bytes](int at) {
        return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16 |
               quint32(quint8(bytes[at + 2])) << 8 | quint32(quint8(bytes[at + 3]));
    };
    return {word(16), word(20)};
}

TEST(ConvertTool, ValidatesTheNetworkAndRatesEveryConvertedPoint)
{
    // P4 lies inside P1 P2 P3, so it is the one point the network surrounds.
    QTemporaryDir dir;
    writeTextFile(dir.filePath(kControlFileCors96), "-123.5,45.25,100,P1\n-123.4,45.25,110,P2\n"
                                                    "-123.45,45.35,120,P3\n-123.45,45.29,105,P4\n");
    writeTextFile(dir.filePath(kControlFileCors96a), "-123.49999,45.25001,100.01,P1\n-123.39998,45.25002,110.02,P2\n"
                                                     "-123.44997,45.35003,120.03,P3\n-123.44996,45.29007,105.09,P4\n");
    writeTextFile(dir.filePath(kControlTinFile), "v 123.5 45.25 0\nv 123.4 45.25 0\nv 123.45 45.35 0\n"
                                                 "v 123.45 45.29 0\nf 1 2 4\nf 2 3 4\nf 3 1 4\n");
    writeTextFile(dir.filePath("pts.csv"), "-123.45,45.28,110,A\n-123.45,45.29,105,ON4\n-123.5,45.25,100,ON1\n"
                                           "-120,40,0,OUT\n");
    const ToolRun check = runTool({"--validate-network", "--tin", "file", "--workdir", dir.path(), "--plot",
                                   dir.filePath("residuals.png"), "--plot-size", "800x500"});
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_TRUE(check.out.isEmpty());
    EXPECT_TRUE(check.err.contains("Network check: 1 of 4 control points validated")) << check.err.toStdString();
    const QList<QByteArray> report = readLines(dir.filePath("network_validation.csv"));
    ASSERT_EQ(report.size(), 5);
    EXPECT_EQ(report[0], "POINT_ID,X,Y,RESIDUAL_E_M,RESIDUAL_N_M,RESIDUAL_H_M,RESIDUAL_HORIZONTAL_M");
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(report[i].endsWith(",,,,"), !report[i].startsWith("P4,")) << report[i].toStdString();
    EXPECT_EQ(pngSize(readBytes(dir.filePath("residuals.png"))), std::make_pair(quint32(800), quint32(500)));
    EXPECT_FALSE(QFile::exists(dir.filePath("pts_out.csv")));

    const ToolRun convert = runTool(
        {"--tin", "file", "--workdir", dir.path(), "--quality", dir.filePath("q.csv"), dir.filePath("pts.csv")});
    EXPECT_EQ(convert.exitCode, 0);
    const QList<QByteArray> quality = readLines(dir.filePath("q.csv"));
    ASSERT_EQ(quality.size(), 5);
    EXPECT_EQ(quality[0], "POINT_ID,STATUS,SIGMA_HORIZONTAL_M,SIGMA_H_M,NEAREST_CONTROL_M");
    EXPECT_TRUE(quality[1].startsWith("A,converted,")) << quality[1].toStdString();
    // On P4 a point takes P4's own residuals; on the boundary point P1 the
    // RMS of the validated ones, here P4's too.
    QList<QByteArray> p4 = report[4].split(',');
    const QByteArray sigmas = "," + p4[6] + "," + p4[5].replace("-", "") + ",0.000";
    EXPECT_EQ(quality[2], "P4,converted" + sigmas);
    EXPECT_EQ(quality[3], "P1,converted" + sigmas);
    EXPECT_TRUE(quality[4].startsWith("OUT,outside,,,")) << quality[4].toStdString();
}

}  // namespace

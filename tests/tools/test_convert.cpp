// veltrane-convert as a process: options, exit statuses and messages, the
// same bytes as the window's run from files, standard input and standard
// output, points outside the network, and bounded memory on large inputs.

#include "engine/run/conversion.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/validationreport.h"
#include "tests/support/conversiontestsupport.h"
#include "tests/support/fiforeader.h"
#include "command/progress.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

using namespace veltrane;

namespace {

const QByteArray kCors96 = "-123.5,45.25,100,P1\n-123.4,45.25,110,P2\n-123.45,45.35,120,P3\n"
                           "-123.42,45.3,105,P4\n";
const QByteArray kCors96a = "-123.49999,45.25001,100.01,P1\n-123.39998,45.25002,110.02,P2\n"
                            "-123.44997,45.35003,120.03,P3\n-123.41996,45.30004,105.04,P4\n";
const QByteArray kTin = "v 123.5 45.25 0\nv 123.4 45.25 0\nv 123.45 45.35 0\nv 123.42 45.3 0\n"
                        "f 1 2 4\nf 2 3 4\nf 3 1 4\n";
const QByteArray kInput = "-123.45,45.28,110,A\n123.43,45.3,100,B\n-123.5,45.25,100,C\n-120,40,0,OUT\n";
// Inside, outside, on a vertex.
const QByteArray kMixed = "-123.45,45.28,110,A\n-120,40,0,OUT\n-123.5,45.25,100,C\n";

// Peak resident memory allowed to a run on millions of points. Under
// AddressSanitizer freed memory waits in a quarantine of its own (256 MB), so
// there the large run only checks the bytes, on fewer points.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakMemoryMeaningful = false;
constexpr int kLargePoints = 300000;
#else
constexpr bool kPeakMemoryMeaningful = true;
constexpr int kLargePoints = 2000000;
#endif
constexpr long kBoundedPeakKilobytes = 150 * 1024;
// The same run with the uncertainty file: its lines stream with the points.
// Of it, about 42 MB are the program's libraries (GDAL and PROJ with theirs)
// before it reads a byte.
constexpr long kQualityPeakKilobytes = 60 * 1024;

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    long peakKilobytes = 0;  // the process's largest resident set
};

struct ToolStreams {
    QString stdinPath;          // empty: /dev/null
    QString stdoutPath;         // empty: captured in ToolRun::out
    bool appendStdout = false;  // stdoutPath opened as ">>" opens it
    bool closedStdout = false;  // started without standard output, as by ">&-"
};

// Runs the tool with arguments passed as bytes (names need not be UTF-8),
// in `folder` when given.
ToolRun runTool(const std::vector<QByteArray> &args, const QString &folder = QString(),
                const ToolStreams &streams = ToolStreams())
{
    QTemporaryDir captures;
    const QByteArray outPath =
        QFile::encodeName(streams.stdoutPath.isEmpty() ? captures.filePath("out") : streams.stdoutPath);
    const QByteArray errPath = QFile::encodeName(captures.filePath("err"));
    const QByteArray inPath =
        streams.stdinPath.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(streams.stdinPath);
    const QByteArray dir = QFile::encodeName(folder);
    std::vector<QByteArray> argv = {QByteArray(VELTRANE_CONVERT)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> pointers;
    for (QByteArray &arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(inPath.constData(), O_RDONLY);
        const int out =
            ::open(outPath.constData(), O_WRONLY | O_CREAT | (streams.appendStdout ? O_APPEND : O_TRUNC), 0644);
        const int err = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || (!dir.isEmpty() && ::chdir(dir.constData()) != 0))
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (streams.closedStdout)
            ::close(1);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    ToolRun run;
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    run.peakKilobytes = usage.ru_maxrss;
    if (streams.stdoutPath.isEmpty())
        run.out = readBytes(captures.filePath("out"));
    run.err = readBytes(captures.filePath("err"));
    return run;
}

std::vector<QByteArray> bytes(const QStringList &args)
{
    std::vector<QByteArray> out;
    for (const QString &arg : args)
        out.push_back(arg.toUtf8());
    return out;
}

void writeNetwork(const QString &folder)
{
    writeTextFile(folder + "/" + kControlFileCors96, kCors96);
    writeTextFile(folder + "/" + kControlFileCors96a, kCors96a);
    writeTextFile(folder + "/" + kControlTinFile, kTin);
    writeTextFile(folder + "/pts.csv", kInput);
}

// Every entry of a folder, recursively, with its bytes.
std::map<QString, QByteArray> folderContents(const QString &folder)
{
    std::map<QString, QByteArray> contents;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (entry.isDir() && !entry.isSymLink()) {
            for (const auto &inner : folderContents(entry.filePath()))
                contents.insert(inner);
            contents[entry.filePath()] = "<folder>";
        } else {
            contents[entry.filePath()] = readBytes(entry.filePath());
        }
    }
    return contents;
}

class ConvertTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writeNetwork(dir.path());
        writeTextFile(at("mixed.csv"), kMixed);
    }
    QString at(const QString &name) const { return dir.filePath(name); }
    // The tool in the network's folder.
    ToolRun tool(const QStringList &args, const ToolStreams &streams = ToolStreams())
    {
        return runTool(bytes(args), dir.path(), streams);
    }

    QTemporaryDir dir;
};

TEST(ConvertToolUsage, HelpAndVersion)
{
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: veltrane-convert [OPTION]... INPUT\n"));
    for (const char *option : {"--outside", "--source-controls", "--target-controls", "--tin-file", "--controlshift",
                               "--no-controlshift", "--no-progress", "--quiet", "--verbose", "--output"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("veltrane-convert "));
    // Nowhere to write them is a failure, as for every output.
    for (const char *option : {"--help", "--version"}) {
        const ToolRun full = runTool({option}, QString(), {QString(), QStringLiteral("/dev/full")});
        EXPECT_EQ(full.exitCode, 1) << option;
        EXPECT_EQ(full.err, "veltrane-convert: unable to write standard output: No space left on device\n");
    }
}

TEST(ConvertToolUsage, UsageErrorsExitWithTwo)
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
                                      {""},
                                      {"--outside", "maybe", "pts.csv"},
                                      {"--output-format", "NoSuchDriver", "-o", "x.dat", "pts.csv"},
                                      {"--output-format", "ESRI Shapefile", "-o", "x.dat", "pts.csv"},
                                      {"pts.csv", "-o"},
                                      {"--tin-file", "t.obj", "--tin", "generate", "pts.csv"},
                                      {"--controlshift", "c.csv", "--no-controlshift", "pts.csv"},
                                      {"--controlshift", "-", "pts.csv"},
                                      {"--", "a.csv", "--mode"},
                                      {"--validate-network", "pts.csv"},
                                      {"--report", "r.csv", "pts.csv"},
                                      {"--quality", "q.csv", "--validate-network"},
                                      {"--validate-network", "--plot", "p.png", "--plot-size", "10x10"},
                                      {"--validate-network", "--plot-size", "800x500"},
                                      {"pts.csv", "--quality"},
                                      {"--export-license", "CC0", "pts.csv"},
                                      {"--export-tinshift", "n.json", "--export-license", "", "pts.csv"},
                                      // Every word is the command's, none Qt's own.
                                      {"--validate-network", "--plot", "p.png", "-platform", "nosuchplatform"},
                                      {"--validate-network", "--plot", "p.png", "-reverse"},
                                      // The check converts nothing.
                                      {"--validate-network", "-o", "out.csv"},
                                      {"--validate-network", "--controlshift", "c.csv"},
                                      {"--validate-network", "--no-controlshift"},
                                      {"--validate-network", "--export-tinshift", "n.json"},
                                      {"--validate-network", "--outside", "zero"},
                                      {"--validate-network", "-d", "3"},
                                      // Decimals of the output's columns.
                                      {"-d", "0", "pts.csv"},
                                      {"--decimals", "16", "pts.csv"},
                                      {"--metre-decimals", "x", "pts.csv"},
                                      {"--metre-decimals=", "pts.csv"},
                                      // Layouts of the input.
                                      {"--columns", "x,y,h", "pts.csv"},
                                      {"--columns", "x,y,x,id", "pts.csv"},
                                      {"--columns", "x,y,lat,id", "pts.csv"},
                                      {"--columns", "x,y,id", "--header", "pts.csv"},
                                      {"--delimiter", "|", "pts.csv"},
                                      {"--decimal-comma", "--delimiter", ",", "pts.csv"},
                                      {"--angles", "radians", "pts.csv"},
                                      {"--validate-network", "--header"}};
    for (const QStringList &args : wrong) {
        const ToolRun run = runTool(bytes(args));
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        // One message, the command's own.
        EXPECT_TRUE(run.err.startsWith("veltrane-convert: ") && run.err.count('\n') == 1)
            << args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(ConvertToolUsage, ProgressLineSaysPointsPercentAndRateAtMostFourTimesASecond)
{
    EXPECT_EQ(ProgressLine::text(1500, 50, 200, 0.5), "veltrane-convert: 1500 points, 25 %, 3000 points/s");
    EXPECT_EQ(ProgressLine::text(1500, 50, 0, 2.0), "veltrane-convert: 1500 points, 750 points/s");

    std::FILE *terminal = std::tmpfile();
    ASSERT_NE(terminal, nullptr);
    const auto start = ProgressLine::Clock::now();
    ProgressLine progress(terminal, 0, start);
    for (int ms = 0; ms <= 1000; ms += 50)
        progress.update(uint64_t(ms), 0, start + std::chrono::milliseconds(ms));
    progress.clear();
    std::rewind(terminal);
    char text[4096] = {};
    const size_t length = std::fread(text, 1, sizeof text - 1, terminal);
    std::fclose(terminal);
    const QByteArray drawn(text, int(length));
    EXPECT_EQ(drawn.count("\rveltrane-convert: "), 4);  // at 250, 500, 750 and 1000 ms
    EXPECT_TRUE(drawn.endsWith("\r\033[K"));            // cleared at the end
}

TEST_F(ConvertTool, WritesTheSameBytesAsTheRunFromFilesStandardInputAndToStandardOutput)
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
        const ToolRun file =
            runTool(bytes(c.options + QStringList{"--workdir", byTool.path(), byTool.filePath("pts.csv")}));
        StatusLog log;
        const RunResult result =
            runInFolder(c.settings, byRun.filePath("pts.csv"), QString(), byRun.path(), log.sink());
        ASSERT_EQ(result.outcome, RunOutcome::Completed);
        const std::string label = c.options.join(' ').toStdString();
        const QByteArray expected = readBytes(byRun.filePath("pts_out.csv"));
        EXPECT_EQ(file.exitCode, 0) << label;
        EXPECT_EQ(readBytes(byTool.filePath("pts_out.csv")), expected) << label;
        EXPECT_EQ(readBytes(byTool.filePath(kControlShiftFile)), readBytes(byRun.filePath(kControlShiftFile))) << label;
        EXPECT_EQ(readLines(byRun.filePath("pts_out.csv")).size(), 5) << label;
        EXPECT_TRUE(file.out.isEmpty()) << label;

        // Standard input goes to standard output unless -o names a file.
        const ToolRun piped = runTool(bytes(c.options + QStringList{"--workdir", byTool.path(), "-"}), QString(),
                                      {byTool.filePath("pts.csv"), QString()});
        EXPECT_EQ(piped.exitCode, 0) << label;
        EXPECT_EQ(piped.out, expected) << label;
        const ToolRun named =
            runTool(bytes(c.options + QStringList{"--workdir", byTool.path(), "-o", byTool.filePath("named.csv"), "-"}),
                    QString(), {byTool.filePath("pts.csv"), QString()});
        EXPECT_EQ(readBytes(byTool.filePath("named.csv")), expected) << label;
        const ToolRun toStdout =
            runTool(bytes(c.options + QStringList{"--workdir", byTool.path(), "-o", "-", byTool.filePath("pts.csv")}));
        EXPECT_EQ(toStdout.out, expected) << label;
    }
}

TEST_F(ConvertTool, QuietByDefaultWithOneSummaryLineVerboseAddsTheStatusLines)
{
    const ToolRun normal = tool({"pts.csv"});
    EXPECT_EQ(normal.exitCode, 0);
    EXPECT_TRUE(normal.out.isEmpty());
    const QList<QByteArray> lines = normal.err.split('\n');
    ASSERT_EQ(lines.size(), 2) << normal.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("veltrane-convert: 2 of 4 points converted, 2 outside the network; wrote "
                                    "pts_out.csv and ./controlshift.csv ("))
        << lines[0].toStdString();

    EXPECT_TRUE(tool({"-q", "pts.csv"}).err.isEmpty());

    const ToolRun verbose = tool({"-v", "pts.csv"});
    EXPECT_TRUE(verbose.out.isEmpty());
    for (const char *line :
         {"veltrane-convert: Begin Processing\n", "veltrane-convert: Processing Input Files:  \n",
          "veltrane-convert: P1 From: -123.5 45.25 100 To: ", "veltrane-convert: outside the network: B\n",
          "veltrane-convert: outside the network: OUT\n", "veltrane-convert: Completed in "})
        EXPECT_TRUE(verbose.err.contains(line)) << line;
    for (const QByteArray &line : verbose.err.split('\n'))
        EXPECT_TRUE(line.isEmpty() || line.startsWith("veltrane-convert: ")) << line.toStdString();
    EXPECT_FALSE(verbose.err.contains("Loading"));  // the readers' own diagnostics stay out
}

TEST_F(ConvertTool, AFirstLineThatNamesTheColumnsIsAHeaderUnlessNoHeaderIsGiven)
{
    writeTextFile(at("named.csv"), "# a comment\nlongitude,latitude,height,name\n" + kInput);
    const ToolRun named = tool({"-v", "-o", "named_out.csv", "named.csv"});
    EXPECT_EQ(named.exitCode, 0);
    EXPECT_FALSE(named.err.contains("not a point")) << named.err.toStdString();
    EXPECT_TRUE(named.err.contains("veltrane-convert: Line 2 is a header: longitude in column 1, latitude in column "
                                   "2, height in column 3, identifier in column 4.\n"));
    // Read less its header, the file gives the bytes of the one without it.
    ASSERT_EQ(tool({"-q", "-o", "plain_out.csv", "pts.csv"}).exitCode, 0);
    EXPECT_EQ(readBytes(at("named_out.csv")), readBytes(at("plain_out.csv")));

    const ToolRun data = tool({"--no-header", "-o", "data_out.csv", "named.csv"});
    EXPECT_EQ(data.exitCode, 0);
    EXPECT_TRUE(data.err.contains("1 line is not a point: line 2: not a number in column 1")) << data.err.toStdString();
    EXPECT_EQ(tool({"--header", "--no-header", "named.csv"}).exitCode, 2);
}

// Spreadsheets begin every "CSV UTF-8" file with a byte-order mark: it is
// no part of the first point or of the header, in any layout.
TEST_F(ConvertTool, AByteOrderMarkCostsNoPoint)
{
    ASSERT_EQ(tool({"-q", "-o", "plain_out.csv", "pts.csv"}).exitCode, 0);
    const QByteArray plain = readBytes(at("plain_out.csv"));
    writeTextFile(at("bom.csv"), "\xEF\xBB\xBF" + kInput);
    writeTextFile(at("bomheader.csv"), "\xEF\xBB\xBFlongitude,latitude,height,name\n" + kInput);
    const QList<QStringList> runs = {
        {"bom.csv"}, {"--no-header", "bom.csv"}, {"bomheader.csv"}, {"--header", "bomheader.csv"}};
    for (const QStringList &args : runs) {
        const ToolRun run = tool(QStringList{"-q", "-o", "bom_out.csv"} + args);
        EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(readBytes(at("bom_out.csv")), plain) << args.join(' ').toStdString();
    }
}

TEST_F(ConvertTool, FailuresExitWithOneSayWhyOnceAndWriteNothing)
{
    QDir(dir.path()).mkdir("folder");
    writeTextFile(at("other96.csv"), "-1,1,0,X1\n-2,1,0,X2\n-1,2,0,X3\n");
    writeTextFile(at("line96.csv"), "-1,1,0,L1\n-2,2,0,L2\n-3,3,0,L3\n");
    writeTextFile(at("line96a.csv"), "-1,1,0,L1\n-2,2,0,L2\n-3,3,0,L3\n");
    writeTextFile(at("controlshift.csv"), "earlier\n");
    writeTextFile(at("empty.csv"), "# nothing but a comment\n\n");
    writeTextFile(at("words.csv"), "point,northing,easting\n");
    struct Case {
        QStringList args;
        QByteArray message;  // what the one line of standard error starts with
    };
    const std::vector<Case> cases = {
        {{"missing.csv"}, "veltrane-convert: cannot read missing.csv: No such file or directory"},
        {{"folder"}, "veltrane-convert: folder is a folder, not a file"},
        {{"/dev/zero"}, "veltrane-convert: /dev/zero is a device, not a file or stream"},
        {{"--source-controls", "absent.csv", "pts.csv"}, "veltrane-convert: cannot read absent.csv: No such file"},
        {{"--workdir", "folder", "pts.csv"}, "veltrane-convert: cannot read folder/TARVONA_NAD83_CORS96_CONTROL.csv"},
        {{"--target-controls", "/dev/zero", "pts.csv"}, "veltrane-convert: /dev/zero is a device"},
        {{"--tin-file", "absent.obj", "pts.csv"}, "veltrane-convert: cannot read absent.obj: No such file"},
        {{"--target-controls", "other96.csv", "pts.csv"}, "veltrane-convert: no control point of "},
        {{"--source-controls", "line96.csv", "--target-controls", "line96a.csv", "pts.csv"},
         "veltrane-convert: the control network has no triangles"},
        {{"-o", "folder/absent/out.csv", "pts.csv"}, "veltrane-convert: unable to write folder/absent/out.csv: "},
        {{"--controlshift", "folder", "pts.csv"}, "veltrane-convert: unable to write folder: "},
        {{"--export-tinshift", "absent/n.json", "pts.csv"}, "veltrane-convert: unable to write absent/n.json: "},
        {{"-o", "pts.csv", "pts.csv"}, "veltrane-convert: not writing pts.csv: it is the same file as "},
        {{"empty.csv"}, "veltrane-convert: no points could be read from empty.csv.\n"},
        {{"words.csv"},
         "veltrane-convert: no points could be read from words.csv. 1 line is not a point: line 1: not a number in "
         "column 1\n"},
        {{"--outside", "fail", "pts.csv"}, "veltrane-convert: 2 of 4 points lie outside the control network: B, OUT\n"},
        {{"--outside", "fail", "-o", "-", "mixed.csv"},
         "veltrane-convert: 1 of 3 points lie outside the control network: OUT\n"},
    };
    const auto before = folderContents(dir.path());
    for (const Case &c : cases) {
        const std::string label = c.args.join(' ').toStdString();
        const ToolRun run = tool(c.args);
        EXPECT_EQ(run.exitCode, 1) << label;
        EXPECT_TRUE(run.err.startsWith(c.message)) << label << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << label << ": " << run.err.toStdString();
        EXPECT_EQ(folderContents(dir.path()), before) << label;
    }
    // Standard output cannot take back what it was given: the lines before
    // the first outside point, without that point.
    const ToolRun piped = tool({"--outside", "fail", "-o", "-", "mixed.csv"});
    EXPECT_EQ(piped.out.split('\n').size(), 3);
    EXPECT_TRUE(piped.out.startsWith(QByteArray(kOutputHeader) + "A,"));
}

TEST_F(ConvertTool, RejectedLinesAreCountedAndTheFirstFiveNamedWithoutVerbose)
{
    writeTextFile(at("bad.csv"), "-123.45,45.28,110,A\n"
                                 "-123.45,x,110,B\n"
                                 "-123.45,45.28,110\n"
                                 "-123.45,95,110,C\n"
                                 "-400,45.28,110,D\n"
                                 "\n"
                                 "-123.45,45.28,nan,E\n"
                                 "-123.45,45.28\n"
                                 "-123.45,45.28,110,F\n");
    const ToolRun normal = tool({"bad.csv"});
    EXPECT_EQ(normal.exitCode, 0);
    EXPECT_TRUE(normal.err.startsWith(
        "veltrane-convert: 6 lines are not points: line 2: not a number in column 2; line 3: no identifier; line 4: "
        "latitude out of range; line 5: longitude out of range; line 7: not a finite number in column 3; ...\n"
        "veltrane-convert: 2 of 2 points converted, 6 lines rejected; wrote "))
        << normal.err.toStdString();
    const ToolRun verbose = tool({"-v", "bad.csv"});
    EXPECT_TRUE(verbose.err.contains("veltrane-convert: line 8: no column 3\n")) << verbose.err.toStdString();
    EXPECT_EQ(verbose.err.count("veltrane-convert: line "), 6);  // each on a line of its own
}

TEST_F(ConvertTool, EveryDialectGivesTheNumbersOfTheFixedLayout)
{
    // Binary fractions, so that degrees, minutes and seconds give the same bits.
    writeTextFile(at("fixed.csv"), "-123.4375,45.28125,110,A\n-123.46875,45.3125,12.5,B\n");
    const QByteArray expected = tool({"-o", "-", "fixed.csv"}).out;
    ASSERT_EQ(expected.count('\n'), 3);
    struct Dialect {
        QStringList options;
        QByteArray text;
        // What follows the header and each line: the columns of no role, as read.
        QList<QByteArray> passed = {};
    };
    const std::vector<Dialect> dialects = {
        {{"--header"},
         "Point,Lat,Lon,Elev,Desc\nA,45.28125,-123.4375,110,\"a, b\"\nB,45.3125,-123.46875,12.5,x\n",
         {",Desc", ",\"a, b\"", ",x"}},
        // Quoted fields need no option.
        {{}, "\"-123.4375\",\"45.28125\",\"110\",\"A\"\n-123.46875, 45.3125 ,12.5,\"B\"\n"},
        // A header over the fixed columns keeps the fixed reader's mixed separators.
        {{"--header"}, "lon,lat,h,id\n-123.4375 45.28125\t110,A\n-123.46875,45.3125 12.5 B\n"},
        {{"--header"},
         "# survey\r\nlongitude;latitude;ELLIPSOID_HEIGHT;name;note\r\n-123.4375;45.28125;110;A;\"two\r\n"
         "lines\"\r\n-123.46875;45.3125;12.5;B;\r\n",
         {",note", ",\"two\r\nlines\"", ","}},
        {{"--columns", "id,y,x,h", "--decimal-comma"}, "A;45,28125;-123,4375;110\nB;45,3125;-123,46875;12,5\n"},
        {{"--columns", "id,x,y,h,_", "--delimiter", "tab"},
         "\"A\"\t-123.4375\t45.28125\t110\t\nB\t-123.46875\t45.3125\t12.5\tdescription\n",
         {",field_5", ",", ",description"}},
        {{"--columns", "x,y,h,id", "--delimiter", "blank"},
         "  -123.4375   45.28125  110  A\n-123.46875 45.3125 12.5 B\n"},
        {{"--columns", "id,y,x,h", "--angles", "dms"},
         "A 45\xc2\xb0"
         "16'52.5\"N 123\xc2\xb0"
         "26'15\"W 110\nB N45d18m45s -123:28:07.5 12.5\n"},
        {{"--columns", "id,y,x,h", "--angles", "dms", "--delimiter", ","},
         "A,45 16 52.5 N,123 26 15 W,110\nB,45:18:45,\"-123\xc2\xb0"
         "28'7.5\"\"\",12.5\n"},
    };
    for (const Dialect &d : dialects) {
        const std::string label = d.options.join(' ').toStdString();
        writeTextFile(at("dialect.csv"), d.text);
        const ToolRun run = tool(d.options + QStringList{"-o", "-", "dialect.csv"});
        EXPECT_EQ(run.exitCode, 0) << label << ": " << run.err.toStdString();
        QByteArray out = run.out;
        if (d.options.contains("--decimal-comma"))
            out.replace(',', '.').replace(';', ',');
        QByteArray withPassed;
        const QList<QByteArray> lines = expected.split('\n');
        for (int k = 0; k + 1 < lines.size(); ++k)
            withPassed += lines[k] + d.passed.value(k) + "\n";
        EXPECT_EQ(out, withPassed) << label;
    }
    // Records across the blocks the input is read in, with and without quotes.
    QByteArray fixed, quoted;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray id = "P" + QByteArray::number(i);
        fixed += "-123.4375,45.28125,110," + id + "\n";
        quoted += "-123.4375,45.28125,110,\"" + id + "\"\n";
    }
    writeTextFile(at("many.csv"), fixed);
    writeTextFile(at("manyquoted.csv"), quoted);
    const QByteArray many = tool({"-o", "-", "many.csv"}).out;
    EXPECT_EQ(tool({"--columns", "x,y,h,id", "-o", "-", "many.csv"}).out, many);
    EXPECT_EQ(tool({"--columns", "x,y,h,id", "-o", "-", "manyquoted.csv"}).out, many);
    EXPECT_EQ(tool({"-o", "-", "manyquoted.csv"}).out, many);

    // Without a height column the heights and DeltaH are 0.
    writeTextFile(at("flat.csv"), "id,lat,lon\nA,45.28125,-123.4375\n");
    const QList<QByteArray> flat = tool({"--header", "-o", "-", "flat.csv"}).out.split(',');
    ASSERT_EQ(flat.size(), 19);
    EXPECT_EQ(flat[12], "0.000000000000000");  // h_CORS96a, the first line's last height
    EXPECT_EQ(flat[18], "0.000000\n");
}

TEST_F(ConvertTool, PointsOutsideByAUsualMistakeGiveAHint)
{
    writeTextFile(at("east.csv"), "123.4375,45.28125,110,A\n123.46875,45.3125,12.5,B\n");
    writeTextFile(at("latfirst.csv"), "45.28125,-123.4375,110,A\n45.3125,-123.46875,12.5,B\n");
    EXPECT_TRUE(tool({"-o", "-", "east.csv"})
                    .err.contains("their longitudes have the other sign than the network's: "
                                  "try --force-negative\n"));
    const ToolRun swapped = tool({"-o", "-", "latfirst.csv"});
    EXPECT_EQ(swapped.exitCode, 1);
    EXPECT_TRUE(
        swapped.err.contains("with longitude and latitude swapped they would lie inside: try --columns y,x,h,id"))
        << swapped.err.toStdString();
    EXPECT_FALSE(tool({"-o", "-", "pts.csv"}).err.contains("try --"));
}

TEST_F(ConvertTool, IdentifiersWithSeparatorsAndQuotesSurviveARoundTrip)
{
    writeTextFile(at("ids.csv"),
                  "-123.4375,45.28125,110,\"SP001,extra\"\n-123.46875,45.3125,12.5,\"say \"\"hi\"\"\"\n");
    const ToolRun first = tool({"--delimiter", ",", "-o", "first.csv", "ids.csv"});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QByteArray written = readBytes(at("first.csv"));
    EXPECT_TRUE(written.contains("\n\"SP001,extra\",-123.4375")) << written.toStdString();
    // The output read back as an input: identifier first, then the CORS96 position.
    const ToolRun second = tool({"--columns", "id,x,y,h", "-o", "-", "first.csv"});
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(second.out, written);

    // A quote that is not first in its field belongs to the identifier, and
    // the line still ends at its line end: no later line joins it.
    writeTextFile(at("stray.csv"), "-123.4375,45.28125,110,Mark \"A\n-123.46875,45.3125,12.5,B \"x\"\n");
    const ToolRun stray = tool({"--columns", "x,y,h,id", "-o", "-", "stray.csv"});
    EXPECT_EQ(stray.exitCode, 0) << stray.err.toStdString();
    EXPECT_EQ(stray.out.count('\n'), 3) << stray.out.toStdString();
    EXPECT_TRUE(stray.out.contains("\n\"Mark \"\"A\",-123.4375") && stray.out.contains("\n\"B \"\"x\"\"\",-123.46875"))
        << stray.out.toStdString();
}

TEST_F(ConvertTool, AFailedRunLeavesEveryEarlierOutputAsItWas)
{
    // Earlier files of every name the runs below write.
    for (const char *name : {"q.csv", "out.csv", "cs.csv", "network_validation.csv"})
        writeTextFile(at(name), "earlier\n");
    struct Case {
        QStringList args;
        QString stdoutPath;  // empty: captured
    };
    const std::vector<Case> cases = {
        // Standard output fails after the quality file is complete.
        {{"-o", "-", "--quality", "q.csv", "pts.csv"}, "/dev/full"},
        // The last output fails while the others are complete.
        {{"-o", "out.csv", "--controlshift", "cs.csv", "--quality", "/dev/full", "pts.csv"}, QString()},
        // The picture cannot be written; the residual file is complete.
        {{"--validate-network", "--plot", "no/such/folder/p.png"}, QString()},
    };
    const auto before = folderContents(dir.path());
    for (const Case &c : cases) {
        const std::string label = c.args.join(' ').toStdString();
        const ToolRun run = tool(c.args, {QString(), c.stdoutPath});
        EXPECT_EQ(run.exitCode, 1) << label;
        EXPECT_TRUE(run.err.startsWith("veltrane-convert: unable to ")) << label << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << label << ": " << run.err.toStdString();
        EXPECT_EQ(folderContents(dir.path()), before) << label;
    }
}

TEST_F(ConvertTool, NetworkCheckMessagesObeyQuietAndAreAllTheCommands)
{
    const QStringList check = {"--validate-network", "--tin", "file"};
    const ToolRun quiet = tool(check + QStringList{"-q"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, QByteArray());

    // Qt's note on a missing runtime folder, among others, stays out.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const ToolRun picture = tool(check + QStringList{"-v", "--plot", "p.png"});
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(picture.exitCode, 0) << picture.err.toStdString();
    EXPECT_TRUE(picture.err.contains("Network check: ")) << picture.err.toStdString();
    for (const QByteArray &line : picture.err.split('\n'))
        EXPECT_TRUE(line.isEmpty() || line.startsWith("veltrane-convert: ")) << line.toStdString();

    // Numbers in messages have a decimal point in a decimal-comma locale.
    qputenv("LC_ALL", "de_DE.UTF-8");
    const ToolRun comma = tool({"pts.csv"});
    qunsetenv("LC_ALL");
    EXPECT_TRUE(QRegularExpression(" \\([0-9]+\\.[0-9]{2} s\\)\n$").match(QString::fromUtf8(comma.err)).hasMatch())
        << comma.err.toStdString();
}

TEST_F(ConvertTool, PdfPictureNamesTheNetworkFilesItWasDrawnFrom)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const ToolRun check = tool({"--validate-network", "-q", "--tin", "file", "--mode", "2", "--plot", "p.pdf"});
    ASSERT_EQ(check.exitCode, 0) << check.err.toStdString();
    QProcess text;
    text.start(pdftotext, {"-raw", at("p.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished());
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    const auto digest = [this](const char *name) {
        return QCryptographicHash::hash(readBytes(at(name)), QCryptographicHash::Sha256).toHex().left(12);
    };
    // Mode 2 reads the CORS96a control file as the source.
    const QString files = QStringLiteral("Control files: %1 (SHA-256 %2), %3 (SHA-256 %4); TIN file %5 (SHA-256 %6)")
                              .arg(kControlFileCors96a, digest(kControlFileCors96a), kControlFileCors96,
                                   digest(kControlFileCors96), kControlTinFile, digest(kControlTinFile));
    EXPECT_TRUE(words.contains(files)) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("Direction NAD83(CORS96a) to NAD83(CORS96) | Veltrane ")))
        << words.toStdString();
}

// The text and page count of a PDF, through poppler-utils; empty when they
// are not installed.
struct PdfText {
    QString text;
    int pages = 0;
};

PdfText pdfText(const QString &path)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    PdfText pdf;
    if (pdftotext.isEmpty() || pdfinfo.isEmpty())
        return pdf;
    QProcess process;
    process.start(pdftotext, {"-raw", path, "-"});
    process.waitForFinished();
    pdf.text = QString::fromUtf8(process.readAllStandardOutput());
    process.start(pdfinfo, {path});
    process.waitForFinished();
    const QRegularExpressionMatch pages =
        QRegularExpression("Pages:\\s+(\\d+)").match(QString::fromUtf8(process.readAllStandardOutput()));
    pdf.pages = pages.hasMatch() ? pages.captured(1).toInt() : -1;
    return pdf;
}

TEST_F(ConvertTool, RecordHoldsTheFilesCountsShiftsAndOutsidePointsOfTheRun)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    // Two points inside (A, and C on a vertex), one outside; a line that is no point.
    writeTextFile(at("record.csv"), kMixed + "not a point\n");
    const ToolRun run = tool({"--record", "r.pdf", "-o", "out.csv", "record.csv"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const PdfText pdf = pdfText(at("r.pdf"));
    EXPECT_EQ(pdf.pages, 2);

    // The shifts' numbers as the output file has them.
    std::vector<double> lengths, deltaH;
    for (const QByteArray &line : readBytes(at("out.csv")).split('\n').mid(1)) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() == 10 && fields[0] != "OUT") {
            lengths.push_back(fields[7].toDouble());
            deltaH.push_back(fields[9].toDouble());
        }
    }
    ASSERT_EQ(lengths.size(), 2u);
    std::sort(lengths.begin(), lengths.end());
    const auto metres = [](double v) { return QString::number(v, 'f', 4) + " m"; };
    const QString input = at("record.csv");
    const QString inputDigest = QCryptographicHash::hash(readBytes(input), QCryptographicHash::Sha256).toHex();
    const QString expected[] = {
        "File record.csv",
        QStringLiteral("Size %1 bytes").arg(readBytes(input).size()),
        "SHA-256 " + inputDigest,
        "Read 3",
        "Converted 2",
        "Outside the network 1 (written with zeros)",
        "Rejected lines 1",
        "s minimum " + metres(lengths.front()),
        "s median " + metres(lengths.front()),  // the lower of two
        "s maximum " + metres(lengths.back()),
        "DeltaH range " + metres(*std::min_element(deltaH.begin(), deltaH.end())) + " to " +
            metres(*std::max_element(deltaH.begin(), deltaH.end())),
        "Network check: 0 of 4 control points validated",
        "Points outside the network\nOUT\n",
        "Source controls TARVONA_NAD83_CORS96_CONTROL.csv SHA-256 " +
            QString(QCryptographicHash::hash(readBytes(at(kControlFileCors96)), QCryptographicHash::Sha256).toHex()),
        "Direction NAD83(CORS96) to NAD83(CORS96a) | Veltrane ",
        "Converted points",  // the box on the map
    };
    for (const QString &text : expected)
        EXPECT_TRUE(pdf.text.contains(text)) << text.toStdString() << "\nin:\n" << pdf.text.toStdString();
    EXPECT_TRUE(pdf.text.contains(QRegularExpression("Date and time \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d UTC")));
    EXPECT_TRUE(QString::fromUtf8(run.err).contains("the record in r.pdf")) << run.err.toStdString();

    // A run that fails writes no record; a record needs a conversion.
    const ToolRun failed = tool({"--record", "f.pdf", "--outside", "fail", "-o", "f.csv", "record.csv"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(QFile::exists(at("f.pdf")));
    EXPECT_EQ(tool({"--validate-network", "--record", "v.pdf"}).exitCode, 2);
    EXPECT_EQ(tool({"--record", "-", "record.csv"}).exitCode, 2);
}

TEST_F(ConvertTool, MessagesSayWhatHappenedAndNothingMore)
{
    // An identifier's control characters cannot reach the terminal.
    writeTextFile(at("escape.csv"), "-120,40,0,OUT\x1b]0;title\x07\x1b[2J\n");
    const ToolRun escaped = tool({"-v", "-o", "-", "escape.csv"});
    EXPECT_TRUE(escaped.err.contains("outside the network: OUT\\x1b]0;title\\x07\\x1b[2J\n"))
        << escaped.err.toStdString();
    EXPECT_FALSE(escaped.err.contains('\x1b'));

    // One stream is read once; one file as both realizations is worth a word.
    const ToolRun twice =
        runTool(bytes({"--source-controls", "/dev/stdin", "-"}), dir.path(), {QStringLiteral("/dev/zero"), QString()});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_EQ(twice.err,
              "veltrane-convert: cannot read /dev/stdin: it is standard input, which is read as the input\n");
    const ToolRun same = tool({"--target-controls", kControlFileCors96, "-o", "-", "pts.csv"});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_TRUE(same.err.contains(QByteArray(kControlFileCors96) +
                                  " is the control file of both realizations: every shift is zero.\n"))
        << same.err.toStdString();

    // The picture leaves no folder of Qt's behind, wherever TMPDIR points
    // (a missing one led Qt to the top of the file system).
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), temporary = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(at("missing-tmp")));
    const auto before = folderContents(dir.path());
    const auto folders = [](const char *path) { return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
    const QStringList rootBefore = folders("/");
    const ToolRun picture = tool({"--validate-network", "-q", "--plot", "p.png"});
    runtime.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    temporary.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temporary);
    EXPECT_EQ(picture.exitCode, 0) << picture.err.toStdString();
    EXPECT_EQ(picture.err, QByteArray());
    auto after = folderContents(dir.path());
    after.erase(at("p.png"));
    after.erase(at(QStringLiteral("network_validation.csv")));
    EXPECT_EQ(after, before);
    EXPECT_EQ(folders("/"), rootBefore);
}

TEST_F(ConvertTool, PointsOutsideTheNetworkZeroSkipOrNearest)
{
    const QList<QByteArray> zero = tool({"-o", "-", "mixed.csv"}).out.split('\n');
    ASSERT_EQ(zero.size(), 5);
    EXPECT_EQ(zero[2], "OUT,-120.000000000000000,40.000000000000000,0.000000000000000,0.000000000000000,"
                       "0.000000000000000,0.000000000000000,0.000000000000000,0.000000000000000,0.000000");

    const ToolRun skip = tool({"--outside", "skip", "-o", "-", "mixed.csv"});
    EXPECT_EQ(skip.exitCode, 0);
    QList<QByteArray> kept = zero;
    kept.removeAt(2);
    EXPECT_EQ(skip.out.split('\n'), kept);
    EXPECT_TRUE(skip.err.contains("2 of 3 points converted, 1 outside the network left out;"));

    const ToolRun nearest = tool({"--outside", "nearest", "--export-tinshift", "n.json", "-o", "-", "mixed.csv"});
    EXPECT_EQ(nearest.exitCode, 0);
    const QList<QByteArray> extended = nearest.out.split('\n');
    ASSERT_EQ(extended.size(), 5);
    EXPECT_EQ(extended[1], zero[1]);  // points inside keep their numbers
    EXPECT_EQ(extended[3], zero[3]);
    EXPECT_TRUE(extended[2].startsWith("OUT,-120.000000000000000,40.000000000000000,0.000000000000000,-120.0019"))
        << extended[2].toStdString();
    const QJsonObject json = QJsonDocument::fromJson(readBytes(at("n.json"))).object();
    EXPECT_EQ(json.value("format_version").toString(), QString("1.1"));
    EXPECT_EQ(json.value("fallback_strategy").toString(), QString("nearest_side"));

    // PROJ's tinshift with the exported network gives the same positions.
    const QString cct = QStandardPaths::findExecutable("cct");
    if (cct.isEmpty())
        GTEST_SKIP() << "PROJ's cct is not installed";
    writeTextFile(at("cct_in.txt"), QByteArray(kMixed).replace(',', ' '));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(cct, {"-d", "12", "+proj=tinshift", "+file=n.json", "cct_in.txt"});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QList<QByteArray> theirs = process.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(theirs.size(), 3) << process.readAllStandardError().toStdString();
    for (int k = 0; k < 3; ++k) {
        const QList<QByteArray> ours = extended[k + 1].split(',');
        const QList<QByteArray> cctLine = theirs[k].simplified().split(' ');
        ASSERT_GE(cctLine.size(), 3);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(ours[4 + c].toDouble(), cctLine[c].toDouble(), c < 2 ? 1e-9 : 1e-6)
                << "point " << k << " column " << c;
    }
}

TEST_F(ConvertTool, NetworkAndOutputNamesAreChosenFreely)
{
    // The network under other names in another folder; Latin-1 bytes in
    // names travel unchanged; "--" lets an input start with "-".
    QDir(dir.path()).mkdir("net");
    writeTextFile(at("net/a.csv"), kCors96);
    writeTextFile(at("net/b.csv"), kCors96a);
    writeTextFile(at("net/t.obj"), kTin);
    const QByteArray latin1Input = "caf\xe9.csv", latin1Output = "r\xe9sultat.csv";
    ASSERT_TRUE(QFile::copy(at("pts.csv"), dir.path() + "/-dash.csv"));
    {
        std::FILE *raw = std::fopen((QFile::encodeName(dir.path()) + "/" + latin1Input).constData(), "w");
        ASSERT_NE(raw, nullptr);
        std::fwrite(kInput.constData(), 1, size_t(kInput.size()), raw);
        std::fclose(raw);
    }
    const ToolRun expected = tool({"--tin", "file", "-o", "-", "pts.csv"});
    ASSERT_EQ(expected.exitCode, 0);

    QDir(dir.path()).mkdir("empty");
    const ToolRun run =
        runTool({"--workdir", "empty", "--source-controls", "net/a.csv", "--target-controls", "net/b.csv", "--tin-file",
                 "net/t.obj", "--controlshift", "shifts.csv", "-o", latin1Output, "--", latin1Input},
                dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("wrote " + latin1Output + " and shifts.csv (")) << run.err.toStdString();
    std::FILE *written = std::fopen((QFile::encodeName(dir.path()) + "/" + latin1Output).constData(), "r");
    ASSERT_NE(written, nullptr);
    char buffer[4096];
    const QByteArray output(buffer, int(std::fread(buffer, 1, sizeof buffer, written)));
    std::fclose(written);
    EXPECT_EQ(output, expected.out);
    EXPECT_EQ(readLines(at("shifts.csv")).size(), 5);
    EXPECT_TRUE(QDir(at("empty")).isEmpty());
    // QDir cannot name these files in a UTF-8 locale, so QTemporaryDir would leave them.
    for (const QByteArray &name : {latin1Input, latin1Output})
        ::unlink((QFile::encodeName(dir.path()) + "/" + name).constData());

    const ToolRun dash = tool({"--no-controlshift", "--", "-dash.csv"});
    EXPECT_EQ(dash.exitCode, 0) << dash.err.toStdString();
    EXPECT_EQ(readBytes(at("-dash_out.csv")), tool({"-o", "-", "pts.csv"}).out);
    EXPECT_TRUE(dash.err.contains("; wrote -dash_out.csv (")) << dash.err.toStdString();
}

TEST_F(ConvertTool, NamedPipesAndStandardInputByNameAreReadOnce)
{
    const QByteArray expected = tool({"-o", "-", "pts.csv"}).out;
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo.csv")).constData(), 0600), 0);
    std::thread writer([this] { writeTextFile(at("fifo.csv"), kInput); });
    const ToolRun fromPipe = tool({"-o", "-", "fifo.csv"});
    writer.join();
    EXPECT_EQ(fromPipe.exitCode, 0) << fromPipe.err.toStdString();
    EXPECT_EQ(fromPipe.out, expected);
    const ToolRun devStdin = tool({"-o", "-", "/dev/stdin"}, {at("pts.csv"), QString()});
    EXPECT_EQ(devStdin.out, expected);
}

TEST_F(ConvertTool, NamesOfTheStandardStreamsWriteTheStreamInPlace)
{
    const QByteArray expected = tool({"-o", "-", "pts.csv"}).out;
    ASSERT_TRUE(expected.startsWith(kOutputHeader));

    // ">> journal.txt": the points follow the journal's earlier lines.
    writeTextFile(at("journal.txt"), "earlier\n");
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(at("journal.txt")).constData(), &before), 0);
    const ToolRun appended =
        tool({"pts.csv", "--no-controlshift", "-o", "/dev/stdout"}, {QString(), at("journal.txt"), true});
    EXPECT_EQ(appended.exitCode, 0) << appended.err.toStdString();
    EXPECT_EQ(readBytes(at("journal.txt")), "earlier\n" + expected);
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(at("journal.txt")).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    // "2> log": the uncertainty lines and then the summary.
    const ToolRun quality = tool({"-o", "-", "--quality", "/dev/stderr", "pts.csv"});
    EXPECT_EQ(quality.exitCode, 0) << quality.err.toStdString();
    EXPECT_EQ(quality.out, expected);
    EXPECT_TRUE(quality.err.startsWith(kQualityFileHeader)) << quality.err.toStdString();
    EXPECT_TRUE(quality.err.contains("\nveltrane-convert: 2 of 4 points converted")) << quality.err.toStdString();

    // "| cat": a pipe behind /dev/stdout is written, never looked up by name.
    QProcess piped;
    piped.setWorkingDirectory(dir.path());
    piped.start(QStringLiteral(VELTRANE_CONVERT), {"-o", "/dev/stdout", "pts.csv"});
    ASSERT_TRUE(piped.waitForFinished(60000));
    EXPECT_EQ(piped.exitCode(), 0) << piped.readAllStandardError().toStdString();
    EXPECT_EQ(piped.readAllStandardOutput(), expected);

    // Two outputs into one stream are refused before either is written.
    const ToolRun twice = tool({"-o", "-", "--quality", "/dev/stdout", "pts.csv"}, {QString(), at("both.txt")});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_EQ(twice.err, "veltrane-convert: two outputs are the same file: standard output and /dev/stdout\n");
    EXPECT_EQ(readBytes(at("both.txt")), QByteArray());

    // Standard output closed (">&-"): said in words, and no file takes its place.
    const auto files = folderContents(dir.path());
    const ToolRun closed = tool({"-o", "-", "pts.csv"}, {QString(), QString(), false, true});
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_EQ(closed.err, "veltrane-convert: unable to write standard output: Bad file descriptor\n");
    EXPECT_EQ(folderContents(dir.path()), files);
}

TEST_F(ConvertTool, TwoOutputsThroughALinkedFolderAreRefused)
{
    ASSERT_TRUE(QFile::link(".", at("same")));
    const QStringList convert = {"--no-controlshift", "pts.csv"};
    const QStringList check = {"--validate-network"};
    const std::vector<QStringList> cases = {
        {"-o", "twin.csv", "--controlshift", "same/twin.csv", "pts.csv"},
        QStringList{"-o", "twin.csv", "--quality", "same/twin.csv"} + convert,
        QStringList{"-o", "twin.csv", "--export-tinshift", "same/twin.csv"} + convert,
        QStringList{"--quality", "twin.csv", "--export-tinshift", "same/./twin.csv"} + convert,
        QStringList{"--report", "twin.csv", "--plot", "same/twin.csv"} + check,
    };
    const auto before = folderContents(dir.path());
    for (const QStringList &args : cases) {
        const std::string label = args.join(' ').toStdString();
        const ToolRun run = tool(args);
        EXPECT_EQ(run.exitCode, 1) << label;
        EXPECT_TRUE(run.err.startsWith("veltrane-convert: two outputs are the same file: "))
            << label << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith("twin.csv\n")) << label << ": " << run.err.toStdString();
        EXPECT_EQ(folderContents(dir.path()), before) << label;
    }
}

TEST_F(ConvertTool, ExitsWithOneWhenAnOutputCannotBeWritten)
{
    const ToolRun missingWorkDir = runTool(bytes({"--workdir", at("absent"), at("pts.csv")}));
    EXPECT_EQ(missingWorkDir.exitCode, 1);
    EXPECT_TRUE(missingWorkDir.err.contains("cannot read " + at("absent/").toUtf8()));

    // An input that would be replaced by controlshift.csv is left alone.
    writeTextFile(at("controlshift.csv"), kInput);
    const ToolRun clash = runTool(bytes({"--workdir", dir.path(), at("controlshift.csv")}));
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_EQ(readBytes(at("controlshift.csv")), kInput);
    EXPECT_FALSE(QFile::exists(at("controlshift_out.csv")));
}

TEST_F(ConvertTool, ExportsTheNetworkItUsedForTinshift)
{
    const QString json = at("network.json");
    const ToolRun run = runTool(bytes({"--mode", "2", "--export-tinshift", json, "--export-license", "CC0-1.0",
                                       "--workdir", dir.path(), at("pts.csv")}));
    EXPECT_EQ(run.exitCode, 0);
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject network = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(network.value("file_type").toString(), QString("triangulation_file"));
    EXPECT_EQ(network.value("format_version").toString(), QString("1.0"));
    EXPECT_EQ(network.value("license").toString(), QString("CC0-1.0"));
    EXPECT_TRUE(network.value("description").toString().contains(QString(kControlFileCors96a) + " (SHA-256 "));
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

TEST(ConvertToolNetworkCheck, ValidatesTheNetworkAndRatesEveryConvertedPoint)
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
    // The picture needs no display, whatever platform the environment names.
    const bool hadDisplay = qEnvironmentVariableIsSet("DISPLAY"),
               hadPlatform = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    const QByteArray display = qgetenv("DISPLAY"), platform = qgetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
    // "--plot=FILE" as every option takes "--name=value".
    const ToolRun check = runTool(bytes({"--validate-network", "--tin", "file", "--workdir", dir.path(),
                                         "--plot=" + dir.filePath("residuals.png"), "--plot-size", "800x500"}));
    hadDisplay ? qputenv("DISPLAY", display) : qunsetenv("DISPLAY");
    hadPlatform ? qputenv("QT_QPA_PLATFORM", platform) : qunsetenv("QT_QPA_PLATFORM");
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
        bytes({"--tin", "file", "--workdir", dir.path(), "--quality", dir.filePath("q.csv"), dir.filePath("pts.csv")}));
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

    // The check's outputs never replace a file it reads, nor each other.
    const QByteArray tin = readBytes(dir.filePath(kControlTinFile));
    const QByteArray controls = readBytes(dir.filePath(kControlFileCors96));
    const QStringList checkArgs = {"--validate-network", "--tin", "file", "--workdir", dir.path()};
    for (const QStringList &outputs :
         {QStringList{"--report", dir.filePath(kControlTinFile)},
          QStringList{"--plot", dir.filePath(kControlFileCors96)},
          QStringList{"--report", dir.filePath("r.csv"), "--plot", dir.filePath("r.csv")}}) {
        const ToolRun refused = runTool(bytes(checkArgs + outputs));
        EXPECT_EQ(refused.exitCode, 1) << outputs.join(' ').toStdString();
        EXPECT_TRUE(refused.err.contains("not writing ") || refused.err.contains("two outputs are the same file"))
            << refused.err.toStdString();
    }
    EXPECT_EQ(readBytes(dir.filePath(kControlTinFile)), tin);
    EXPECT_EQ(readBytes(dir.filePath(kControlFileCors96)), controls);
    EXPECT_FALSE(QFile::exists(dir.filePath("r.csv")));

    // The picture goes into a FIFO, here reached through a link, as every
    // other output does: the FIFO stays one.
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe.png"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(dir.filePath("pipe.png"), dir.filePath("link.png")));
    test_support::FifoReader pipe(fifo);
    ASSERT_TRUE(pipe.isOpen());
    const ToolRun toPipe =
        runTool(bytes(checkArgs + QStringList{"--plot", dir.filePath("link.png"), "--plot-size", "400x300"}));
    EXPECT_EQ(toPipe.exitCode, 0) << toPipe.err.toStdString();
    EXPECT_EQ(pngSize(pipe.received()), std::make_pair(quint32(400), quint32(300)));
    struct stat status;
    ASSERT_EQ(::stat(fifo.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST(ConvertToolLarge, MillionsOfPointsInBoundedMemoryFromAFileAndFromStandardInput)
{
    QTemporaryDir work;
    const QString data = QStringLiteral(VELTRANE_SOURCE_DIR "/data/");
    for (const char *name : {kControlFileCors96, kControlFileCors96a})
        ASSERT_TRUE(QFile::copy(data + name, work.filePath(name)));
    const QString input = work.filePath("large.csv");
    QProcess datagen;
    datagen.start(QStringLiteral(VELTRANE_DATAGEN), {"--large", QString::number(kLargePoints), input});
    ASSERT_TRUE(datagen.waitForFinished(300000));
    ASSERT_EQ(datagen.exitCode(), 0);

    const ToolRun fromFile = runTool({"large.csv"}, work.path());
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err.toStdString();
    EXPECT_TRUE(!kPeakMemoryMeaningful || fromFile.peakKilobytes <= kBoundedPeakKilobytes) << fromFile.peakKilobytes;
    EXPECT_TRUE(fromFile.err.contains(" of " + QByteArray::number(kLargePoints) + " points converted"))
        << fromFile.err.toStdString();

    // The uncertainty file is written as the points stream by, in the same bounds.
    const ToolRun fromStdin =
        runTool({"-q", "--quality", "quality.csv", "-"}, work.path(), {input, work.filePath("piped.csv")});
    EXPECT_EQ(fromStdin.exitCode, 0);
    EXPECT_TRUE(!kPeakMemoryMeaningful || fromStdin.peakKilobytes <= kQualityPeakKilobytes) << fromStdin.peakKilobytes;
    EXPECT_EQ(readLines(work.filePath("quality.csv")).size(), kLargePoints + 1);
    const auto sha = [](const QString &path) {
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray("<unreadable>");
    };
    EXPECT_EQ(sha(work.filePath("piped.csv")), sha(work.filePath("large_out.csv")));
    RecordProperty("peak_kB_file", int(fromFile.peakKilobytes));
    RecordProperty("peak_kB_stdin", int(fromStdin.peakKilobytes));
}

}  // namespace

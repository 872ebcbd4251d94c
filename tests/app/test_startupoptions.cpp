// The window's command line: the choice of the working folder, the absolute
// points file, argument errors, the start-up report, and how the window takes
// the points file and the report.

#include "app/mainwindow.h"
#include "app/startupoptions.h"
#include "ui_mainwindow.h"

#include "engine/run/conversion.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using veltrane::kControlFileCors96;
using veltrane::kControlFileCors96a;
using veltrane::kControlTinFile;
using veltrane::StartupOptions;
using veltrane::WorkDirSource;

Q_DECLARE_METATYPE(WorkDirSource)

class TestStartupOptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void workingFolderRule_data();
    void workingFolderRule();
    void argumentErrors_data();
    void argumentErrors();
    void startupActionOptions();
    void missingControlFilesInFixedOrder();
    void reportNamesFolderMissingFilesAndSample();
    void installedSampleIsBesideTheBinFolder();
    void reportSaysThePointsFileIsMissingOrUnreadable();
    void windowTakesPointsFileAndReportKeepingProgress();

private:
    // Parses `args` (without the program name) with the window's options.
    QString resolve(const QStringList &args, StartupOptions &out);
    QString path(const char *relative) const { return QDir(root.path()).filePath(QString::fromLatin1(relative)); }

    // net/ holds every control file, partial/ only the CORS96 one, plain/
    // none; cwd/ is the folder the program is started in.
    QTemporaryDir root;
};

void TestStartupOptions::initTestCase()
{
    QVERIFY(root.isValid());
    for (const char *dir : {"net", "partial", "plain", "cwd"})
        QVERIFY(QDir(root.path()).mkpath(QString::fromLatin1(dir)));
    for (const char *name : {kControlFileCors96, kControlFileCors96a, kControlTinFile}) {
        QFile file(QDir(path("net")).filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile partial(QDir(path("partial")).filePath(QString::fromLatin1(kControlFileCors96)));
    QVERIFY(partial.open(QIODevice::WriteOnly));
}

QString TestStartupOptions::resolve(const QStringList &args, StartupOptions &out)
{
    QCommandLineParser parser;
    veltrane::addStartupOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("veltrane")} + args))
        return parser.errorText();
    return veltrane::resolveStartupOptions(parser, path("cwd"), out);
}

void TestStartupOptions::workingFolderRule_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("workDir");
    QTest::addColumn<WorkDirSource>("source");
    QTest::addColumn<QString>("pointsFile");

    const QString net = path("net"), cwd = path("cwd"), plain = path("plain");
    QTest::newRow("nothing given") << QStringList() << cwd << WorkDirSource::CurrentFolder << QString();
    QTest::newRow("file beside the control files")
        << QStringList{net + "/pts.csv"} << net << WorkDirSource::PointsFolder << net + "/pts.csv";
    QTest::newRow("file beside one control file only") << QStringList{path("partial") + "/pts.csv"} << cwd
                                                       << WorkDirSource::CurrentFolder << path("partial") + "/pts.csv";
    QTest::newRow("relative file is taken from the current folder")
        << QStringList{"../net/./pts.csv"} << net << WorkDirSource::PointsFolder << net + "/pts.csv";
    QTest::newRow("--workdir wins over the file's folder")
        << QStringList{"--workdir", plain, net + "/pts.csv"} << plain << WorkDirSource::Option << net + "/pts.csv";
    QTest::newRow("relative --workdir") << QStringList{"--workdir=../plain/"} << plain << WorkDirSource::Option
                                        << QString();
}

void TestStartupOptions::workingFolderRule()
{
    QFETCH(QStringList, args);
    StartupOptions options;
    QCOMPARE(resolve(args, options), QString());
    QTEST(options.workDir, "workDir");
    QTEST(options.workDirSource, "source");
    QTEST(options.pointsFile, "pointsFile");
}

void TestStartupOptions::argumentErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("two files") << QStringList{"a.csv", "b.csv"} << "more than one POINTS_FILE given";
    QTest::newRow("missing folder") << QStringList{"--workdir", "nowhere"}
                                    << "--workdir " + path("cwd/nowhere") + ": no such folder";
    QTest::newRow("a file as folder") << QStringList{"--workdir", path("net/") + kControlTinFile}
                                      << "--workdir " + path("net/") + kControlTinFile + ": no such folder";
    QTest::newRow("empty folder name") << QStringList{"--workdir", ""} << "--workdir takes a folder";
    QTest::newRow("no folder after --workdir") << QStringList{"--workdir"} << "Missing value after '--workdir'.";
    QTest::newRow("unknown option") << QStringList{"--mode", "2"} << "Unknown option 'mode'.";
    QTest::newRow("convert without a file")
        << QStringList{"--convert", "--workdir", path("net")} << "--convert needs a POINTS_FILE";
    QTest::newRow("empty screenshot name")
        << QStringList{"--screenshot", "", "a.csv"} << "--screenshot takes a file name";
}

void TestStartupOptions::argumentErrors()
{
    QFETCH(QStringList, args);
    StartupOptions options;
    QTEST(resolve(args, options), "error");
}

void TestStartupOptions::startupActionOptions()
{
    StartupOptions options;
    QCOMPARE(resolve({"net/pts.csv"}, options), QString());
    QVERIFY(!options.convertAtStart);
    QCOMPARE(options.screenshotFile, QString());

    // The screenshot's name is taken from the start folder, whichever
    // working folder the points file chooses.
    QCOMPARE(resolve({"--convert", "--screenshot", "shots/window.png", path("net/pts.csv")}, options), QString());
    QVERIFY(options.convertAtStart);
    QCOMPARE(options.screenshotFile, path("cwd/shots/window.png"));
    QCOMPARE(options.workDir, path("net"));

    QCOMPARE(resolve({"--screenshot", path("plain/w.png")}, options), QString());
    QVERIFY(!options.convertAtStart);
    QCOMPARE(options.screenshotFile, path("plain/w.png"));
}

void TestStartupOptions::missingControlFilesInFixedOrder()
{
    QCOMPARE(veltrane::missingControlFiles(path("net")), QStringList());
    QCOMPARE(veltrane::missingControlFiles(path("partial")),
             (QStringList{QString::fromLatin1(kControlFileCors96a), QString::fromLatin1(kControlTinFile)}));
    QCOMPARE(veltrane::missingControlFiles(path("plain")).size(), 3);
}

void TestStartupOptions::reportNamesFolderMissingFilesAndSample()
{
    StartupOptions options;
    options.workDir = path("net");
    options.workDirSource = WorkDirSource::PointsFolder;
    QCOMPARE(veltrane::startupReport(options, {}, path("net")),
             QStringList{"Working folder (the points file's folder): " + path("net")});

    options.workDir = path("partial");
    options.workDirSource = WorkDirSource::Option;
    const QStringList missing = veltrane::missingControlFiles(options.workDir);
    QStringList lines = veltrane::startupReport(options, missing, path("net"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], "Working folder (from --workdir): " + path("partial"));
    QCOMPARE(lines[1], "Control files missing there: " + missing.join(", "));
    QVERIFY2(lines[2].startsWith("A sample network is installed in " + path("net") + ". Copy that folder"),
             qPrintable(lines[2]));

    options.workDirSource = WorkDirSource::CurrentFolder;
    lines = veltrane::startupReport(options, missing, path("no-sample"));
    QCOMPARE(lines[0], "Working folder (the current folder): " + path("partial"));
    QCOMPARE(lines[2], "No installed sample was found (looked in " + path("no-sample") + ").");
}

void TestStartupOptions::installedSampleIsBesideTheBinFolder()
{
    QCOMPARE(veltrane::installedSampleDir(QStringLiteral("/opt/veltrane/bin")),
             QStringLiteral("/opt/veltrane/share/veltrane/sample"));
}

void TestStartupOptions::reportSaysThePointsFileIsMissingOrUnreadable()
{
    StartupOptions options;
    options.workDir = path("net");
    options.workDirSource = WorkDirSource::Option;
    options.pointsFile = path("net/absent.csv");
    const QString folderLine = "Working folder (from --workdir): " + path("net");
    QCOMPARE(veltrane::startupReport(options, {}, path("net")),
             (QStringList{folderLine, "Points file missing: " + path("net/absent.csv")}));

    // A folder given as the points file cannot be read as one.
    options.pointsFile = path("partial");
    QCOMPARE(veltrane::startupReport(options, {}, path("net")),
             (QStringList{folderLine, "Points file cannot be read: " + path("partial")}));

    // A readable file adds nothing.
    options.pointsFile = QDir(path("net")).filePath(QString::fromLatin1(kControlFileCors96));
    QCOMPARE(veltrane::startupReport(options, {}, path("net")), QStringList{folderLine});
}

void TestStartupOptions::windowTakesPointsFileAndReportKeepingProgress()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();
    ui->progressBar->setValue(40);
    const int itemsBefore = ui->cboInFile->count();

    window.setPointsFile(path("net/pts.csv"));
    window.showMessages({QStringLiteral("first"), QStringLiteral("second")});

    QCOMPARE(ui->cboInFile->count(), itemsBefore + 1);
    QCOMPARE(ui->cboInFile->currentText(), path("net/pts.csv"));
    QCOMPARE(ui->txtOutput->toPlainText(), QStringLiteral("first\nsecond"));
    QCOMPARE(ui->progressBar->value(), 40);
}

QTEST_MAIN(TestStartupOptions)
#include "test_startupoptions.moc"

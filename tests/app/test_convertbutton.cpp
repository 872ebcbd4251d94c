// "Convert!" in the window: the run reads the form, reports in the output
// pane, writes the same files as the batch command, and handles an empty
// "Points" box with its message box. The run goes on its own thread: the
// window answers meanwhile, Cancel and closing the window stop it, and a
// cancelled run leaves the earlier files as they were.

#include "app/mainwindow.h"
#include "tests/app/displayhelpers.h"
#include "ui_mainwindow.h"

#include "app/crsfield.h"
#include "engine/run/conversion.h"
#include "tests/support/conversiontestsupport.h"
#include "engine/geodesy/coordinatesystem.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const QStringList kSampleFiles = {"TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv",
                                  "TARVONA_TIN_CONTROL.obj", "sample_points.csv"};

bool copySample(const QString &toFolder)
{
    for (const QString &name : kSampleFiles) {
        if (!QFile::copy(QStringLiteral(VELTRANE_SOURCE_DIR "/data/") + name, toFolder + "/" + name))
            return false;
    }
    return true;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeTextFileAt(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray sampleLines(int count)
{
    const QByteArray all = contentsOf(QStringLiteral(VELTRANE_SOURCE_DIR "/data/sample_points.csv"));
    QByteArray lines;
    int from = 0;
    for (int i = 0; i < count && from < all.size(); ++i) {
        const int end = all.indexOf('\n', from);
        const int next = end < 0 ? all.size() : end + 1;
        lines += all.mid(from, next - from);
        from = next;
    }
    return lines;
}

// Writes `data` into a named pipe from a thread of its own, so that a run
// reading the pipe waits as long as the test likes: the pipe is opened at
// once (the run's open waits for that), the data goes in at release() or
// after holdMs, and closing the pipe ends the run's input.
class PipeFeeder {
public:
    PipeFeeder(const QString &path, const QByteArray &data, int holdMs) : path(QFile::encodeName(path))
    {
        writer = std::thread([this, data, holdMs] {
            const int fd = ::open(this->path.constData(), O_WRONLY);
            if (fd < 0)
                return;
            {
                std::unique_lock<std::mutex> guard(lock);
                released.wait_for(guard, std::chrono::milliseconds(holdMs), [this] { return go; });
            }
            for (qsizetype done = 0; done < data.size();) {
                const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
            ::close(fd);
        });
    }
    ~PipeFeeder()
    {
        release();
        // A writer still waiting for a reader is let through.
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        writer.join();
        if (fd >= 0)
            ::close(fd);
    }
    void release()
    {
        const std::lock_guard<std::mutex> guard(lock);
        go = true;
        released.notify_all();
    }

private:
    QByteArray path;
    std::thread writer;
    std::mutex lock;
    std::condition_variable released;
    bool go = false;
};

bool makePipe(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// How long a pipe feeder holds its data back unless released, ms: far
// longer than a test needs to look at a run that waits for its input.
constexpr int kHoldMs = 20000;

}  // namespace

class TestConvertButton : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowWritesTheSameFilesAsTheBatchCommand_data();
    void windowWritesTheSameFilesAsTheBatchCommand();
    void emptyPointsBoxShowsMessageAndEnablesDisplay();
    void messagesOfTwoRunsAccumulateInOrder();
    void paneHoldsTheRunsLinesInOrder();
    void windowAnswersWhileARunWaits();
    void cancelLeavesEarlierOutputsUnchanged();
    void closingDuringARunCancelsIt();
    void outputInformationNamesTheFileAndOutsidePoints();
    void runWithoutControlNetworkSaysItCouldNotRun();
    void coordinateFieldReadsGridPointsAndIsRemembered();

private:
    QString runWindow(MainWindow &window, const QString &input);

    QString originalFolder;
    QTemporaryDir settingsFolder;
};

void TestConvertButton::initTestCase()
{
    originalFolder = QDir::currentPath();
    // The remembered "Coordinates" go to a settings folder of the test's own.
    QVERIFY(settingsFolder.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsFolder.path()));
    // A pipe feeder may write after a cancelled run has closed the pipe.
    std::signal(SIGPIPE, SIG_IGN);
}

void TestConvertButton::cleanupTestCase()
{
    QDir::setCurrent(originalFolder);
}

// Types `input` into "Points", clicks "Convert!", waits for the run's end
// and returns the pane's text (empty when the run did not end in time).
QString TestConvertButton::runWindow(MainWindow &window, const QString &input)
{
    Ui::MainWindowClass *form = window.form();
    form->cboInFile->lineEdit()->clear();
    QTest::keyClicks(form->cboInFile->lineEdit(), input);
    if (!displaytest::clickConvertAndWait(window))
        return QString();
    return form->txtOutput->toPlainText();
}

void TestConvertButton::windowWritesTheSameFilesAsTheBatchCommand_data()
{
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<int>("tinIndex");
    QTest::addColumn<QString>("modeOption");
    QTest::addColumn<QString>("tinOption");
    QTest::newRow("CORS96 to CORS96a, generated TIN") << 0 << 1 << "1"
                                                      << "generate";
    QTest::newRow("CORS96 to CORS96a, TIN from file") << 0 << 0 << "1"
                                                      << "file";
    QTest::newRow("CORS96a to CORS96, generated TIN") << 1 << 1 << "2"
                                                      << "generate";
    QTest::newRow("CORS96a to CORS96, TIN from file") << 1 << 0 << "2"
                                                      << "file";
}

void TestConvertButton::windowWritesTheSameFilesAsTheBatchCommand()
{
    QFETCH(int, modeIndex);
    QFETCH(int, tinIndex);
    QFETCH(QString, modeOption);
    QFETCH(QString, tinOption);

    QTemporaryDir windowFolder, batchFolder;
    QVERIFY(copySample(windowFolder.path()));
    QVERIFY(copySample(batchFolder.path()));

    // The window opens its fixed files in the working folder.
    QDir::setCurrent(windowFolder.path());
    MainWindow window;
    window.show();
    window.form()->cboMode->setCurrentIndex(modeIndex);
    window.form()->cboMode_Tri->setCurrentIndex(tinIndex);
    QVERIFY(!window.form()->cmdDisplay->isEnabled());
    const QString pane = runWindow(window, windowFolder.filePath("sample_points.csv"));
    QVERIFY(pane.startsWith("Begin Processing\nProcessing Input Files:  \n"));
    QVERIFY(pane.contains("Completed in "));
    QVERIFY(pane.contains(
        QRegularExpression("\nNetwork check: 2\\d\\d of 250 control points validated; horizontal "
                           "residual RMS 0\\.\\d+ m, maximum 0\\.\\d+ m at TV\\d{4}; height residual RMS")));
    QVERIFY(!pane.contains("ERROR PROCESSING"));
    QCOMPARE(window.form()->progressBar->value(), 100);
    QVERIFY(window.form()->cmdDisplay->isEnabled());
    QDir::setCurrent(originalFolder);

    QProcess batch;
    batch.start(QStringLiteral(VELTRANE_CONVERT), {"--mode", modeOption, "--tin", tinOption, "--workdir",
                                                   batchFolder.path(), batchFolder.filePath("sample_points.csv")});
    QVERIFY(batch.waitForFinished(60000));
    QCOMPARE(batch.exitCode(), 0);

    const QByteArray windowPoints = contentsOf(windowFolder.filePath("sample_points_out.csv"));
    QVERIFY(windowPoints.startsWith(
        "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,X_CORS96a,Y_CORS96a,h_CORS96a,s,AZIMUTH,DeltaH\n"));
    QCOMPARE(windowPoints.count('\n'), 1 + 50);
    QCOMPARE(windowPoints, contentsOf(batchFolder.filePath("sample_points_out.csv")));
    const QByteArray windowControl = contentsOf(windowFolder.filePath("controlshift.csv"));
    QCOMPARE(windowControl.count('\n'), 1 + 250);
    QCOMPARE(windowControl, contentsOf(batchFolder.filePath("controlshift.csv")));
}

void TestConvertButton::emptyPointsBoxShowsMessageAndEnablesDisplay()
{
    MainWindow window;
    window.show();
    QString boxTitle, boxText;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxTitle = box->windowTitle();
        boxText = box->text();
        box->accept();
    });
    QTest::mouseClick(window.form()->cmdMorvek, Qt::LeftButton);
    QCOMPARE(boxTitle, QString("VELTRANE GUI"));
    QCOMPARE(boxText, QString("Please choose a valid Point File. (*.txt, *.csv) "));
    QCOMPARE(window.form()->txtOutput->toPlainText(), QString("Begin Processing"));
    QVERIFY(window.form()->cmdDisplay->isEnabled());
}

void TestConvertButton::messagesOfTwoRunsAccumulateInOrder()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    runWindow(window, "sample_points.csv");
    const QString pane = runWindow(window, "missing.csv");
    QDir::setCurrent(originalFolder);

    QCOMPARE(pane.count("Begin Processing"), 2);
    QCOMPARE(pane.count("Completed in "), 1);
    const int firstRunEnd = pane.indexOf("Completed in ");
    QVERIFY(pane.indexOf("missing.csv") > firstRunEnd);
    // The second run has no points file to read: it says so and writes nothing.
    QVERIFY(pane.endsWith("Cannot read missing.csv: No such file or directory"));
    QVERIFY(!QFile::exists(folder.filePath("missing_out.csv")));
}

// The pane after a run holds what the engine reports for the same run, line
// by line in its order, followed by the window's closing lines.
void TestConvertButton::paneHoldsTheRunsLinesInOrder()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    const QString input = folder.filePath("sample_points.csv");
    QStringList engineLines;
    const veltrane::RunResult direct = runInFolder(veltrane::ConversionSettings(), input, QString(), folder.path(),
                                                   [&engineLines](const QString &text, int) { engineLines << text; });
    QCOMPARE(direct.outcome, veltrane::RunOutcome::Completed);

    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    window.form()->cboMode_Tri->setCurrentIndex(1);  // "Generate", as the settings above
    QStringList pane = runWindow(window, input).split('\n');
    QDir::setCurrent(originalFolder);

    // The run times itself; the network check and the window's closing
    // lines follow the run's lines (the sample has two points outside its
    // generated network), the worst point of the check last.
    const QRegularExpression completed("^Completed in \\d+ ms\\.$");
    QCOMPARE(pane.size(), engineLines.size() + 4);
    for (int i = 0; i < engineLines.size(); ++i) {
        if (completed.match(engineLines[i]).hasMatch())
            QVERIFY2(completed.match(pane[i]).hasMatch(), qPrintable(pane[i]));
        else
            QCOMPARE(pane[i], engineLines[i]);
    }
    QVERIFY(pane[engineLines.size()].startsWith("Network check: "));
    QCOMPARE(pane[engineLines.size() + 1], "Output file: " + folder.filePath("sample_points_out.csv"));
    QCOMPARE(pane[engineLines.size() + 2], QString("Points outside the control network: SP017, SP041"));
    QVERIFY(pane[engineLines.size() + 3].startsWith("Worst residual of the network check at "));
}

void TestConvertButton::windowAnswersWhileARunWaits()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    const QString pipe = folder.filePath("pipe.csv");
    QVERIFY(makePipe(pipe));
    PipeFeeder feeder(pipe, contentsOf(QStringLiteral(VELTRANE_SOURCE_DIR "/data/sample_points.csv")), kHoldMs);
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    Ui::MainWindowClass *form = window.form();
    form->cboInFile->lineEdit()->setText(pipe);
    QSignalSpy finished(&window, &MainWindow::conversionFinished);
    QTest::mouseClick(form->cmdMorvek, Qt::LeftButton);

    // "Convert!" has returned while the run waits for its points.
    QVERIFY(window.conversionRunning());
    QVERIFY(!form->cmdMorvek->isEnabled());
    QVERIFY(form->cmdCancel->isVisible() && form->cmdCancel->isEnabled());
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    form->menuFile->popup(window.mapToGlobal(QPoint(20, 20)));
    QTRY_VERIFY_WITH_TIMEOUT(form->menuFile->isVisible(), 300);
    form->menuFile->hide();
    QVERIFY(window.conversionRunning());
    QCOMPARE(finished.count(), 0);

    feeder.release();
    QVERIFY(finished.wait(60000));
    QDir::setCurrent(originalFolder);
    QVERIFY(!window.conversionRunning());
    QVERIFY(form->txtOutput->toPlainText().contains("Completed in "));
    QCOMPARE(contentsOf(folder.filePath("pipe_out.csv")).count('\n'), 1 + 50);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(form->cmdMorvek->isEnabled());
    QVERIFY(form->cmdCancel->isHidden());
    QVERIFY(form->cmdDisplay->isEnabled());
}

void TestConvertButton::cancelLeavesEarlierOutputsUnchanged()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    const QString input = folder.filePath("feed.csv");
    QVERIFY(QFile::copy(folder.filePath("sample_points.csv"), input));
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    QVERIFY(runWindow(window, input).contains("Completed in "));
    const QByteArray points = contentsOf(folder.filePath("feed_out.csv"));
    const QByteArray control = contentsOf(folder.filePath("controlshift.csv"));
    const QDateTime controlTime = QFileInfo(folder.filePath("controlshift.csv")).lastModified();
    QCOMPARE(points.count('\n'), 1 + 50);

    // The same name again, now a pipe that gives ten points when released.
    QVERIFY(QFile::remove(input));
    QVERIFY(makePipe(input));
    PipeFeeder feeder(input, sampleLines(10), kHoldMs);
    Ui::MainWindowClass *form = window.form();
    QSignalSpy finished(&window, &MainWindow::conversionFinished);
    QTest::mouseClick(form->cmdMorvek, Qt::LeftButton);
    QVERIFY(window.conversionRunning());
    QTest::mouseClick(form->cmdCancel, Qt::LeftButton);
    QVERIFY(!form->cmdCancel->isEnabled());
    feeder.release();
    QVERIFY(finished.wait(60000));
    QDir::setCurrent(originalFolder);

    QVERIFY(form->txtOutput->toPlainText().endsWith("Conversion cancelled; no file was written."));
    QCOMPARE(contentsOf(folder.filePath("feed_out.csv")), points);
    QCOMPARE(contentsOf(folder.filePath("controlshift.csv")), control);
    QCOMPARE(QFileInfo(folder.filePath("controlshift.csv")).lastModified(), controlTime);
    QVERIFY(form->cmdMorvek->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void TestConvertButton::closingDuringARunCancelsIt()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    const QString pipe = folder.filePath("pipe.csv");
    QVERIFY(makePipe(pipe));
    // Held back briefly: closing waits for the run, which then finds itself cancelled.
    PipeFeeder feeder(pipe, sampleLines(10), 500);
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    window.form()->cboInFile->lineEdit()->setText(pipe);
    QTest::mouseClick(window.form()->cmdMorvek, Qt::LeftButton);
    QVERIFY(window.conversionRunning());
    window.close();
    QDir::setCurrent(originalFolder);

    QVERIFY(!window.conversionRunning());
    QVERIFY(window.form()->txtOutput->toPlainText().endsWith("Conversion cancelled; no file was written."));
    QVERIFY(!QFile::exists(folder.filePath("pipe_out.csv")));
    QVERIFY(!QFile::exists(folder.filePath("controlshift.csv")));
}

void TestConvertButton::outputInformationNamesTheFileAndOutsidePoints()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    QByteArray points = contentsOf(QStringLiteral(VELTRANE_SOURCE_DIR "/data/sample_points.csv"));
    QStringList far;
    for (int i = 1; i <= 25; ++i) {
        far << QString::asprintf("FAR%02d", i);
        points += QByteArray::number(-10 - i) + ",10,0," + far.last().toLatin1() + "\n";
    }
    points += "-10,95,0,NORTH\n";  // rejected: the pane counts and locates it
    const QString input = folder.filePath("mixed.csv");
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(points) == points.size());
    file.close();
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    const QString pane = runWindow(window, input);
    QDir::setCurrent(originalFolder);

    const QString written = folder.filePath("mixed_out.csv");
    QVERIFY(QFile::exists(written));
    QVERIFY2(
        pane.contains(QStringLiteral("1 line is not a point: line %1: latitude out of range").arg(points.count('\n'))),
        qPrintable(pane));
    const QStringList lines = pane.split('\n');
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines[lines.size() - 3], "Output file: " + written);
    // The sample's own two points outside its generated network come first.
    QCOMPARE(lines[lines.size() - 2], "Points outside the control network (the first 20 of 27): SP017, SP041, " +
                                          QStringList(far.mid(0, 18)).join(", "));
    QVERIFY(lines.last().startsWith("Worst residual of the network check at "));
    QCOMPARE(window.form()->cboInFile_2->currentText(), written);
}

void TestConvertButton::runWithoutControlNetworkSaysItCouldNotRun()
{
    QTemporaryDir folder;
    QVERIFY(QFile::copy(QStringLiteral(VELTRANE_SOURCE_DIR "/data/sample_points.csv"),
                        folder.filePath("sample_points.csv")));
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    window.form()->cboMode_Tri->setCurrentIndex(1);
    const QString pane = runWindow(window, folder.filePath("sample_points.csv"));
    QDir::setCurrent(originalFolder);

    QVERIFY2(pane.endsWith(QStringLiteral("The conversion could not run: no control network was built (see above), "
                                          "so no point of %1 was converted.")
                               .arg(folder.filePath("sample_points_out.csv"))),
             qPrintable(pane));
    QVERIFY2(!pane.contains(QStringLiteral("Completed in")), qPrintable(pane));
    QCOMPARE(window.form()->progressBar->value(), 0);
}

void TestConvertButton::coordinateFieldReadsGridPointsAndIsRemembered()
{
    QTemporaryDir folder;
    QVERIFY(copySample(folder.path()));
    // The sample points in UTM zone 10N, as a surveyor would have them.
    veltrane::CoordinateSystem utm;
    std::string error;
    QVERIFY(veltrane::describeCoordinateSystem("EPSG:26910", utm, error));
    veltrane::CoordinateConverter converter(utm);
    QByteArray grid;
    for (const QByteArray &line : contentsOf(folder.filePath("sample_points.csv")).split('\n')) {
        const QList<QByteArray> f = QByteArray(line).replace('\t', ',').replace(' ', ',').split(',');
        bool number = false;
        double p[3] = {f.value(0).toDouble(&number), f.value(1).toDouble(), f.value(2).toDouble()};
        if (line.startsWith('#') || f.size() != 4 || !number)
            continue;
        converter.fromGeographic(&p[0], &p[1], &p[2], 3 * sizeof(double), 1);
        grid += QByteArray::number(p[0], 'f', 4) + "," + QByteArray::number(p[1], 'f', 4) + "," +
                QByteArray::number(p[2], 'f', 4) + "," + f[3] + "\n";
    }
    writeTextFileAt(folder.filePath("grid.csv"), grid);

    QDir::setCurrent(folder.path());
    {
        MainWindow window;
        window.show();
        QCOMPARE(window.form()->cboCrs->currentText(), QString());
        window.form()->cboCrs->setEditText("EPSG:26910");
        const QString pane = runWindow(window, "grid.csv");
        QVERIFY2(pane.contains("Completed in "), qPrintable(pane));
    }
    QDir::setCurrent(originalFolder);
    const QByteArray windowPoints = contentsOf(folder.filePath("grid_out.csv"));
    QVERIFY(windowPoints.startsWith("POINT_ID,E_CORS96_M,N_CORS96_M,h_CORS96_M,E_CORS96a_M,N_CORS96a_M,h_CORS96a_M,"
                                    "s,AZIMUTH,DeltaH,DeltaE,DeltaN\n"));
    QCOMPARE(windowPoints.count('\n'), 1 + 50);

    // The command with --crs writes the same bytes.
    QProcess batch;
    batch.start(QStringLiteral(VELTRANE_CONVERT), {"--crs", "EPSG:26910", "--workdir", folder.path(), "-o",
                                                   folder.filePath("batch.csv"), folder.filePath("grid.csv")});
    QVERIFY(batch.waitForFinished(60000));
    QCOMPARE(batch.exitCode(), 0);
    QCOMPARE(windowPoints, contentsOf(folder.filePath("batch.csv")));

    // A later start of the program shows the system again; a name the
    // completer offers stands for its code.
    MainWindow later;
    QCOMPARE(later.form()->cboCrs->currentText(), QString("EPSG:26910"));
    QCOMPARE(veltrane::crsDefinitionOf(" NAD83 / UTM zone 10N (EPSG:26910) "), std::string("EPSG:26910"));
    QCOMPARE(veltrane::crsDefinitionOf(""), std::string());
    later.form()->cboCrs->setEditText(QString());
    veltrane::rememberCrsField(later.form()->cboCrs);
}

QTEST_MAIN(TestConvertButton)
#include "test_convertbutton.moc"

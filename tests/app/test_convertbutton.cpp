// "Convert!" in the window: the run reads the form, reports in the output
// pane, writes the same files as the batch command, and handles an empty
// "Points" box with its message box.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

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

private:
    QString runWindow(MainWindow &window, const QString &input);

    QString originalFolder;
};

void TestConvertButton::initTestCase()
{
    originalFolder = QDir::currentPath();
}

void TestConvertButton::cleanupTestCase()
{
    QDir::setCurrent(originalFolder);
}

// Types `input` into "Points", clicks "Convert!" and returns the pane's text.
QString TestConvertButton::runWindow(MainWindow &window, const QString &input)
{
    Ui::MainWindowClass *form = window.form();
    form->cboInFile->lineEdit()->clear();
    QTest::keyClicks(form->cboInFile->lineEdit(), input);
    QTest::mouseClick(form->cmdMorvek, Qt::LeftButton);
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

QTEST_MAIN(TestConvertButton)
#include "test_convertbutton.moc"

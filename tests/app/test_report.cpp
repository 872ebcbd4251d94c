// The record and the check in the window: "Save Report..." and "Show
// Residuals" start disabled and unchecked, a completed run enables the
// report, which File / "Save Report..." writes as the command's record of
// the same run, and the output pane names the worst point of the check.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList kSampleFiles = {"TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv",
                                  "TARVONA_TIN_CONTROL.obj", "sample_points.csv"};

// Selects `file` in the next modal file dialog and accepts it.
void answerNextFileDialog(const QString &file, int attempts = 200)
{
    QTimer::singleShot(20, [=]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempts > 0)
                answerNextFileDialog(file, attempts - 1);
            return;
        }
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(file);
        static_cast<QDialog *>(dialog)->accept();
    });
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {"-raw", path, "-"});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void saveReportWritesTheRecordOfTheLastRun();
};

void TestReport::saveReportWritesTheRecordOfTheLastRun()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString originalFolder = QDir::currentPath();
    QTemporaryDir folder;
    for (const QString &name : kSampleFiles)
        QVERIFY(QFile::copy(QStringLiteral(VELTRANE_SOURCE_DIR "/data/") + name, folder.filePath(name)));
    QDir::setCurrent(folder.path());
    MainWindow window;
    window.show();
    Ui::MainWindowClass *form = window.form();
    QVERIFY(!form->actionSaveReport->isEnabled());
    QVERIFY(!form->cbShowResiduals->isChecked());
    QVERIFY(!form->actionCentreWorstResidual->isEnabled());
    QVERIFY(!window.saveReport(folder.filePath("none.pdf")));
    QVERIFY(!QFile::exists(folder.filePath("none.pdf")));

    form->cboInFile->lineEdit()->setText(folder.filePath("sample_points.csv"));
    QSignalSpy finished(&window, &MainWindow::conversionFinished);
    QTest::mouseClick(form->cmdMorvek, Qt::LeftButton);
    QVERIFY(finished.wait(60000));
    QDir::setCurrent(originalFolder);
    QVERIFY(form->actionSaveReport->isEnabled());
    QVERIFY(form->actionCentreWorstResidual->isEnabled());
    const QString pane = form->txtOutput->toPlainText();
    const QRegularExpressionMatch worst = QRegularExpression("maximum [0-9.]+ m at (\\S+);").match(pane);
    QVERIFY2(worst.hasMatch(), qPrintable(pane));
    QVERIFY2(pane.contains("Worst residual of the network check at " + worst.captured(1) + ": View"), qPrintable(pane));

    const QString record = folder.filePath("window_record.pdf");
    answerNextFileDialog(record);
    form->actionSaveReport->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
    const QString text = pdfText(record);
    for (const QString &part : {QString("File " + folder.filePath("sample_points.csv")), QString("Converted "),
                                QString("s median "), QString("Mean azimuth "), QString("at " + worst.captured(1)),
                                QString("Outputs\n" + folder.filePath("sample_points_out.csv")),
                                QString("Control files: TARVONA_NAD83_CORS96_CONTROL.csv (SHA-256 ")})
        QVERIFY2(text.contains(part), qPrintable(part + "\nin:\n" + text));
    QVERIFY(form->txtOutput->toPlainText().endsWith("Report saved: " + QDir::toNativeSeparators(record)));

    // The input's digest is taken when the report is saved, and only of the
    // bytes the run read: once the file has changed, the report says so.
    QFile input(folder.filePath("sample_points.csv"));
    QVERIFY(input.open(QIODevice::ReadWrite));
    const QByteArray digest = QCryptographicHash::hash(input.readAll(), QCryptographicHash::Sha256).toHex();
    QVERIFY2(text.contains("SHA-256 " + digest), qPrintable(text));
    QVERIFY(input.write("\n") == 1);
    input.close();
    const QString changed = folder.filePath("changed_record.pdf");
    QVERIFY(window.saveReport(changed));
    QVERIFY2(pdfText(changed).contains("not known (the file changed after the conversion)"),
             qPrintable(pdfText(changed)));
    QVERIFY(form->txtOutput->toPlainText().contains("sample_points.csv has changed since the conversion"));
}

QTEST_MAIN(TestReport)
#include "test_report.moc"

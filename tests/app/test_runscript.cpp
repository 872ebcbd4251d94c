// scripts/run.sh without a display, on the program of this build: it converts
// the sample under its own Xvfb, names the converted points and the
// screenshot, and the screenshot shows the converted sample drawn in the view.

#include "tests/app/picturechecks.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace picturecheck;

namespace {

constexpr int kRunTimeoutMs = 120000;

// Lines of a text file that are neither empty nor comments.
int nonCommentLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    int count = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty() && !line.startsWith('#'))
            ++count;
    }
    return count;
}

}  // namespace

class TestRunScript : public QObject {
    Q_OBJECT

private slots:
    void headlessRunShowsTheConvertedSample();
};

void TestRunScript::headlessRunShowsTheConvertedSample()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("VELTRANE_RUN_BUILD"), QStringLiteral(VELTRANE_BINARY_DIR));
    environment.insert(QStringLiteral("VELTRANE_RUN_OUT"), out.path());
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("bash"), {QStringLiteral(VELTRANE_SOURCE_DIR "/scripts/run.sh")});
    QVERIFY(run.waitForFinished(kRunTimeoutMs));
    const QString output = QString::fromLocal8Bit(run.readAll());
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, qPrintable(output));

    const QString sample = QDir(out.path()).filePath("sample");
    const QString converted = QDir(sample).filePath("sample_points_out.csv");
    const QString shot = QDir(out.path()).filePath("veltrane-screenshot.png");
    QVERIFY2(output.contains("run: no display is available"), qPrintable(output));
    QVERIFY2(output.contains("run: Converted points: " + converted + "\n"), qPrintable(output));
    QVERIFY2(output.contains("run: Screenshot: " + shot + "\n"), qPrintable(output));

    // Every point of the sample is written, those outside the network too:
    // the sample's line of column names stands where the output's header is.
    const int inputLines = nonCommentLines(QDir(sample).filePath("sample_points.csv"));
    QVERIFY(inputLines > 1);
    QCOMPARE(nonCommentLines(converted), inputLines);

    // A window with an empty view has the widgets' few colours and the
    // view's flat grey; the drawn sample adds the base map's thousands and
    // the control points (red) and converted points (blue) with their
    // vectors.
    const QImage picture(shot);
    QVERIFY(!picture.isNull());
    QVERIFY2(distinctColours(picture, picture.rect()) > 3000,
             qPrintable(QString::number(distinctColours(picture, picture.rect()))));
    QVERIFY(pixelsNear(picture, picture.rect(), Qt::red, 40) > 50);
    QVERIFY(pixelsNear(picture, picture.rect(), Qt::blue, 40) > 50);
}

QTEST_GUILESS_MAIN(TestRunScript)
#include "test_runscript.moc"

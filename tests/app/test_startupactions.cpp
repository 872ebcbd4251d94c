// The start-up actions: --convert leaves the sample converted and drawn, the
// screenshot holds the view's frame where the window shows the view, and a
// screenshot that cannot be written ends the run with a failure.

#include "app/startupactions.h"
#include "tests/app/displayhelpers.h"
#include "tests/app/picturechecks.h"

#include <QSignalSpy>

using namespace displaytest;
using namespace picturecheck;

namespace {

// The background every new main view starts from.
const QColor kViewBackground(65, 65, 65);

// Area of `view` inside `window`, in the window's pixels.
QRect areaIn(QWidget &window, GLWidget *view)
{
    return view->visibleRegion().boundingRect().translated(view->mapTo(&window, QPoint(0, 0)));
}

}  // namespace

class TestStartupActions : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void convertThenScreenshotShowsTheDrawnSample();
    void screenshotWithoutConvertIsTheWindowAsShown();
    void unwritableScreenshotIsAFailure();
    void startupErrorIsShownInAMessageBox();

private:
    // Runs the actions on `window` and waits for their end; the status and
    // the report go to the out-parameters.
    bool runActions(MainWindow &window, const veltrane::StartupOptions &options, int &status, QStringList &report);
    // Options asking for a screenshot named `name` in the working folder.
    veltrane::StartupOptions screenshotAs(const char *name) const;

    QString previousFolder;
    std::unique_ptr<QTemporaryDir> folder;
};

void TestStartupActions::init()
{
    previousFolder = QDir::currentPath();
    folder.reset(new QTemporaryDir);
    QVERIFY(folder->isValid());
    QVERIFY(copySampleData(folder->path()));
    QVERIFY(QDir::setCurrent(folder->path()));
}

void TestStartupActions::cleanup()
{
    QDir::setCurrent(previousFolder);
    folder.reset();
}

veltrane::StartupOptions TestStartupActions::screenshotAs(const char *name) const
{
    veltrane::StartupOptions options;
    options.workDir = folder->path();
    options.screenshotFile = QDir(folder->path()).filePath(QString::fromLatin1(name));
    return options;
}

bool TestStartupActions::runActions(MainWindow &window, const veltrane::StartupOptions &options, int &status,
                                    QStringList &report)
{
    veltrane::StartupActions actions(window, options);
    QSignalSpy finished(&actions, &veltrane::StartupActions::finished);
    actions.start();
    if (!finished.wait(veltrane::StartupActions::kFrameTimeoutMs + 5000) || finished.size() != 1)
        return false;
    status = finished.first().at(0).toInt();
    report = finished.first().at(1).toStringList();
    return true;
}

void TestStartupActions::convertThenScreenshotShowsTheDrawnSample()
{
    MainWindow window;
    window.setPointsFile(QDir(folder->path()).filePath("sample_points.csv"));
    window.show();
    veltrane::StartupOptions options = screenshotAs("window.png");
    options.allLayers = true;
    options.convertAtStart = true;
    int status = -1;
    QStringList report;
    QVERIFY(runActions(window, options, status, report));

    const QString converted = QDir(folder->path()).filePath("sample_points_out.csv");
    QCOMPARE(status, 0);
    QCOMPARE(report, (QStringList{"Converted points: " + converted, "Screenshot: " + options.screenshotFile}));
    QVERIFY(QFileInfo(converted).size() > 0);

    GLWidget *view = mainView(window);
    QVERIFY(view);
    QVERIFY(view->framesPresented() > 0);
    QVERIFY(view->bDrawBaseMap && view->bDrawTris);
    const QImage picture(options.screenshotFile);
    QCOMPARE(picture.size(), window.size());

    // The view's area shows the base map's many colours and the data layers
    // in theirs; the background is left around the map only.
    const QRect viewArea = areaIn(window, view);
    QVERIFY(viewArea.width() > 100 && viewArea.height() > 100);
    const int colours = distinctColours(picture, viewArea);
    QVERIFY2(colours > 3000, qPrintable(QString::number(colours)));
    QVERIFY(pixelsNear(picture, viewArea, kViewBackground, 2) < viewArea.width() * viewArea.height() * 9 / 10);
    for (const QColor &layer : {view->colorDs1, view->colorDs2, view->colorTris})
        QVERIFY2(pixelsNear(picture, viewArea, layer, 40) > 50, qPrintable(layer.name()));

    // Beside the view the widgets are as they paint themselves.
    const QRect displayDock = window.form()->dockWidget_Display->geometry();
    QCOMPARE(picture.copy(displayDock), window.grab(displayDock).toImage().convertToFormat(picture.format()));
}

void TestStartupActions::screenshotWithoutConvertIsTheWindowAsShown()
{
    MainWindow window;
    window.show();
    const veltrane::StartupOptions options = screenshotAs("plain.png");
    int status = -1;
    QStringList report;
    QVERIFY(runActions(window, options, status, report));

    QCOMPARE(status, 0);
    QCOMPARE(report, QStringList{"Screenshot: " + options.screenshotFile});
    QVERIFY(!mainView(window));
    QVERIFY(!window.form()->cbDrawBaseMap->isChecked());
    QVERIFY(!QFileInfo::exists(QDir(folder->path()).filePath("sample_points_out.csv")));
    QCOMPARE(QImage(options.screenshotFile).size(), window.size());
}

void TestStartupActions::unwritableScreenshotIsAFailure()
{
    MainWindow window;
    window.show();
    const veltrane::StartupOptions options = screenshotAs("no-such-folder/window.png");
    int status = -1;
    QStringList report;
    QVERIFY(runActions(window, options, status, report));

    QCOMPARE(status, 1);
    QCOMPARE(report.size(), 1);
    QVERIFY2(report.first().startsWith("Screenshot not saved as " + options.screenshotFile + ": "),
             qPrintable(report.first()));
    QVERIFY(!QFileInfo::exists(options.screenshotFile));
}

void TestStartupActions::startupErrorIsShownInAMessageBox()
{
    const auto box = displaytest::answerNextMessageBox();
    veltrane::reportStartupError(QStringLiteral("--workdir /nowhere: no such folder"));
    QVERIFY2(box->seen, "no message box was shown");
    QCOMPARE(box->title, QStringLiteral("Veltrane"));
    QCOMPARE(box->text, QStringLiteral("--workdir /nowhere: no such folder"));
}

QTEST_MAIN(TestStartupActions)
#include "test_startupactions.moc"

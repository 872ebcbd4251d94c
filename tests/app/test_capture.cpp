// "Capture!" and the screenshot file name box: images at the scaled view
// size, the numbering of names, failures reported as failures, the frustum
// viewer captured only while it is open, and the save dialog.

#include "tests/app/displayhelpers.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>

using namespace displaytest;

namespace {

void setCaptureName(MainWindow &window, const QString &name)
{
    QComboBox *box = window.form()->cboSCaptFile;
    box->addItem(name);
    box->setCurrentIndex(box->count() - 1);
}

QString lastParagraph(MainWindow &window)
{
    return window.form()->txtOutput->toPlainText().split('\n').last();
}

// How many pixels of the image have exactly this colour. The views draw
// without antialiasing, so a capture holds the background and the pure
// colours of what was drawn.
int pixelsOf(const QImage &image, const QColor &colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    }
    return n;
}

// A capture of the sample shows the background and both point sets.
bool showsTheSample(const QImage &image)
{
    return pixelsOf(image, QColor(65, 65, 65)) > image.width() * image.height() / 4 && pixelsOf(image, Qt::red) > 500 &&
           pixelsOf(image, Qt::blue) > 100;
}

// What the X server shows of the view, without painting it.
QImage onScreen(QWidget *view)
{
    QApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(view->winId()).toImage();
}

int pixelsChanged(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    }
    return n;
}

// A left drag across the view, as the mouse sends it.
void dragAcross(QWidget *view)
{
    const QPoint from(view->width() / 2, view->height() / 2);
    const QPoint to = from + QPoint(view->width() / 5, view->height() / 8);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
}

// Answers the next save dialog with `file`, or cancels it when empty.
void answerNextSaveDialog(const QString &file, int attempts = 200)
{
    QTimer::singleShot(20, [=] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempts > 0)
                answerNextSaveDialog(file, attempts - 1);
            return;
        }
        if (file.isEmpty()) {
            dialog->reject();
        } else {
            // Typed like a user would: the dialog's list may still be loading.
            if (auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                nameEdit->setText(file);
            static_cast<QDialog *>(dialog)->accept();
        }
    });
}

}  // namespace

class TestCapture : public QObject {
    Q_OBJECT

private slots:
    void userConvertsDisplaysAndCapturesAtScaleTwo();
    void repeatedCapturesNumberTheFiles();
    void nameBeyondLatin1IsWrittenAsTyped();
    void emptyNameShowsTheBoxAndStillNumbers();
    void failedSaveIsReportedAsFailure_data();
    void failedSaveIsReportedAsFailure();
    void frustumDisplayNeedsAnOpenViewer();
    void closedDataViewerIsNotCaptured();
    void browseInsertsTheCounterWhenNumbering();
    void viewKeepsFollowingTheMouseAfterACapture_data();
    void viewKeepsFollowingTheMouseAfterACapture();
};

void TestCapture::userConvertsDisplaysAndCapturesAtScaleTwo()
{
    ConvertedSample sample;  // types the path into "Points" and clicks "Convert!"
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    QTest::mouseClick(form->cmdDisplay, Qt::LeftButton);
    form->actionDisplay_Frustum_Viewer->trigger();
    QApplication::processEvents();
    QCOMPARE(subWindowTitles(window).size(), 2);
    GLWidget *view = mainView(window);
    const QSize viewSize = view->size();

    form->actionScreenCapture->trigger();
    QVERIFY(form->dW_SCapt->isVisible());
    const QString shot = sample.folder.filePath("view.png");
    form->cboSCaptFile->lineEdit()->setText(shot);
    form->sbScale->setValue(2.0);
    QTest::mouseClick(form->pbCapture, Qt::LeftButton);

    const QImage image(shot);
    QVERIFY2(!image.isNull(), qPrintable(shot));
    QCOMPARE(image.size(), viewSize * 2);
    QVERIFY2(showsTheSample(image), "the capture does not show the data");
    QCOMPARE(lastParagraph(window), QString("Exported %1 as image with dimensions %2 by %3")
                                        .arg(shot)
                                        .arg(viewSize.width() * 2)
                                        .arg(viewSize.height() * 2));
    QCOMPARE(window.form()->progressBar->value(), 100);
    // The on-screen view is back at its own size and out of capture mode.
    QCOMPARE(view->size(), viewSize);
    QVERIFY(!view->bCaptureMode);
    QCOMPARE(form->cboSCaptFile->currentText(), sample.folder.filePath("view0000.png"));
}

void TestCapture::repeatedCapturesNumberTheFiles()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->sbScale->setValue(1.5);  // counts as 1
    setCaptureName(window, sample.folder.filePath("shot0000.png"));
    const int itemsBefore = form->cboSCaptFile->count();

    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form->pbCapture, Qt::LeftButton);

    for (const char *name : {"shot0000.png", "shot0001.png", "shot0002.png"})
        QVERIFY2(QFileInfo::exists(sample.folder.filePath(name)), name);
    QVERIFY(!QFileInfo::exists(sample.folder.filePath("shot0003.png")));
    QCOMPARE(form->cboSCaptFile->count(), itemsBefore + 3);
    QCOMPARE(form->cboSCaptFile->currentText(), sample.folder.filePath("shot0003.png"));
    QCOMPARE(QImage(sample.folder.filePath("shot0002.png")).size(), mainView(window)->size());
}

void TestCapture::nameBeyondLatin1IsWrittenAsTyped()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    window.form()->cbAutoImageFile->setChecked(false);
    const QString name = sample.folder.filePath(QString::fromUtf8("Ansicht \u0141\u00f3d\u017a.png"));
    setCaptureName(window, name);

    QTest::mouseClick(window.form()->pbCapture, Qt::LeftButton);

    QVERIFY(QFileInfo::exists(name));
    QVERIFY(lastParagraph(window).startsWith(QStringLiteral("Exported ") + name));
}

void TestCapture::emptyNameShowsTheBoxAndStillNumbers()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    const QString paneBefore = window.form()->txtOutput->toPlainText();

    const auto box = answerNextMessageBox();
    QTest::mouseClick(window.form()->pbCapture, Qt::LeftButton);

    QVERIFY(box->seen);
    QCOMPARE(box->title, QString("Selvane"));
    QCOMPARE(box->text, QString("Please Specify an Export File!"));
    QCOMPARE(window.form()->txtOutput->toPlainText(), paneBefore);
    QCOMPARE(window.form()->cboSCaptFile->currentText(), QString("0000"));
    QVERIFY(!QFileInfo::exists(sample.folder.filePath("0000")));
}

void TestCapture::failedSaveIsReportedAsFailure_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("unknown suffix") << "shot.xyz";
    QTest::newRow("folder that does not exist") << "missing/folder/shot.png";
}

void TestCapture::failedSaveIsReportedAsFailure()
{
    QFETCH(QString, name);
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    const QString path = sample.folder.filePath(name);
    setCaptureName(window, path);

    QTest::mouseClick(window.form()->pbCapture, Qt::LeftButton);

    QVERIFY(!QFileInfo::exists(path));
    const QString message = lastParagraph(window);
    QVERIFY2(message.startsWith("Could not export " + path + ": "), qPrintable(message));
    QVERIFY(!window.form()->txtOutput->toPlainText().contains("Exported"));
    QVERIFY(!mainView(window)->bCaptureMode);
}

void TestCapture::frustumDisplayNeedsAnOpenViewer()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->cboWindow2Capt->setCurrentIndex(1);  // "Frusturm Display"
    form->sbScale->setValue(2.0);
    const QString shot = sample.folder.filePath("frustum.png");
    setCaptureName(window, shot);
    const int itemsBefore = form->cboSCaptFile->count();

    // Not open: refused, nothing written, the name kept.
    QTest::mouseClick(form->pbCapture, Qt::LeftButton);
    QCOMPARE(lastParagraph(window), QString("Capture refused: the Frustum Viewer is not open."));
    QVERIFY(!QFileInfo::exists(shot));
    QCOMPARE(form->cboSCaptFile->count(), itemsBefore);
    QCOMPARE(form->cboSCaptFile->currentText(), shot);

    // Open: the viewer is captured at twice its own size.
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    GLWidget *viewer = frustumViewer(window);
    QVERIFY(viewer);
    const QSize viewerSize = viewer->size();
    QTest::mouseClick(form->pbCapture, Qt::LeftButton);
    const QImage image(shot);
    QCOMPARE(image.size(), viewerSize * 2);
    QVERIFY(showsTheSample(image));
    QCOMPARE(lastParagraph(window), QString("Exported %1 as image with dimensions %2 by %3")
                                        .arg(shot)
                                        .arg(viewerSize.width() * 2)
                                        .arg(viewerSize.height() * 2));
    QCOMPARE(viewer->size(), viewerSize);
}

void TestCapture::closedDataViewerIsNotCaptured()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    subWindowOf(mainView(window))->close();
    flushDeletes();
    const QString shot = sample.folder.filePath("main.png");
    setCaptureName(window, shot);

    QTest::mouseClick(window.form()->pbCapture, Qt::LeftButton);

    QCOMPARE(lastParagraph(window), QString("Capture refused: the Data Viewer is not open."));
    QVERIFY(!QFileInfo::exists(shot));
}

void TestCapture::browseInsertsTheCounterWhenNumbering()
{
    MainWindow window;
    window.show();
    Ui::MainWindowClass *form = window.form();
    QTemporaryDir folder;
    const QString chosen = folder.filePath("a.bmp");

    answerNextSaveDialog(chosen);
    QTest::mouseClick(form->tbBrowseSCapt, Qt::LeftButton);
    QCOMPARE(form->cboSCaptFile->currentText(), folder.filePath("a0000.bmp"));
    QCOMPARE(window.lastBrowsePath(), chosen);

    form->cbAutoImageFile->setChecked(false);
    answerNextSaveDialog(chosen);
    QTest::mouseClick(form->tbBrowseSCapt, Qt::LeftButton);
    QCOMPARE(form->cboSCaptFile->currentText(), chosen);
    QCOMPARE(form->cboSCaptFile->count(), 2);

    // A cancelled dialog adds nothing and forgets the remembered path.
    answerNextSaveDialog(QString());
    QTest::mouseClick(form->tbBrowseSCapt, Qt::LeftButton);
    QCOMPARE(form->cboSCaptFile->count(), 2);
    QVERIFY(window.lastBrowsePath().isEmpty());
}

void TestCapture::viewKeepsFollowingTheMouseAfterACapture_data()
{
    QTest::addColumn<bool>("axis");
    QTest::newRow("axis off") << false;
    QTest::newRow("axis on") << true;
}

// The off-screen capture renders through a framebuffer of the view's own
// context; afterwards the view must draw to its window again.
void TestCapture::viewKeepsFollowingTheMouseAfterACapture()
{
    QFETCH(bool, axis);
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->cbAxis->setChecked(axis);
    GLWidget *view = mainView(window);
    QVERIFY(QTest::qWaitForWindowExposed(view));
    setCaptureName(window, sample.folder.filePath("shot.png"));

    for (int capture = 0; capture < 2; ++capture) {
        QTest::mouseClick(form->pbCapture, Qt::LeftButton);
        QVERIFY(showsTheSample(QImage(sample.folder.filePath(capture == 0 ? "shot.png" : "shot0000.png"))));
        view->updateGL();
        const QImage before = onScreen(view);
        dragAcross(view);
        const QImage after = onScreen(view);
        QVERIFY2(
            pixelsChanged(before, after) > before.width() * before.height() / 100,
            qPrintable(QStringLiteral("capture %1: %2 pixels changed").arg(capture).arg(pixelsChanged(before, after))));
        // The scene is drawn on screen, not only the overlay.
        QVERIFY2(pixelsOf(after, QColor(65, 65, 65)) > after.width() * after.height() / 4, "background not cleared");
        QVERIFY(pixelsOf(after, Qt::blue) > 100);
    }
}

QTEST_MAIN(TestCapture)
#include "test_capture.moc"

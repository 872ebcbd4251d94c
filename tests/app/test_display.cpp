// "Reset Display" and the frustum viewer: what the first display enables and
// shows, how a rebuild replaces the views, which controls reach which view,
// and that closing a view leaves the window without a dangling one.

#include "tests/app/displayhelpers.h"
#include "view/displaysetup.h"
#include "widgets/colorpicker/qtcolorpicker.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

using namespace veltrane;

using namespace displaytest;

namespace {

// Records, at the first paint of a 3D view, the application's cursor and the
// progress shown.
class FirstFrameWatch : public QObject {
public:
    explicit FirstFrameWatch(QProgressBar *bar) : m_bar(bar) {}
    bool painted = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    int progress = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!painted && event->type() == QEvent::Paint && qobject_cast<GLWidget *>(watched)) {
            painted = true;
            cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
            progress = m_bar->value();
        }
        return false;
    }

private:
    QProgressBar *m_bar;
};

// What the X server shows of a view once the event loop has settled, with no
// input sent.
QImage shownPixels(GLWidget *view)
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 200);
        QTest::qWait(40);
    }
    return QGuiApplication::primaryScreen()->grabWindow(view->winId()).toImage();
}

int countNear(const QImage &image, const QColor &color, int tolerance)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAbs(qRed(p) - color.red()) <= tolerance && qAbs(qGreen(p) - color.green()) <= tolerance &&
                qAbs(qBlue(p) - color.blue()) <= tolerance)
                ++n;
        }
    }
    return n;
}

// A frame of the sample shows its control points (red) on the cleared
// background and leaves no pixel of the window undrawn (black).
void verifyDrawn(const QImage &shown, const QColor &background)
{
    const int area = shown.width() * shown.height();
    QVERIFY(area > 0);
    QVERIFY2(countNear(shown, background, 3) > area / 2, qPrintable(QString::number(countNear(shown, background, 3))));
    QVERIFY2(countNear(shown, Qt::red, 10) > 20, qPrintable(QString::number(countNear(shown, Qt::red, 10))));
    QVERIFY2(countNear(shown, Qt::black, 3) < area / 100, qPrintable(QString::number(countNear(shown, Qt::black, 3))));
}

QtColorPicker *picker(QLayout *layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        if (auto *found = qobject_cast<QtColorPicker *>(layout->itemAt(i)->widget()))
            return found;
    }
    return nullptr;
}

QtColorPicker *backgroundPicker(MainWindow &window)
{
    QLayout *layout = window.form()->Vlay_bkgrnd;
    for (int i = 0; i < layout->count(); ++i) {
        if (auto *picker = qobject_cast<QtColorPicker *>(layout->itemAt(i)->widget()))
            return picker;
    }
    return nullptr;
}

}  // namespace

class TestDisplay : public QObject {
    Q_OBJECT

private slots:
    void sceneBoxesFromTheControlExtents();
    void firstResetEnablesTheDisplayControlsAndShowsOneDataViewer();
    void secondResetWithViewerOpenLeavesOnlyANewMainView();
    void controlsReachTheViewsTheyAreWiredTo();
    void checkBoxToggledTwiceKeepsFlagAndBoxInStep();
    void frustumViewerIsFedFromTheMainView();
    void closingTheDataViewerLeavesTheViewerWorking();
    void closingTheViewerUnchecksItsAction();
    void resetShowsBusyUntilTheFirstFrame();
    void secondResetDrawsWithoutInput();
    void newViewerDrawsWithoutInput();
    void closingTheViewerFromTheMenuGivesTheAreaBack();
    void resetKeepsTheButtonsColours();
    void fitViewFramesTheDataAgain();
    void resetStaysBusyUntilTheViewHasDrawn();
};

void TestDisplay::sceneBoxesFromTheControlExtents()
{
    Extent s;
    s.xMin = -124.0;
    s.xMax = -120.0;  // dx = 4
    s.yMin = 42.0;
    s.yMax = 44.0;  // dy = 2
    s.zMin = 1000.0;
    s.zMax = 3000.0;  // dz = 2000
    s.zRange = 2000.0;
    s.xRange = 4.0;
    s.count = 7;
    const double scale = 1e-7;

    const Extent scene = sceneStats(s, scale);
    QCOMPARE(scene.zMin, 1000.0 * scale);
    QCOMPARE(scene.zMax, 3000.0 * scale);
    QCOMPARE(scene.zRange, 2000.0 * scale);
    QCOMPARE(scene.xMin, -124.0);
    QCOMPARE(scene.xRange, 4.0);
    QCOMPARE(scene.count, 7);

    const GLC_BoundingBox main = mainViewBox(s, scale);
    QCOMPARE(main.lowerCorner(), GLC_Vector3d(-124.0, 42.0, 1000.0 * scale));
    QCOMPARE(main.upperCorner(), GLC_Vector3d(-120.0, 44.0, 3000.0 * scale));

    // The viewer's box: the lower corner padded by 0.75 of each range (height
    // padded before scaling), the upper corner by 0.75 dx on every axis with
    // the height pad after scaling.
    const GLC_BoundingBox viewer = frustumViewerBox(s, scale);
    QCOMPARE(viewer.lowerCorner().x(), -124.0 - 3.0);
    QCOMPARE(viewer.lowerCorner().y(), 42.0 - 1.5);
    QCOMPARE(viewer.lowerCorner().z(), (1000.0 - 1500.0) * scale);
    QCOMPARE(viewer.upperCorner().x(), -120.0 + 3.0);
    QCOMPARE(viewer.upperCorner().y(), 44.0 + 3.0);
    QCOMPARE(viewer.upperCorner().z(), 3000.0 * scale + 3.0);
}

void TestDisplay::firstResetEnablesTheDisplayControlsAndShowsOneDataViewer()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();

    const QList<QWidget *> widgets = {form->frmDS1,     form->frmDS2,    form->frmSize,
                                      form->frmTriStep, form->pbCapture, form->dwLight};
    const QList<QAction *> actions = {form->actionLighting_Controls, form->actionDisplay_Frustum_Viewer,
                                      form->actionOpenGL_Version};
    // The light dock is enabled by the form already; the rest waits for a view.
    for (QWidget *w : widgets) {
        if (w != form->dwLight)
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    }
    for (QAction *a : actions)
        QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    QVERIFY(!mdiAreaOf(window));

    resetDisplay(window);

    for (QWidget *w : widgets)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    for (QAction *a : actions)
        QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));

    QMdiArea *area = mdiAreaOf(window);
    QVERIFY(area);
    QCOMPARE(area->parentWidget(), form->testOpenglGroup);
    QCOMPARE(subWindowTitles(window), QStringList{"Data Viewer"});
    GLWidget *view = mainView(window);
    QVERIFY(view);
    QMdiSubWindow *sub = subWindowOf(view);
    QVERIFY(sub->testAttribute(Qt::WA_DeleteOnClose));
    // Opened at 400 x 400, then tiled: alone in the area it fills it.
    QTRY_COMPARE(sub->geometry(), area->viewport()->rect());
    QVERIFY(sub->width() >= 400 && sub->height() >= 400);

    const QColor darkerGray(65, 65, 65);
    QCOMPARE(view->colorBckgrnd, darkerGray);
    QCOMPARE(backgroundPicker(window)->currentColor(), darkerGray);
    QTRY_VERIFY(view->isValid());
    // The cleared background on screen, away from the data and the overlay
    // (read from the screen: after a swap the back buffer is undefined).
    const QImage frame = QGuiApplication::primaryScreen()->grabWindow(view->winId()).toImage();
    QCOMPARE(QColor(frame.pixel(frame.width() - 3, 3)), darkerGray);
}

void TestDisplay::secondResetWithViewerOpenLeavesOnlyANewMainView()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    QPointer<GLWidget> firstMain = mainView(window);
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    QPointer<GLWidget> firstViewer = frustumViewer(window);
    QVERIFY(firstViewer);
    QCOMPARE(subWindowTitles(window).size(), 2);

    resetDisplay(window);
    flushDeletes();

    QVERIFY(firstMain.isNull());
    QVERIFY(firstViewer.isNull());
    QCOMPARE(subWindowTitles(window), QStringList{"Data Viewer"});
    QCOMPARE(window.findChildren<GLWidget *>().size(), 1);
    QVERIFY(!form->actionDisplay_Frustum_Viewer->isChecked());
    // The closed windows did not report themselves: the new display keeps
    // its OpenGL information, and the viewer can be opened on the new view.
    QVERIFY(form->actionOpenGL_Version->isEnabled());
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    QCOMPARE(subWindowTitles(window).size(), 2);
    QVERIFY(frustumViewer(window));
}

void TestDisplay::controlsReachTheViewsTheyAreWiredTo()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    GLWidget *main = mainView(window);
    GLWidget *viewer = frustumViewer(window);
    QVERIFY(main && viewer);

    form->hSlide_PointSize->setValue(form->hSlide_PointSize->value() + 3);
    QCOMPARE(main->iPointSize, form->hSlide_PointSize->value());
    QCOMPARE(viewer->iPointSize, form->hSlide_PointSize->value());

    form->hSlide_LineWidth->setValue(form->hSlide_LineWidth->value() + 2);
    QCOMPARE(main->iLineWidth, form->hSlide_LineWidth->value());
    QCOMPARE(viewer->iLineWidth, form->hSlide_LineWidth->value());

    QCOMPARE(viewer->iOptMode, 0);
    form->cboOptDisplay->setCurrentIndex(3);
    QCOMPARE(main->iOptMode, 3);
    QCOMPARE(viewer->iOptMode, 0);

    form->cboStepSize->setCurrentIndex(form->cboStepSize->findText("20"));
    QCOMPARE(main->iVectorMult, 20);
    QCOMPARE(viewer->iVectorMult, 20);

    form->dblSB_lightZ->setValue(2.5);
    QCOMPARE(main->lightPos.z(), 2.5);
    QCOMPARE(viewer->lightPos.z(), 2.5);

    // The background picker reaches both views (seen at their next frame).
    backgroundPicker(window)->setCurrentColor(Qt::white);
    for (GLWidget *view : {main, viewer}) {
        view->updateGL();
        QCOMPARE(QColor(view->grabFrameBuffer().pixel(view->width() - 3, 3)), QColor(Qt::white));
    }
}

void TestDisplay::checkBoxToggledTwiceKeepsFlagAndBoxInStep()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    // A box changed before the display is copied into the new view.
    form->cbDrawTris->setChecked(!form->cbDrawTris->isChecked());
    resetDisplay(window);
    GLWidget *view = mainView(window);
    QCOMPARE(view->bDrawTris, form->cbDrawTris->isChecked());

    const bool axisAtStart = form->cbAxis->isChecked();
    QCOMPARE(view->bDrawAxis, axisAtStart);
    form->cbAxis->click();
    QCOMPARE(view->bDrawAxis, !axisAtStart);
    form->cbAxis->click();
    QCOMPARE(view->bDrawAxis, axisAtStart);
    QCOMPARE(form->cbAxis->isChecked(), axisAtStart);

    form->cb_ds2->click();
    form->cb_ds2->click();
    QCOMPARE(view->bDrawLabelsDs2, form->cb_ds2->isChecked());
}

void TestDisplay::frustumViewerIsFedFromTheMainView()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->cboOptDisplay->setCurrentIndex(2);  // the clipper: clip box shared too
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    GLWidget *main = mainView(window);
    GLWidget *viewer = frustumViewer(window);
    QVERIFY(main && viewer);

    QVERIFY(viewer->bDrawExtents);
    QVERIFY(viewer->bDrawFrustum);
    QVERIFY(!main->bDrawExtents && !main->bDrawFrustum);
    QVERIFY(viewer->boxPlanes && !viewer->boxCorners);
    QVERIFY(main->boxPlanes && main->boxCorners);
    QCOMPARE(viewer->ptsDs1, main->ptsDs1);
    QCOMPARE(viewer->ptsDs2, main->ptsDs2);
    QCOMPARE(viewer->nDs2, main->nDs2);
    QVERIFY(main->nDs2 > 0 && main->statsDs1.count > 0);
    QCOMPARE(viewer->statsDs1.zMax, main->statsDs1.zMax);

    // Each frame of the main view hands its new frustum to the viewer.
    main->updateGL();
    QVERIFY(main->frustum);
    QCOMPARE(viewer->frustum, main->frustum);
    QCOMPARE(viewer->clipPoints, main->clipPoints);
    QCOMPARE(viewer->nClipPoints, main->nClipPoints);
    QCOMPARE(viewer->clipBox, main->clipBox);
}

void TestDisplay::closingTheDataViewerLeavesTheViewerWorking()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    GLWidget *viewer = frustumViewer(window);
    mainView(window)->updateGL();
    const std::shared_ptr<const FrustumPlanes> lastFrustum = viewer->frustum;
    QVERIFY(lastFrustum);

    subWindowOf(mainView(window))->close();
    flushDeletes();

    QCOMPARE(subWindowTitles(window), QStringList{"Frustum Viewer"});
    QVERIFY(!form->actionOpenGL_Version->isEnabled());
    // The viewer keeps the last frustum it got, and still follows the controls.
    QCOMPARE(viewer->frustum, lastFrustum);
    form->hSlide_PointSize->setValue(form->hSlide_PointSize->value() + 1);
    QCOMPARE(viewer->iPointSize, form->hSlide_PointSize->value());
    viewer->updateGL();
    // Without the main view the viewer cannot be opened again...
    form->actionDisplay_Frustum_Viewer->setChecked(false);
    QApplication::processEvents();
    flushDeletes();
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    QVERIFY(subWindowTitles(window).isEmpty());
    // ...until the next "Reset Display".
    resetDisplay(window);
    QCOMPARE(subWindowTitles(window), QStringList{"Data Viewer"});
    QVERIFY(form->actionOpenGL_Version->isEnabled());
}

void TestDisplay::closingTheViewerUnchecksItsAction()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    subWindowOf(frustumViewer(window))->close();
    flushDeletes();

    QVERIFY(!form->actionDisplay_Frustum_Viewer->isChecked());
    QCOMPARE(subWindowTitles(window), QStringList{"Data Viewer"});
    // The main view's frames no longer reach a viewer that is gone.
    mainView(window)->updateGL();
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    QCOMPARE(subWindowTitles(window).size(), 2);
}

void TestDisplay::resetShowsBusyUntilTheFirstFrame()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    for (int reset = 0; reset < 2; ++reset) {
        FirstFrameWatch watch(window.form()->progressBar);
        qApp->installEventFilter(&watch);
        QTest::mouseClick(window.form()->cmdDisplay, Qt::LeftButton);
        qApp->removeEventFilter(&watch);

        QVERIFY2(watch.painted, "the first frame was not drawn within Reset Display");
        QCOMPARE(watch.cursor, Qt::WaitCursor);
        QVERIFY(watch.progress > 0 && watch.progress < 100);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(window.form()->progressBar->value(), 100);
    }
}

// Every Reset Display shows the new view's first frame without the user
// touching it.
void TestDisplay::secondResetDrawsWithoutInput()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    verifyDrawn(shownPixels(mainView(window)), QColor(65, 65, 65));
    for (int i = 0; i < 2; ++i) {
        resetDisplay(window);
        verifyDrawn(shownPixels(mainView(window)), QColor(65, 65, 65));
    }
}

void TestDisplay::newViewerDrawsWithoutInput()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    resetDisplay(window);
    window.form()->actionDisplay_Frustum_Viewer->setChecked(true);
    GLWidget *viewer = frustumViewer(window);
    QVERIFY(viewer);
    verifyDrawn(shownPixels(viewer), QColor(65, 65, 65));
}

void TestDisplay::closingTheViewerFromTheMenuGivesTheAreaBack()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    QMdiSubWindow *main = subWindowOf(mainView(window));
    const QSize alone = main->size();
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    QVERIFY(main->width() < alone.width() * 3 / 4);

    form->actionDisplay_Frustum_Viewer->setChecked(false);
    flushDeletes();
    QApplication::processEvents();
    QCOMPARE(subWindowTitles(window), QStringList{"Data Viewer"});
    QCOMPARE(main->size(), alone);
}

void TestDisplay::resetKeepsTheButtonsColours()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    resetDisplay(window);
    QtColorPicker *ds1 = picker(form->ds1_Vlayout);
    QtColorPicker *ds2 = picker(form->ds2_Vlayout);
    QtColorPicker *tin = picker(form->ds1CX_Vlayout);
    QVERIFY(ds1 && ds2 && tin);
    ds1->setCurrentColor(Qt::yellow);
    ds2->setCurrentColor(Qt::magenta);
    tin->setCurrentColor(Qt::white);

    resetDisplay(window);
    GLWidget *view = mainView(window);
    QCOMPARE(view->colorDs1, QColor(Qt::yellow));
    QCOMPARE(view->colorDs2, QColor(Qt::magenta));
    QCOMPARE(view->colorTris, QColor(Qt::white));
    form->actionDisplay_Frustum_Viewer->setChecked(true);
    QCOMPARE(frustumViewer(window)->colorDs1, QColor(Qt::yellow));
    QCOMPARE(frustumViewer(window)->colorTris, QColor(Qt::white));
}

void TestDisplay::fitViewFramesTheDataAgain()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    Ui::MainWindowClass *form = window.form();
    QVERIFY(!form->actionFit_View->isEnabled());
    resetDisplay(window);
    QVERIFY(form->actionFit_View->isEnabled());
    QCOMPARE(form->actionFit_View->shortcut(), QKeySequence(Qt::Key_Home));
    GLWidget *view = mainView(window);
    GLC_Camera *camera = view->viewport.cameraHandle();
    const GLC_Vector3d eye = camera->eye();
    const GLC_Vector3d target = camera->target();
    // Moved off and back out, looking the same way.
    camera->translate(GLC_Vector3d(40.0, -30.0, 2.0));
    camera->zoom(0.1);

    form->actionFit_View->trigger();
    QVERIFY((camera->target() - target).length() < 1e-9);
    QVERIFY((camera->eye() - eye).length() < 1e-9 * (eye - target).length());
    QCOMPARE(mainView(window), view);  // not rebuilt
}

// When the window system shows the view late (here: the window is hidden
// while the view is built), the busy state lasts until its first frame.
void TestDisplay::resetStaysBusyUntilTheViewHasDrawn()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    QSignalSpy ready(&window, &MainWindow::displayReady);
    window.hide();
    window.form()->cmdDisplay->click();
    GLWidget *view = mainView(window);
    QVERIFY(view);
    QCOMPARE(view->framesPresented(), 0);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(window.form()->progressBar->value() < 100);
    QCOMPARE(ready.count(), 0);

    window.show();
    QVERIFY(ready.count() > 0 || ready.wait(30000));
    QVERIFY(view->framesPresented() > 0);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(window.form()->progressBar->value(), 100);
}

QTEST_MAIN(TestDisplay)
#include "test_display.moc"

// Building the 3D views from the run's data and wiring the display controls
// to them.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/busyfeedback.h"

#include "engine/run/conversion.h"
#include "engine/network/networkvalidation.h"
#include "view/displaysetup.h"
#include "view/glwidget.h"
#include "widgets/colorpicker/qtcolorpicker.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <optional>

using namespace veltrane;

namespace {

// Side of a newly opened view sub-window before the area is tiled, pixels.
constexpr int kSubWindowSide = 400;

// Progress shown while "Reset Display" builds the views, percent, after
// kProgressStart.
constexpr int kProgressViewBuilt = 40;
constexpr int kProgressSubWindowShown = 70;

// How long "Reset Display" stays busy waiting for the view's first frame, ms.
constexpr int kFirstFrameTimeoutMs = 60000;

// The progress bar at `percent`, drawn at once: the work around it does not
// return to the event loop.
void showProgress(QProgressBar *bar, int percent)
{
    bar->setValue(percent);
    bar->repaint();
}

// A view shown in a sub-window that was then resized or tiled among others
// may keep the frame of its first size on screen (a corner of it on a grey
// window) although it painted at the new one: it draws once more when the
// event loop next turns, after the window system has the final size.
void presentAgainLater(GLWidget *view)
{
    if (view)
        QTimer::singleShot(0, view, [view]() { view->update(); });
}

// A view opened into an area that is then tiled can present its first frame
// at the size its window had before the window system settled it: it draws
// once more after that first frame.
void presentAgainAfterFirstFrame(GLWidget *view)
{
    if (!view)
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(view, &GLWidget::framePresented, view, [view, connection]() {
        QObject::disconnect(*connection);
        presentAgainLater(view);
    });
}

// The background every new main view starts from.
QColor darkerGray()
{
    return QColor(65, 65, 65, 255);
}

// One control-to-view connection of the display docks.
struct ControlLink {
    QObject *sender;
    const char *signal;
    const char *slot;
    bool toFrustumViewer;  // the viewer always draws everything: no mode link
};

// A control's text as a number; nothing when it is not one (the view then
// keeps its own value).
std::optional<int32_t> numberIn(const QString &text)
{
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return parsed;
}

}  // namespace

void MainWindow::createColorPickers()
{
    cpDs1 = new QtColorPicker(this, -1, true);
    cpDs2 = new QtColorPicker(this, -1, true);
    cpTris = new QtColorPicker(this, -1, true);
    cpBckgrnd = new QtColorPicker(this, -1, true);

    const struct {
        QtColorPicker *picker;
        QLayout *layout;
    } placements[] = {
        {cpDs1, ui->ds1_Vlayout}, {cpDs2, ui->ds2_Vlayout}, {cpTris, ui->ds1CX_Vlayout}, {cpBckgrnd, ui->Vlay_bkgrnd}};
    for (const auto &p : placements) {
        p.picker->addStandardColors();
        p.layout->addWidget(p.picker);
    }

    cpDs1->setCurrentColor(Qt::red);
    cpDs2->setCurrentColor(Qt::blue);
    cpTris->setCurrentColor(Qt::green);
}

void MainWindow::on_cmdDisplay_clicked()
{
    // Building the views and drawing their first frame takes seconds on
    // large runs: the cursor and the progress bar show that work goes on
    // until the new view has drawn. An earlier reset still waiting ends here.
    delete displayBusy;
    displayBusy = nullptr;
    const BusyCursor building(Qt::WaitCursor);
    showProgress(ui->progressBar, kProgressStart);

    if (bFirstDisplay) {
        ui->frmDS1->setEnabled(true);
        ui->frmDS2->setEnabled(true);
        ui->frmSize->setEnabled(true);
        ui->frmTriStep->setEnabled(true);
        ui->pbCapture->setEnabled(true);
        ui->actionLighting_Controls->setEnabled(true);
        ui->dwLight->setEnabled(true);
        ui->actionDisplay_Frustum_Viewer->setEnabled(true);
        ui->actionFit_View->setEnabled(true);
    } else {
        // These windows are closed on purpose: their close handlers would
        // disable what the new display is about to use.
        if (bSWMainOpen)
            disconnect(swMain, SIGNAL(destroyed()), this, SLOT(sWMainClosed()));
        if (bSW1Open)
            disconnect(sw1, SIGNAL(destroyed()), this, SLOT(sW1Closed()));
        ui->actionDisplay_Frustum_Viewer->setChecked(false);
        mdiArea->closeAllSubWindows();
        bSW1Open = false;
        bSWMainOpen = false;
        // Both views go with their sub-windows; setupMainGLWidget() replaces
        // the main one at once.
        glFrustum = nullptr;
        sw1 = nullptr;
        glMain = nullptr;
        swMain = nullptr;
    }

    setupMainGLWidget();
    showProgress(ui->progressBar, kProgressViewBuilt);
    ui->actionOpenGL_Version->setEnabled(true);
    createSubWindows();
    bFirstDisplay = false;
    showProgress(ui->progressBar, kProgressSubWindowShown);

    // The first frame is usually drawn here, under the busy cursor; when the
    // window system shows the view later, the busy state lasts until then.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    presentAgainLater(glMain);
    const QPointer<GLWidget> view = glMain;
    displayBusy = new BusyUntil([view] { return !view || view->framesPresented() > 0; }, kFirstFrameTimeoutMs, this);
    connect(displayBusy, &BusyUntil::ended, this, [this] {
        showProgress(ui->progressBar, kProgressDone);
        displayBusy->deleteLater();
        displayBusy = nullptr;
        emit displayReady();
    });
    displayBusy->start();
}

void MainWindow::on_actionDisplay_Frustum_Viewer_changed()
{
    if (bFirstDisplay)
        return;

    if (ui->actionDisplay_Frustum_Viewer->isChecked() && bSWMainOpen && !bSW1Open) {
        createLocationSubWindow();
        sw1 = mdiArea->addSubWindow(glFrustum, Qt::WindowFlags());
        sw1->setAttribute(Qt::WA_DeleteOnClose);
        sw1->resize(kSubWindowSide, kSubWindowSide);
        sw1->setWindowTitle(tr("Frustum Viewer"));
        bSW1Open = true;
        sw1->show();
        connect(sw1, SIGNAL(destroyed()), this, SLOT(sW1Closed()));
        mdiArea->update();
        mdiArea->tileSubWindows();
        presentAgainLater(glFrustum);
        presentAgainAfterFirstFrame(glFrustum);
        presentAgainLater(glMain);
    } else if (bSW1Open) {
        // Any other change, even re-enabling the checked action, closes the
        // viewer.
        sw1->close();
        bSW1Open = false;
    }
}

void MainWindow::on_actionFit_View_triggered()
{
    if (glMain)
        glMain->fitView();
}

void MainWindow::createSubWindows()
{
    layDisplay = ui->testOpenglGroup->layout();
    if (!layDisplay)
        layDisplay = new QVBoxLayout(ui->testOpenglGroup);

    if (bFirstDisplay) {
        mdiArea = new QMdiArea;
        layDisplay->addWidget(mdiArea);
    }

    swMain = mdiArea->addSubWindow(glMain, Qt::WindowFlags());
    swMain->setAttribute(Qt::WA_DeleteOnClose);
    swMain->resize(kSubWindowSide, kSubWindowSide);
    swMain->setWindowTitle(tr("Data Viewer"));
    swMain->setCursor(Qt::CrossCursor);
    swMain->show();

    connect(swMain, SIGNAL(destroyed()), this, SLOT(sWMainClosed()));
    bSWMainOpen = true;

    mdiArea->tileSubWindows();
}

namespace {

// The controls of the "Display Controls" and "Light Control" docks and the
// view slot each one drives, in the order they are connected.
std::vector<ControlLink> displayControlLinks(Ui::MainWindowClass *ui, QtColorPicker *cpDs1, QtColorPicker *cpDs2,
                                             QtColorPicker *cpTris, QtColorPicker *cpBckgrnd)
{
    return {
        {cpDs1, SIGNAL(colorChanged(const QColor &)), SLOT(updateColor_ds1(const QColor &)), true},
        {cpDs2, SIGNAL(colorChanged(const QColor &)), SLOT(updateColor_ds2(const QColor &)), true},
        {cpTris, SIGNAL(colorChanged(const QColor &)), SLOT(updateColor_Tris(const QColor &)), true},
        {cpBckgrnd, SIGNAL(colorChanged(const QColor &)), SLOT(updateColor_bckgrnd(const QColor &)), true},
        {ui->hSlide_PointSize, SIGNAL(valueChanged(int)), SLOT(updatePointSize(int)), true},
        {ui->hSlide_LineWidth, SIGNAL(valueChanged(int)), SLOT(updateLineWidth(int)), true},
        {ui->cboStepSize, SIGNAL(currentIndexChanged(QString)), SLOT(updateTriStepSize(QString)), true},
        {ui->cbo_FontSize, SIGNAL(currentIndexChanged(QString)), SLOT(updateFontSize(QString)), true},
        {ui->cbDrawBaseMap, SIGNAL(stateChanged(int)), SLOT(updateDrawBaseMap(int)), true},
        {ui->cbAxis, SIGNAL(stateChanged(int)), SLOT(updateDrawAxis(int)), true},
        {ui->cbDrawTris, SIGNAL(stateChanged(int)), SLOT(updateDrawTris(int)), true},
        {ui->cbShowResiduals, SIGNAL(stateChanged(int)), SLOT(updateDrawResiduals(int)), true},
        {ui->cbDraw_ds1, SIGNAL(stateChanged(int)), SLOT(updateDraw_ds1(int)), true},
        {ui->cbDraw_ds2, SIGNAL(stateChanged(int)), SLOT(updateDraw_ds2(int)), true},
        {ui->cb_ds1, SIGNAL(stateChanged(int)), SLOT(updateDrawLabels_ds1(int)), true},
        {ui->cb_ds2, SIGNAL(stateChanged(int)), SLOT(updateDrawLabels_ds2(int)), true},
        {ui->cboOptDisplay, SIGNAL(currentIndexChanged(int)), SLOT(updateOptDisplayMode(int)), false},
        {ui->dblSB_lightX, SIGNAL(valueChanged(double)), SLOT(updateLightX(double)), true},
        {ui->dblSB_lightY, SIGNAL(valueChanged(double)), SLOT(updateLightY(double)), true},
        {ui->dblSB_lightZ, SIGNAL(valueChanged(double)), SLOT(updateLightZ(double)), true},
    };
}

// The display controls' current values, the colour buttons' included, as a
// new view starts from them.
ViewControlValues controlValues(Ui::MainWindowClass *ui, const QtColorPicker *cpDs1, const QtColorPicker *cpDs2,
                                const QtColorPicker *cpTris)
{
    ViewControlValues values;
    values.colorDs1 = cpDs1->currentColor();
    values.colorDs2 = cpDs2->currentColor();
    values.colorTris = cpTris->currentColor();
    values.vectorMult = numberIn(ui->cboStepSize->currentText());
    values.fontSize = numberIn(ui->cbo_FontSize->currentText());
    values.drawBaseMap = ui->cbDrawBaseMap->isChecked();
    values.drawDs1 = ui->cbDraw_ds1->isChecked();
    values.drawLabelsDs1 = ui->cb_ds1->isChecked();
    values.drawDs2 = ui->cbDraw_ds2->isChecked();
    values.drawLabelsDs2 = ui->cb_ds2->isChecked();
    values.drawTris = ui->cbDrawTris->isChecked();
    values.drawAxis = ui->cbAxis->isChecked();
    values.drawResiduals = ui->cbShowResiduals->isChecked();
    return values;
}

}  // namespace

void MainWindow::setupMainGLWidget()
{
    glMain = new GLWidget(this);

    const ViewControlValues controls = controlValues(ui, cpDs1, cpDs2, cpTris);
    loadRunIntoView(*glMain, runData(), dScaleZ, ViewRole::Main, &controls);

    for (const ControlLink &link : displayControlLinks(ui, cpDs1, cpDs2, cpTris, cpBckgrnd))
        connect(link.sender, link.signal, glMain, link.slot);

    glMain->computeFrustum();

    // Re-adding the colour on later displays is harmless: the picker keeps
    // one current colour whatever its list holds.
    cpBckgrnd->addColor(darkerGray(), tr("Darker Gray"), -1);
    cpBckgrnd->setCurrentColor(darkerGray());
    glMain->colorBckgrnd = darkerGray();
    glMain->updateColor_bckgrnd(darkerGray());
}

void MainWindow::createLocationSubWindow()
{
    glFrustum = new GLWidget(this);

    const ViewControlValues controls = controlValues(ui, cpDs1, cpDs2, cpTris);
    loadRunIntoView(*glFrustum, runData(), dScaleZ, ViewRole::FrustumViewer, &controls);

    for (const ControlLink &link : displayControlLinks(ui, cpDs1, cpDs2, cpTris, cpBckgrnd)) {
        if (link.toFrustumViewer)
            connect(link.sender, link.signal, glFrustum, link.slot);
    }
    connect(glMain, SIGNAL(frustumUpdated()), this, SLOT(updateFrustum()));
    bSW1Open = true;

    updateFrustum();

    const QColor background = cpBckgrnd->currentColor();
    glFrustum->colorBckgrnd = background;
    glFrustum->updateColor_bckgrnd(background);
    glFrustum->updatePointSize(ui->hSlide_PointSize->value());
    glFrustum->updateLineWidth(ui->hSlide_LineWidth->value());
}

RunData MainWindow::runData() const
{
    RunData run{control, controlExtent, points, pointsExtent, triangles, uint32_t(triangles->size()), nullptr};
    if (lastValidation)
        run.residuals = std::shared_ptr<const std::vector<ControlResidual>>(lastValidation, &lastValidation->residuals);
    return run;
}

void MainWindow::updateFrustum()
{
    if (!bSW1Open || !glMain || !glFrustum)
        return;

    // Shared, so the viewer keeps drawing these after the main view has
    // replaced them or is gone.
    glFrustum->frustum = glMain->frustum;
    glFrustum->clipPoints = glMain->clipPoints;
    glFrustum->nClipPoints = glMain->nClipPoints;
    if (glMain->runsClipper())
        glFrustum->clipBox = glMain->clipBox;
}

// Construction and destruction of the main window, status reporting, and the
// slots that keep the dock windows and their "Controls" menu actions in step.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/busyfeedback.h"
#include "app/conversionjob.h"
#include "app/crsfield.h"
#include "app/windowplacement.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMdiArea>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>

using namespace veltrane;

namespace {
// Style sheet the window gives the four main docks after the form is built.
const char *const kDockStyleSheet = "* { border-width:  2px }";

// Gives a read-only text pane with the focus the select-all key, which a
// window shortcut on the same key would otherwise take.
class SelectAllKey : public QObject {
public:
    explicit SelectAllKey(QTextEdit *pane) : QObject(pane), pane(pane) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->matches(QKeySequence::SelectAll))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // the key reaches the pane as a key press
            return true;
        }
        pane->selectAll();
        return true;
    }

private:
    QTextEdit *pane;
};

}  // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindowClass), strLastPath(QDir::currentPath()),
      points(std::make_shared<const std::vector<PointRecord>>()),
      control(std::make_shared<const std::vector<PointRecord>>()),
      triangles(std::make_shared<const std::vector<Triangle>>())
{
    ui->setupUi(this);
    // The form's cursor property lands on the browser's frame; the text
    // itself is shown by the viewport.
    ui->txtOutput->viewport()->setCursor(Qt::IBeamCursor);
    ui->txtOutput->installEventFilter(new SelectAllKey(ui->txtOutput));

    createColorPickers();
    setUpCrsField(ui->cboCrs);

    ui->dW_SCapt->hide();

    // The run's lines and progress arrive queued, in the order it gave them.
    conversion = new ConversionJob(this);
    connect(conversion, &ConversionJob::statusLine, this, &MainWindow::StatusUpdate);
    connect(conversion, &ConversionJob::progressChanged, ui->progressBar, &QProgressBar::setValue);
    connect(conversion, &ConversionJob::finished, this, &MainWindow::conversionEnded);
    ui->cmdCancel->hide();

    const QString dockStyle = QString::fromLatin1(kDockStyleSheet);
    ui->dockWidget_Display->setStyleSheet(dockStyle);
    ui->dockWidget_Input->setStyleSheet(dockStyle);
    ui->dW_Output->setStyleSheet(dockStyle);
    ui->dW_SCapt->setStyleSheet(dockStyle);

    fitToScreen();
}

QRect MainWindow::availableScreenArea() const
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size());
}

// The designed size is kept where it fits; on a smaller screen the window
// opens maximised, over the available area, rather than beyond its edges.
void MainWindow::fitToScreen()
{
    const QRect available = availableScreenArea();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    if (designedSizeFits(size(), available, titleBar))
        return;
    // The model display gives up as much of its minimum size as the docks
    // leave no room for.
    const QSize room(available.width(), available.height() - titleBar);
    const QSize excess = (minimumSizeHint() - room).expandedTo(QSize(0, 0));
    QWidget *display = ui->testOpenglGroup;
    display->setMinimumSize((display->minimumSize() - excess).expandedTo(QSize(0, 0)));
    // The window's minimum comes from its layout's cached sizes: recompute
    // them now, before the window is sized, not at the next event.
    centralWidget()->layout()->activate();
    centralWidget()->updateGeometry();
    layout()->invalidate();
    layout()->activate();
    resize(room);
    move(available.topLeft());
    setWindowState(windowState() | Qt::WindowMaximized);
}

MainWindow::~MainWindow()
{
    // A run still going is cancelled and waited for; nothing it leaves
    // reaches the form any more.
    delete conversion;
    conversion = nullptr;
    if (!bFirstDisplay) {
        mdiArea->closeAllSubWindows();
        mdiArea->close();
    }

    delete ui;
    ui = nullptr;
}

void MainWindow::StatusUpdate(QString strTxt, int pbVal)
{
    ui->txtOutput->append(strTxt);
    ui->txtOutput->update();
    // Out of the bar's range 0..100 the value is ignored and the bar keeps
    // the previous one.
    ui->progressBar->setValue(pbVal);
    ui->progressBar->update();
}

void MainWindow::showMessages(const QStringList &lines)
{
    for (const QString &line : lines)
        StatusUpdate(line, ui->progressBar->value());
}

void MainWindow::printStats(QString, Extent, QString, int) {}

// The views go with their sub-windows: forget them so nothing reaches a
// destroyed view.
void MainWindow::sWMainClosed()
{
    bSWMainOpen = false;
    glMain = nullptr;
    swMain = nullptr;
    // The OpenGL information needs a live main view.
    ui->actionOpenGL_Version->setEnabled(false);
}

void MainWindow::sW1Closed()
{
    bSW1Open = false;
    glFrustum = nullptr;
    sw1 = nullptr;
    ui->actionDisplay_Frustum_Viewer->setChecked(false);
    // The views left fill the area again once the closed one is gone.
    if (mdiArea)
        QMetaObject::invokeMethod(mdiArea, &QMdiArea::tileSubWindows, Qt::QueuedConnection);
}

// Each dock reports its visibility to its action, and each action shows or
// hides its dock. Setting a state that is already in place emits nothing, so
// the two directions do not feed each other.

void MainWindow::on_dwLight_visibilityChanged(bool visible)
{
    ui->actionLighting_Controls->setChecked(visible);
}

void MainWindow::on_actionLighting_Controls_changed()
{
    ui->dwLight->setVisible(ui->actionLighting_Controls->isChecked());
}

void MainWindow::on_dW_SCapt_visibilityChanged(bool visible)
{
    ui->actionScreenCapture->setChecked(visible);
}

void MainWindow::on_actionScreenCapture_changed()
{
    const bool show = ui->actionScreenCapture->isChecked();
    if (show && !bCaptureDockPlaced)
        placeCaptureDock();
    ui->dW_SCapt->setVisible(show);
}

// A floating dock that was never shown would open at the screen's corner,
// over the menu bar: the first time, it goes into the left dock area below
// "Input Parameters", inside the screen.
void MainWindow::placeCaptureDock()
{
    QDockWidget *dock = ui->dW_SCapt;
    if (!dock->isFloating())
        return;
    const QRect inputDock(ui->dockWidget_Input->mapToGlobal(QPoint(0, 0)), ui->dockWidget_Input->size());
    const QSize withTitle = dock->size() + QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    dock->move(floatingDockPosition(inputDock, withTitle, availableScreenArea()));
    bCaptureDockPlaced = true;
}

void MainWindow::on_dW_Output_visibilityChanged(bool visible)
{
    ui->actionOutputInfoWindow->setChecked(visible);
}

void MainWindow::on_actionOutputInfoWindow_changed()
{
    ui->dW_Output->setVisible(ui->actionOutputInfoWindow->isChecked());
}

void MainWindow::on_dockWidget_Display_visibilityChanged(bool visible)
{
    ui->actionDisplay->setChecked(visible);
}

void MainWindow::on_actionDisplay_changed()
{
    ui->dockWidget_Display->setVisible(ui->actionDisplay->isChecked());
}

void MainWindow::on_dockWidget_Input_visibilityChanged(bool visible)
{
    ui->actionInput->setChecked(visible);
}

void MainWindow::on_actionInput_changed()
{
    const bool show = ui->actionInput->isChecked();
    ui->dockWidget_Input->setVisible(show);
    // "Output Information" sits inside this dock and went hidden with it;
    // showing the dock shows it again, unless it has been floated out.
    if (show && !ui->dW_Output->isFloating())
        ui->actionOutputInfoWindow->setChecked(true);
}

void MainWindow::on_action_ShowHideAll_changed()
{
    // The light dock is left alone: it belongs to the display.
    const bool show = ui->action_ShowHideAll->isChecked();
    ui->actionOutputInfoWindow->setChecked(show);
    ui->actionScreenCapture->setChecked(show);
    ui->actionDisplay->setChecked(show);
    ui->actionInput->setChecked(show);
}

void MainWindow::on_actionExit_triggered()
{
    if (!bFirstDisplay)
        mdiArea->closeAllSubWindows();
    QApplication::quit();
}

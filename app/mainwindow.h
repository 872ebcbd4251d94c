#pragma once
// The main window: owner of the form, of the data of the last conversion run
// and of the 3D views once they exist. Every user action is one of its slots;
// the slots are spread over several source files by concern:
//   mainwindow.cpp          construction, status reporting, dock/action sync
//   mainwindow_files.cpp    input file selection, drag and drop, output name
//   mainwindow_convert.cpp  the conversion run
//   mainwindow_capture.cpp  screen capture
//   mainwindow_dialogs.cpp  About and OpenGL boxes, full-screen keys
//   mainwindow_display.cpp  building the views and wiring the controls
//   mainwindow_report.cpp   the record of the last run, its check in the view

#include "engine/run/runoptions.h"
#include "engine/types/pointrecord.h"

#include <QMainWindow>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class GLWidget;
class QtColorPicker;
namespace veltrane {
struct ConversionRecord;
struct NetworkValidation;
struct RunData;
class BusyCursor;
class BusyUntil;
class ConversionJob;
}  // namespace veltrane
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QLayout;
class QMdiArea;
class QMdiSubWindow;
class QMouseEvent;

namespace Ui {
class MainWindowClass;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The form, for code and tests that drive the window from outside.
    Ui::MainWindowClass *form() const { return ui; }
    // Path chosen for the converted points by the last createFileNames().
    QString outputFilePath() const { return strOutFile; }
    // Whether createFileNames() could create (or empty) that file.
    bool outputFileCreated() const { return bOutFileCreated; }
    // Start location of the next browse dialog.
    QString lastBrowsePath() const { return strLastPath; }
    // Puts `path` into "Points", as the browse button does.
    void setPointsFile(const QString &path);
    // Appends `lines` to "Output Information"; the progress bar keeps its value.
    void showMessages(const QStringList &lines);
    // Whether a run started by "Convert!" is still going.
    bool conversionRunning() const;
    // Writes the record of the last completed run to `path` as a PDF; false,
    // with the reason in "Output Information", when there is none or it
    // could not be written.
    bool saveReport(const QString &path);

signals:
    // A run started by "Convert!" has ended and its results are in place
    // (also after the message about an empty "Points" box).
    void conversionFinished();
    // "Reset Display" has ended its busy state: the new view has drawn its
    // first frame (or did not within the time allowed).
    void displayReady();

protected:
    // Closing during a run cancels it and waits for it.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void sWMainClosed();
    void sW1Closed();
    void on_dwLight_visibilityChanged(bool visible);
    void on_actionLighting_Controls_changed();
    void on_actionOpenGL_Version_triggered();
    void on_tbBrowseSCapt_clicked();
    void on_action_ShowHideAll_changed();
    void on_pbCapture_clicked();
    void on_dW_SCapt_visibilityChanged(bool visible);
    void on_dW_Output_visibilityChanged(bool visible);
    void on_actionScreenCapture_changed();
    void on_actionOutputInfoWindow_changed();
    void on_dockWidget_Display_visibilityChanged(bool visible);
    void on_dockWidget_Input_visibilityChanged(bool visible);
    void on_actionDisplay_changed();
    void on_actionInput_changed();
    void on_tbBrowse_2_clicked();
    void on_cmdDisplay_clicked();
    void on_actionExit_triggered();
    void on_actionAbout_Morvek_triggered();
    void on_actionDisplay_Frustum_Viewer_changed();
    void on_actionFit_View_triggered();
    void on_actionSaveReport_triggered();
    void on_actionCentreWorstResidual_triggered();
    void on_cmdMorvek_clicked();
    void on_cmdCancel_clicked();
    void conversionEnded();
    void on_tbBrowse_clicked();
    void on_actionOpen_triggered();
    void createFileNames(QString strInFile);
    void StatusUpdate(QString strTxt, int pbVal);
    void keyPressEvent(QKeyEvent *pKeyEvent) override;
    void dropEvent(QDropEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void createSubWindows();
    void createLocationSubWindow();
    void setupMainGLWidget();
    void updateFrustum();

private:
    void printStats(QString strTitle, Extent stats, QString strUnits, int iPrecision);
    void createColorPickers();
    QRect availableScreenArea() const;
    void fitToScreen();
    void placeCaptureDock();
    // Takes the finished run's results and reports what it wrote.
    void takeConversionResult();
    veltrane::RunOptions runOptionsFromForm();
    // The last run's arrays and extents, as a view takes them.
    veltrane::RunData runData() const;

    Ui::MainWindowClass *ui = nullptr;
    QString strOutFile;
    GLWidget *glMain = nullptr;
    GLWidget *glFrustum = nullptr;
    QMdiSubWindow *swMain = nullptr;
    QMdiSubWindow *sw1 = nullptr;
    QMdiArea *mdiArea = nullptr;
    QtColorPicker *cpDs1 = nullptr;
    QtColorPicker *cpDs2 = nullptr;
    QtColorPicker *cpTris = nullptr;
    QtColorPicker *cpBckgrnd = nullptr;
    Extent controlExtent;
    bool bFirstDisplay = true;
    int32_t iMode = 1;
    QString strLastPath;
    bool bSW1Open = false;
    bool bSWMainOpen = false;
    QLayout *layDisplay = nullptr;
    // The run arrays are shared with the views built on them, so a new run can
    // replace them while an older view still draws the previous ones.
    std::shared_ptr<const std::vector<PointRecord>> points;
    Extent pointsExtent;
    std::shared_ptr<const std::vector<PointRecord>> control;
    std::shared_ptr<const std::vector<Triangle>> triangles;
    uint32_t nTinVerts = 0;
    double dScaleZ = 0.0000001;
    // Set by createFileNames(): false when the output file could not be
    // created, so the run can report it instead of writing nowhere.
    bool bOutFileCreated = false;
    // Whether "Screen Capture Options" has been placed for its first show.
    bool bCaptureDockPlaced = false;
    // The run of "Convert!" on its own thread, and its busy cursor.
    veltrane::ConversionJob *conversion = nullptr;
    std::unique_ptr<veltrane::BusyCursor> conversionBusy;
    // "Reset Display" busy until the new view has drawn.
    veltrane::BusyUntil *displayBusy = nullptr;
    // The last completed run's record and its network's check (the check
    // also of a run whose outputs failed); null when there is none.
    std::shared_ptr<const veltrane::ConversionRecord> lastRecord;
    std::shared_ptr<const veltrane::NetworkValidation> lastValidation;
};

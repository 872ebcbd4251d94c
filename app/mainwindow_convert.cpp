// The conversion run started by "Convert!": reads the form, runs the
// conversion on its own thread, takes its results for the display when it
// ends and reports through the output pane.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/busyfeedback.h"
#include "app/conversionjob.h"
#include "app/crsfield.h"
#include "app/inputfiles.h"
#include "app/runreport.h"
#include "engine/run/conversion.h"
#include "engine/formats/gisfile.h"
#include "engine/network/networkvalidation.h"
#include "engine/run/conversionrun.h"

#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>

using namespace veltrane;

namespace {

// The mode number of a combo-box item such as "2 = Generate": its first
// character as a decimal digit, 0 when it is none.
int leadingModeNumber(const QString &itemText)
{
    if (itemText.isEmpty() || !itemText.at(0).isDigit())
        return 0;
    return itemText.at(0).digitValue();
}

}  // namespace

// The run the form asks for: the one place that reads the form's settings.
RunOptions MainWindow::runOptionsFromForm()
{
    iMode = leadingModeNumber(ui->cboMode->currentText());
    ConversionSettings settings;
    settings.direction = directionFromMode(iMode);
    settings.tinSource = tinSourceFromMode(leadingModeNumber(ui->cboMode_Tri->currentText()));
    settings.forceNegative = ui->cbForceNeg->isChecked();
    RunOptions options =
        folderRunOptions(settings, ui->cboInFile->currentText(), ui->cboInFile_2->currentText(), QDir::currentPath());
    // GIS files name their own system.
    if (!isGisFileName(options.input))
        options.crs = crsDefinitionOf(ui->cboCrs->currentText());
    rememberCrsField(ui->cboCrs);
    return options;
}

bool MainWindow::conversionRunning() const
{
    return conversion->isRunning();
}

void MainWindow::on_cmdMorvek_clicked()
{
    if (conversion->isRunning())
        return;
    const RunOptions options = runOptionsFromForm();
    if (options.input.isEmpty()) {
        // Nothing to read: the run only says it begins, and the box asks for a file.
        SinkReporter reporter([this](const QString &text, int percent) { StatusUpdate(text, percent); });
        executeRun(options, reporter);
        QMessageBox::information(nullptr, tr("VELTRANE GUI"), tr("Please choose a valid Point File. (*.txt, *.csv) "),
                                 QMessageBox::Ok, QMessageBox::NoButton);
        ui->cmdDisplay->setEnabled(true);
        emit conversionFinished();
        return;
    }

    conversionBusy = std::make_unique<BusyCursor>(Qt::BusyCursor);
    ui->cmdMorvek->setEnabled(false);
    ui->cmdCancel->setEnabled(true);
    ui->cmdCancel->show();
    conversion->start(options);
}

void MainWindow::on_cmdCancel_clicked()
{
    conversion->cancel();
    ui->cmdCancel->setEnabled(false);
}

void MainWindow::conversionEnded()
{
    takeConversionResult();
    conversionBusy.reset();
    ui->cmdCancel->hide();
    ui->cmdMorvek->setEnabled(true);
    ui->cmdDisplay->setEnabled(true);
    emit conversionFinished();
}

void MainWindow::takeConversionResult()
{
    const RunResult &result = conversion->result();
    // A cancelled run wrote nothing: the earlier files, and the sets shown
    // from them, stay as they were.
    if (result.outcome == RunOutcome::Cancelled)
        return;

    // The previous run's sets are released here; views built on them keep
    // their own references until they are rebuilt.
    control = result.control;
    points = result.points;
    triangles = result.triangles;
    controlExtent = result.controlExtent;
    pointsExtent = result.pointsExtent;
    nTinVerts = result.nTinVerts;
    strOutFile = result.written.value(0);
    lastRecord = result.record;
    lastValidation = result.validation;
    ui->actionSaveReport->setEnabled(lastRecord != nullptr);
    ui->actionCentreWorstResidual->setEnabled(lastValidation && lastValidation->summary.worstPoint >= 0);

    const RunClosing closing = runClosing(result);
    if (closing.noNetwork)
        ui->progressBar->setValue(0);
    showMessages(closing.lines);
    if (!closing.writtenFile.isEmpty()) {
        // "Output" shows the file written; a name it holds already is picked again.
        const int known = ui->cboInFile_2->findText(closing.writtenFile);
        if (known >= 0)
            ui->cboInFile_2->setCurrentIndex(known);
        else
            appendCurrentItem(ui->cboInFile_2, closing.writtenFile);
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (conversion->isRunning()) {
        conversion->cancel();
        conversion->wait();
    }
    QMainWindow::closeEvent(event);
}

// The conversion run started by "Convert!": reads the form, runs the
// conversion, keeps its results for the display and reports through the
// output pane.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/conversion.h"
#include "engine/networkvalidation.h"

#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <string>

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

void MainWindow::on_cmdMorvek_clicked()
{
    ConversionSettings settings;
    iMode = leadingModeNumber(ui->cboMode->currentText());
    settings.direction = directionFromMode(iMode);
    settings.tinSource = tinSourceFromMode(leadingModeNumber(ui->cboMode_Tri->currentText()));
    settings.forceNegative = ui->cbForceNeg->isChecked();

    // The previous run's sets are released here; views built on them keep
    // their own references until they are rebuilt.
    ptsControl = std::make_shared<const std::vector<PointRecord>>();
    ptsInput = std::make_shared<const std::vector<PointRecord>>();
    tris = std::make_shared<const std::vector<Triangle>>();
    nTinVerts = 0;
    nTris = 0;
    statsControl = STATS();
    statsInput = STATS();

    const ConversionResult result = runConversion(
        settings, ui->cboInFile->currentText(), ui->cboInFile_2->currentText(), QDir::currentPath(),
        [this](const QString &text, int percent) { StatusUpdate(text, percent); },
        [](const std::string &text) {
            // The readers' diagnostics go to standard output, which the window does not show.
            std::fputs(text.c_str(), stdout);
            std::fflush(stdout);
        },
        [this](int percent) {
            // Drawn at once: the run does not return to the event loop.
            if (ui->progressBar->value() != percent) {
                ui->progressBar->setValue(percent);
                ui->progressBar->repaint();
            }
        });

    if (result.outcome == ConversionOutcome::EmptyInputPath) {
        QMessageBox::information(nullptr, tr("VELTRANE GUI"), tr("Please choose a valid Point File. (*.txt, *.csv) "),
                                 QMessageBox::Ok, QMessageBox::NoButton);
    } else {
        ptsControl = result.ptsControl;
        ptsInput = result.ptsInput;
        tris = result.tris;
        statsControl = result.statsControl;
        statsInput = result.statsInput;
        nTinVerts = result.nTinVerts;
        nTris = result.nTris;
        strOutFile = result.outFile;
        // How well the network reproduces its own control points, left out one at a time.
        if (!tris->empty())
            StatusUpdate(validationSummaryLine(validateNetwork(*ptsControl, *tris).summary, *ptsControl),
                         kProgressDone);
    }
    ui->cmdDisplay->setEnabled(true);
}

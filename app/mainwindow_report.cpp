// The record of the last conversion, saved from File / "Save Report...",
// and the network check in the view: the camera put on the worst point.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/run/conversionrecord.h"
#include "engine/network/networkvalidation.h"
#include "engine/run/runoutputs.h"
#include "report/recordpdf.h"
#include "view/glwidget.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

using namespace veltrane;

void MainWindow::on_actionSaveReport_triggered()
{
    if (!lastRecord)
        return;
    const QFileInfo input(lastRecord->input);
    const QString suggested = input.dir().filePath(input.completeBaseName() + QStringLiteral("_record.pdf"));
    QString path = QFileDialog::getSaveFileName(this, tr("Save Report"), suggested, tr("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    saveReport(path);
}

bool MainWindow::saveReport(const QString &path)
{
    if (!lastRecord || !control || !triangles) {
        StatusUpdate(tr("No conversion has completed yet: there is no record to save."), ui->progressBar->value());
        return false;
    }
    // The input's size and digest are taken now, of the file as the run left
    // it, and the shifts' statistics from the points the run kept.
    ConversionRecord record = *lastRecord;
    gatherRecordShifts(record);
    if (!measureInput(record) && record.inputChanged)
        StatusUpdate(tr("%1 has changed since the conversion: the report gives no size or SHA-256 for it.")
                         .arg(QDir::toNativeSeparators(record.input)),
                     ui->progressBar->value());
    // Without a check of the network the record has no map.
    const NetworkValidation noCheck;
    const std::vector<Triangle> noTriangles;
    const RecordInput input{record, *control, lastValidation ? *triangles : noTriangles,
                            lastValidation ? *lastValidation : noCheck};
    QByteArray pdf;
    QString error;
    RunOutputs outputs;
    // The record never replaces a file the run read or wrote.
    outputs.protect(lastRecord->input);
    for (const QString &written : lastRecord->outputs)
        outputs.protect(written);
    const RunOutputs::Handle file = outputs.add(path, error);
    const bool saved = file != RunOutputs::kNoOutput && encodeConversionRecord(path, input, pdf, error) &&
                       outputs.write(file, pdf.constData(), size_t(pdf.size()), error) && outputs.commit(error);
    StatusUpdate(saved ? tr("Report saved: %1").arg(QDir::toNativeSeparators(path)) : error, ui->progressBar->value());
    return saved;
}

void MainWindow::on_actionCentreWorstResidual_triggered()
{
    if (glMain)
        glMain->centreOnWorstResidual();
}

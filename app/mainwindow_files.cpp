// Choosing the input point file (browse buttons, File / Open File, drag and
// drop) and naming the output file of a conversion run.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/inputfiles.h"
#include "engine/formats/outputnames.h"

#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QMouseEvent>

using namespace veltrane;

namespace {

QString choosePointFile(QWidget *parent, const QString &startPath)
{
    return QFileDialog::getOpenFileName(
        parent, MainWindow::tr("Choose Input File .csv or .txt"), startPath,
        MainWindow::tr("Comma Seperated Value (*.csv);;Text file (*.txt);;GIS file (*.gpkg *.shp *.geojson *.json "
                       "*.fgb *.gml *.dxf)"));
}

}  // namespace

void MainWindow::on_tbBrowse_clicked()
{
    // The result is remembered also when empty: after a cancel the next
    // dialog starts in the working directory again.
    strLastPath = choosePointFile(this, strLastPath);
    if (!strLastPath.isEmpty())
        appendCurrentItem(ui->cboInFile, strLastPath);
}

void MainWindow::on_tbBrowse_2_clicked()
{
    strLastPath = choosePointFile(this, strLastPath);
    if (!strLastPath.isEmpty())
        appendCurrentItem(ui->cboInFile_2, strLastPath);
}

void MainWindow::on_actionOpen_triggered()
{
    const QString file = choosePointFile(this, QDir::currentPath());
    if (!file.isEmpty())
        appendCurrentItem(ui->cboInFile, file);
}

void MainWindow::setPointsFile(const QString &path)
{
    appendCurrentItem(ui->cboInFile, path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (data && data->hasUrls())
        addDroppedFiles(ui->cboInFile, ui->cboInFile_2, data->urls());
    event->acceptProposedAction();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(new QMimeData);
    drag->exec(Qt::CopyAction);
}

void MainWindow::createFileNames(QString strInFile)
{
    // The derived name is never the input's own, so the input is never
    // emptied here, whatever its extension.
    strOutFile = deriveOutputPath(strInFile);
    bOutFileCreated = createEmptyFile(strOutFile);
}

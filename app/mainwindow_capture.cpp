// Saving a 3D view as an image file ("Screen Capture Options" dock).

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/capturenaming.h"
#include "view/glwidget.h"
#include "app/inputfiles.h"

#include <QFileDialog>
#include <QImageWriter>
#include <QMessageBox>
#include <QPixmap>

using namespace veltrane;

namespace {

// Quality handed to the image writer (formats without one ignore it).
constexpr int kCaptureQuality = 100;

// Index of "Frusturm Display" in the "window to capture" box.
constexpr int kFrustumDisplayItem = 1;

const char *const kCaptureFilter =
    QT_TR_NOOP("Images  (*.bmp *.jpg *.png);;Bitmap  (*.bmp);;Jpeg (*.jpg);;Portable Networks Graphics (*.png)");

// Writes the picture under `fileName`, its format taken from the suffix.
// Returns an empty text on success, otherwise why it failed.
QString saveCapture(const QPixmap &picture, const QString &fileName)
{
    if (picture.isNull())
        return MainWindow::tr("the view could not be rendered");
    QImageWriter writer(fileName);
    writer.setQuality(kCaptureQuality);
    if (writer.write(picture.toImage()))
        return QString();
    return writer.errorString();
}

}  // namespace

void MainWindow::on_pbCapture_clicked()
{
    const bool frustumDisplay = ui->cboWindow2Capt->currentIndex() == kFrustumDisplayItem;
    GLWidget *view = frustumDisplay ? (bSW1Open ? glFrustum : nullptr) : glMain;

    if (ui->cboSCaptFile->currentText().isEmpty()) {
        QMessageBox::information(nullptr, tr("Selvane"), tr("Please Specify an Export File!"), QMessageBox::Ok,
                                 QMessageBox::NoButton);
    } else if (!view) {
        // A closed view has nothing to render; no file is written and the
        // name is kept for when the view is open again.
        StatusUpdate(frustumDisplay ? tr("Capture refused: the Frustum Viewer is not open.")
                                    : tr("Capture refused: the Data Viewer is not open."),
                     0);
        return;
    } else {
        view->bCaptureMode = true;
        StatusUpdate(tr("Exporting image"), 0);

        view->makeCurrent();
        glLineWidth(GLfloat(ui->hSlide_LineWidth->value()));
        glPointSize(GLfloat(ui->hSlide_PointSize->value()));

        const QSize viewSize = view->size();
        const QSize imageSize = captureImageSize(viewSize, ui->sbScale->value());
        const QPixmap picture = view->renderOffScreen(imageSize.width(), imageSize.height());

        // The name is used as typed, in the file system's own encoding, so a
        // name with characters beyond Latin-1 is not written under another name.
        const QString fileName = ui->cboSCaptFile->currentText();
        const QString failure = saveCapture(picture, fileName);
        if (failure.isEmpty()) {
            StatusUpdate(tr("Exported ") + fileName + tr(" as image with dimensions ") +
                             QString::number(imageSize.width()) + tr(" by ") + QString::number(imageSize.height()),
                         100);
        } else {
            StatusUpdate(tr("Could not export ") + fileName + tr(": ") + failure, 0);
        }

        view->makeCurrent();
        view->resizeGL(viewSize.width(), viewSize.height());
        view->bCaptureMode = false;
    }

    if (ui->cbAutoImageFile->isChecked())
        appendCurrentItem(ui->cboSCaptFile, nextCaptureFileName(ui->cboSCaptFile->currentText()));
}

void MainWindow::on_tbBrowseSCapt_clicked()
{
    QString fileName =
        QFileDialog::getSaveFileName(this, tr("Choose ScreenShot File Name"), strLastPath, tr(kCaptureFilter));
    // A cancelled dialog clears the remembered path too.
    strLastPath = fileName;
    if (fileName.isEmpty())
        return;

    if (ui->cbAutoImageFile->isChecked())
        fileName = numberedCaptureFileName(fileName);
    appendCurrentItem(ui->cboSCaptFile, fileName);
}

// Saving the main view as an image file ("Screen Capture Options" dock).

#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::on_pbCapture_clicked()
{
}

void MainWindow::on_tbBrowseSCapt_clicked()
{
}

// Building the 3D views from the run's data and wiring the display controls
// to them. Part of the main window; compiled into the application library.

#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::createColorPickers()
{
}

void MainWindow::on_cmdDisplay_clicked()
{
}

void MainWindow::on_actionDisplay_Frustum_Viewer_changed()
{
}

void MainWindow::createSubWindows()
{
}

void MainWindow::createLocationSubWindow()
{
}

void MainWindow::setupMainGLWidget()
{
}

void MainWindow::updateFrustum()
{
}

// The Help menu's information boxes and the full-screen keys of the main view.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QKeyEvent>

void MainWindow::on_actionAbout_Morvek_triggered()
{
}

void MainWindow::on_actionOpenGL_Version_triggered()
{
}

void MainWindow::keyPressEvent(QKeyEvent *)
{
}

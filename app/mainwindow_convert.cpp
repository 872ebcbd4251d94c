// The conversion run started by "Convert!".

#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::on_cmdMorvek_clicked()
{
    ui->cmdDisplay->setEnabled(true);
}

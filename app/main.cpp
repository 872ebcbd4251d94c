// Program entry: one application object and one main window.

#include "app/mainwindow.h"
#include "engine/formats/tempfilecleanup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ending the window by a signal mid-write leaves no temporary output file.
    veltrane::installTemporaryFileCleanup();
    MainWindow window;
    window.show();
    return app.exec();
}

#pragma once
// What the window does by itself once it is shown, for a demonstration or a
// run without anybody at the screen: the base map and triangles ticked
// (--all-layers), "Convert!" and "Reset Display" (--convert), then a picture
// of the window saved as soon as the view has drawn its first frame
// (--screenshot), after which the program quits.

#include "app/startupoptions.h"

#include <QImage>
#include <QObject>
#include <QString>

class GLWidget;
class MainWindow;
class QWidget;

namespace veltrane {

// A command line the window cannot start with: the message on standard
// error, as "veltrane: MESSAGE", and in a message box, for a user who
// started the program from a menu and sees no terminal.
void reportStartupError(const QString &message);

// The window as it shows on the screen: the widgets, with each visible 3D
// view's last frame read back from its own framebuffer, since a view draws
// outside the widget painting that QWidget::grab() replays.
QImage windowPicture(QWidget &window);

class StartupActions : public QObject {
    Q_OBJECT

public:
    // How long to wait for the first frame of the view before giving up, ms.
    static constexpr int kFrameTimeoutMs = 60000;

    StartupActions(MainWindow &window, const StartupOptions &options, QObject *parent = nullptr);

    // Ticks the layers at once and starts the rest from the event loop; call
    // after the window is shown.
    void start();

signals:
    // Emitted once the screenshot is saved (status 0) or could not be (1),
    // with the lines to tell the user; never when no screenshot was asked for.
    void finished(int status, const QStringList &report);

private:
    void convertAndDisplay();
    void displayConverted();
    void saveWhenDrawn();
    void finish(int status, const QString &line);

    MainWindow &window;
    StartupOptions options;
    QStringList report;
    GLWidget *view = nullptr;
    int waitedMs = 0;
};

}  // namespace veltrane

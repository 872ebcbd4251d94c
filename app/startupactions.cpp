// The start-up actions: "Convert!" and "Reset Display" clicked for the user,
// and the picture of the window saved once the view has drawn.

#include "app/startupactions.h"

#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "view/glwidget.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace veltrane {

namespace {

// How often the window is looked at while waiting for the view's frame, ms.
constexpr int kPollIntervalMs = 50;

}  // namespace

void reportStartupError(const QString &message)
{
    std::fprintf(stderr, "veltrane: %s\n", message.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, QObject::tr("Veltrane"), message);
}

QImage windowPicture(QWidget &window)
{
    QImage picture = window.grab().toImage();
    QPainter painter(&picture);
    for (GLWidget *view : window.findChildren<GLWidget *>()) {
        const QRegion visible = view->visibleRegion();
        if (!view->isVisible() || visible.isEmpty())
            continue;
        QImage frame = view->grabFrameBuffer();
        frame.setDevicePixelRatio(view->devicePixelRatioF());
        const QPoint origin = view->mapTo(&window, QPoint(0, 0));
        // Only what the view shows: the parts under other sub-windows or
        // beyond the area's edge stay as the widgets drew them.
        painter.setClipRegion(visible.translated(origin));
        painter.drawImage(origin, frame);
    }
    return picture;
}

StartupActions::StartupActions(MainWindow &window, const StartupOptions &options, QObject *parent)
    : QObject(parent), window(window), options(options)
{
}

void StartupActions::start()
{
    if (options.allLayers) {
        window.form()->cbDrawBaseMap->setChecked(true);
        window.form()->cbDrawTris->setChecked(true);
    }
    QTimer::singleShot(0, this, [this]() {
        if (options.convertAtStart)
            convertAndDisplay();
        else if (!options.screenshotFile.isEmpty())
            saveWhenDrawn();
    });
}

void StartupActions::convertAndDisplay()
{
    // The run goes on its own thread; the display follows once it has ended.
    connect(&window, &MainWindow::conversionFinished, this, &StartupActions::displayConverted);
    window.form()->cmdMorvek->click();
}

void StartupActions::displayConverted()
{
    disconnect(&window, &MainWindow::conversionFinished, this, &StartupActions::displayConverted);
    if (QFileInfo(window.outputFilePath()).isFile())
        report << tr("Converted points: %1").arg(QDir::toNativeSeparators(window.outputFilePath()));
    window.form()->cmdDisplay->click();
    view = window.findChild<GLWidget *>();
    if (!options.screenshotFile.isEmpty())
        saveWhenDrawn();
}

void StartupActions::saveWhenDrawn()
{
    // The first frame of the view (or, without one, the window on the
    // screen) is what the picture shows.
    const QWindow *handle = window.windowHandle();
    const bool drawn = view ? view->framesPresented() > 0 : handle && handle->isExposed();
    if (!drawn) {
        if (waitedMs >= kFrameTimeoutMs) {
            finish(1, tr("Screenshot not saved: the window was not drawn within %1 s").arg(kFrameTimeoutMs / 1000));
            return;
        }
        waitedMs += kPollIntervalMs;
        QTimer::singleShot(kPollIntervalMs, this, &StartupActions::saveWhenDrawn);
        return;
    }
    QImageWriter writer(options.screenshotFile);
    if (!writer.write(windowPicture(window))) {
        finish(1, tr("Screenshot not saved as %1: %2")
                      .arg(QDir::toNativeSeparators(options.screenshotFile), writer.errorString()));
        return;
    }
    finish(0, tr("Screenshot: %1").arg(QDir::toNativeSeparators(options.screenshotFile)));
}

void StartupActions::finish(int status, const QString &line)
{
    report << line;
    emit finished(status, report);
}

}  // namespace veltrane

// The Help menu's information boxes and the full-screen keys of the main view.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "view/glwidget.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QStringList>

using namespace veltrane;

namespace {

void showInformation(const QString &title, const QString &text)
{
    QMessageBox::information(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

// An OpenGL string of the current context; empty when the implementation
// returns none or no context is current.
QString glString(GLenum name)
{
    if (!QOpenGLContext::currentContext())
        return QString();
    const GLubyte *text = glGetString(name);
    return text ? QString::fromLatin1(reinterpret_cast<const char *>(text)) : QString();
}

}  // namespace

void MainWindow::on_actionAbout_Morvek_triggered()
{
    const QStringList lines = {
        tr("Veltrane v1.0 "), tr("Written by the Veltrane developers"), tr("      Veltrane"),
        tr("    June 2010"),  tr("Last Updated:  October 2010"),        tr("Created using QT and GLC_LIB"),
    };
    showInformation(tr("Veltrane v1.0"), lines.join(QLatin1Char('\n')));
}

void MainWindow::on_actionOpenGL_Version_triggered()
{
    // Ask the main view's context, not whichever view happened to draw last.
    if (glMain)
        glMain->makeCurrent();
    const QString text =
        tr("OpenGL Version:  ") + glString(GL_VERSION) + tr("\n with extensions: \n") + glString(GL_EXTENSIONS);
    showInformation(tr("OpenGL Version/Extension Information"), text);
}

void MainWindow::keyPressEvent(QKeyEvent *pKeyEvent)
{
    // Before the first display, or once the "Data Viewer" is closed, there is
    // no view to act on.
    switch (pKeyEvent->key()) {
    case Qt::Key_S:
        if (!glMain)
            return;
        showInformation(tr("test"), glMain->isWindow() ? tr("TopLevelWidget") : tr("Not TopLevelWidget"));
        // The view may have been closed while the box was open.
        if (glMain)
            glMain->showFullScreen();
        break;
    case Qt::Key_Escape:
        if (glMain)
            glMain->showNormal();
        break;
    default:
        break;
    }
}

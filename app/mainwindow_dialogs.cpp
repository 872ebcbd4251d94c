// The Help menu's information boxes and the full-screen keys of the main view.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "view/glwidget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>

using namespace veltrane;

namespace {

void showInformation(const QString &title, const QString &text)
{
    QMessageBox::information(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

// Share of the available screen area a long text box may take at most.
constexpr double kTextBoxScreenShare = 0.8;
// The size a long text box opens at when the screen has room, pixels.
constexpr int kTextBoxWidth = 640;
constexpr int kTextBoxHeight = 420;

// An information box for a text too long for a message box: the same icon,
// title and single OK button, with the text in a scrolling, read-only pane,
// the box sized to fit the screen.
void showLongInformation(const QString &title, const QString &text)
{
    QDialog box;
    box.setWindowTitle(title);

    auto *icon = new QLabel;
    const int iconSide = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, &box).pixmap(iconSide));
    icon->setAlignment(Qt::AlignTop);

    auto *pane = new QPlainTextEdit(text);
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pane->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

    auto *row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(pane, 1);
    auto *layout = new QVBoxLayout(&box);
    layout->addLayout(row, 1);
    layout->addWidget(buttons);

    QSize size(kTextBoxWidth, kTextBoxHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * kTextBoxScreenShare);
    box.resize(size);
    box.exec();
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
    // The extension list is thousands of characters long: a message box
    // would grow taller than the screen.
    showLongInformation(tr("OpenGL Version/Extension Information"), text);
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

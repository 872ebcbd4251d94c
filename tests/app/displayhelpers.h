#pragma once
// Helpers of the window tests that need a converted sample and its views:
// a working folder with the sample data, "Convert!", the views by their
// sub-window titles, and answering the message boxes the window opens.

#include "view/glwidget.h"
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace displaytest {

inline bool copySampleData(const QString &toFolder)
{
    const QStringList files = {"TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv",
                               "TARVONA_TIN_CONTROL.obj", "Tarvonamap.jpg", "sample_points.csv"};
    for (const QString &name : files) {
        if (!QFile::copy(QStringLiteral(VELTRANE_SOURCE_DIR "/data/") + name, toFolder + "/" + name))
            return false;
    }
    return true;
}

// How long a test waits for a run of the sample, ms.
constexpr int kRunTimeoutMs = 60000;

// Clicks "Convert!" and waits for the run to end (it goes on its own
// thread); false when it did not end in time.
inline bool clickConvertAndWait(MainWindow &window)
{
    QSignalSpy finished(&window, &MainWindow::conversionFinished);
    QTest::mouseClick(window.form()->cmdMorvek, Qt::LeftButton);
    return finished.count() > 0 || finished.wait(kRunTimeoutMs);
}

// Types the sample's path into "Points", clicks "Convert!" and waits for
// the run's end.
inline bool convertSample(MainWindow &window, const QString &folder)
{
    Ui::MainWindowClass *form = window.form();
    form->cboInFile->lineEdit()->clear();
    QTest::keyClicks(form->cboInFile->lineEdit(), QDir(folder).filePath("sample_points.csv"));
    return clickConvertAndWait(window);
}

inline void resetDisplay(MainWindow &window)
{
    QTest::mouseClick(window.form()->cmdDisplay, Qt::LeftButton);
    QApplication::processEvents();
}

// Sub-windows closed with WA_DeleteOnClose go at the next event-loop turn.
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

inline QMdiArea *mdiAreaOf(MainWindow &window)
{
    return window.findChild<QMdiArea *>();
}

inline QStringList subWindowTitles(MainWindow &window)
{
    QStringList titles;
    if (QMdiArea *area = mdiAreaOf(window)) {
        for (QMdiSubWindow *sub : area->subWindowList())
            titles << sub->windowTitle();
    }
    return titles;
}

// The view inside the sub-window with this title, or null.
inline GLWidget *viewIn(MainWindow &window, const QString &title)
{
    if (QMdiArea *area = mdiAreaOf(window)) {
        for (QMdiSubWindow *sub : area->subWindowList()) {
            if (sub->windowTitle() == title)
                return qobject_cast<GLWidget *>(sub->widget());
        }
    }
    return nullptr;
}

inline GLWidget *mainView(MainWindow &window)
{
    return viewIn(window, "Data Viewer");
}

inline GLWidget *frustumViewer(MainWindow &window)
{
    return viewIn(window, "Frustum Viewer");
}

inline QMdiSubWindow *subWindowOf(GLWidget *view)
{
    return view ? qobject_cast<QMdiSubWindow *>(view->parentWidget()) : nullptr;
}

// What a message box showed; `seen` stays false when none opened.
struct BoxSeen {
    bool seen = false;
    QString title;
    QString text;
    QRect frame;  // on the screen, title bar included
};

// Answers the next modal message box with OK, recording what it showed. The
// check runs once the event loop turns, that is inside the box's own loop;
// when no box is open by then, nothing is recorded.
inline std::shared_ptr<BoxSeen> answerNextMessageBox()
{
    auto seen = std::make_shared<BoxSeen>();
    QTimer::singleShot(0, [seen] {
        // A message box, or a box whose long text scrolls in a text pane.
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen->seen = true;
        seen->title = box->windowTitle();
        seen->frame = box->frameGeometry();
        if (auto *message = qobject_cast<QMessageBox *>(box))
            seen->text = message->text();
        else if (auto *pane = box->findChild<QPlainTextEdit *>())
            seen->text = pane->toPlainText();
        box->accept();
    });
    return seen;
}

// A window working in a fresh copy of the sample data, with the sample
// converted. The process's working folder is the copy while it lives.
class ConvertedSample {
public:
    ConvertedSample() : previousFolder(QDir::currentPath())
    {
        ready = folder.isValid() && copySampleData(folder.path()) && QDir::setCurrent(folder.path());
        window.reset(new MainWindow);
        window->show();
        if (ready) {
            ready = convertSample(*window, folder.path()) && window->form()->cmdDisplay->isEnabled();
        }
    }
    ~ConvertedSample()
    {
        window.reset();
        QDir::setCurrent(previousFolder);
    }
    ConvertedSample(const ConvertedSample &) = delete;
    ConvertedSample &operator=(const ConvertedSample &) = delete;

    QString previousFolder;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    bool ready = false;
};

}  // namespace displaytest

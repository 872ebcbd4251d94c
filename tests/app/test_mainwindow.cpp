// The main window as the user meets it: the form's initial states, the docks
// and their actions, status reporting, Exit, choosing and dropping input
// files, and the naming of the output file.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QStyle>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>

namespace {

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Drags `data` onto the window and drops it there, as the drag-and-drop
// system does: the drop goes to the widget that accepted the drag. Returns
// whether both the drag and the drop were accepted.
bool dropOn(MainWindow &window, QMimeData *data)
{
    const QPoint pos(200, 200);
    QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(&window, &drop);
    delete data;
    return enter.isAccepted() && drop.isAccepted();
}

QList<QUrl> fileUrls(int n)
{
    QList<QUrl> urls;
    for (int i = 1; i <= n; ++i)
        urls << QUrl::fromLocalFile(QStringLiteral("/data/f%1.csv").arg(i));
    return urls;
}

// What a file dialog showed when it was answered.
struct DialogSeen {
    bool seen = false;
    QString caption;
    QString directory;
    QStringList filters;
};

// Waits for the next modal file dialog, records what it shows, then selects
// `file` and accepts, or cancels when `file` is empty.
void answerNextFileDialog(DialogSeen *seen, const QString &file, int attempts = 200)
{
    QTimer::singleShot(20, [=]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempts > 0)
                answerNextFileDialog(seen, file, attempts - 1);
            return;
        }
        seen->seen = true;
        seen->caption = dialog->windowTitle();
        seen->directory = dialog->directory().absolutePath();
        seen->filters = dialog->nameFilters();
        if (file.isEmpty()) {
            dialog->reject();
        } else {
            // Typed like a user would: the dialog's list may still be loading.
            auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (nameEdit)
                nameEdit->setText(file);
            static_cast<QDialog *>(dialog)->accept();
        }
    });
}

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void formStartsWithDisplayControlsDisabled();
    void formInitialValues();
    void lightSpinBoxesAcceptOnlyTheirRange();
    void aboutIconComesFromTheWorkingDirectory();
    void screenCaptureDockStartsHiddenAndFloating();
    void dockClosedByItsButtonUnchecksItsAction();
    void showHideAllTogglesFourDocksButNotTheLight();
    void hidingInputParametersHidesTheOutputInside();
    void captureDockOpensInTheLeftDockAreaOnScreen();
    void keyboardReachesMenusAndInputsInFormOrder();
    void windowOpensWithinTheScreen();
    void statusUpdateAppendsAndIgnoresOutOfRangeProgress();
    void exitBeforeAnyDisplayQuits();
    void windowWithVisibleFloatingDockIsDestroyedCleanly();

    void dropOfOneFile();
    void dropOfThreeFiles();
    void dropOfFortyFilesTakesTheFirst32();
    void dropKeepsLocalPathsWhole();
    void dropWithoutUrlsChangesNothing();

    void outputNameReplacesEveryCsv();
    void twoRunsNameTwoOutputs();
    void textInputIsNeverEmptied();
    void outputInMissingFolderIsReportedNotCreated();

    void browseAppendsChosenFileAndRemembersIt();
    void browseCancelAddsNothingAndForgetsPath();
    void openFileStartsInWorkingDirectoryAndKeepsBrowsePath();

private:
    QTemporaryDir workDir;
    QString savedCurrentPath;
};

void TestMainWindow::initTestCase()
{
    // The widget-based dialog can be answered from a timer.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(workDir.isValid());
    savedCurrentPath = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void TestMainWindow::cleanupTestCase()
{
    QDir::setCurrent(savedCurrentPath);
}

void TestMainWindow::formStartsWithDisplayControlsDisabled()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    const QList<QWidget *> disabled = {ui->cmdDisplay, ui->pbCapture, ui->frmTriStep,
                                       ui->frmDS1,     ui->frmDS2,    ui->frmSize};
    for (QWidget *w : disabled)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!ui->actionDisplay_Frustum_Viewer->isEnabled());
    QVERIFY(!ui->actionLighting_Controls->isEnabled());
    QVERIFY(!ui->actionOpenGL_Version->isEnabled());

    const QList<QWidget *> enabled = {ui->cmdMorvek,   ui->tbBrowse, ui->tbBrowse_2,  ui->cboInFile,
                                      ui->cboInFile_2, ui->cboMode,  ui->cboMode_Tri, ui->tbBrowseSCapt};
    for (QWidget *w : enabled)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
}

void TestMainWindow::formInitialValues()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    QCOMPARE(window.windowTitle(), QStringLiteral("Veltrane"));
    QCOMPARE(window.size(), QSize(1730, 1020));
    QVERIFY(window.acceptDrops());
    QVERIFY(window.isDockNestingEnabled());

    QCOMPARE(ui->cboStepSize->count(), 17);
    QCOMPARE(ui->cboStepSize->currentText(), QStringLiteral("1000000"));
    QCOMPARE(ui->cboOptDisplay->currentText(), QStringLiteral("Culling"));
    QCOMPARE(ui->cbo_FontSize->currentText(), QStringLiteral("10"));
    QCOMPARE(ui->cboMode_Tri->currentText(), QStringLiteral("2 = Generate"));
    QCOMPARE(ui->cboMode->currentText(), QStringLiteral("1 = NAD83CORS96 -> NAD83CORS96a"));
    QCOMPARE(ui->tabWidget->currentWidget(), ui->tab_4);
    QCOMPARE(ui->tabWidget->tabText(ui->tabWidget->currentIndex()), QStringLiteral("Gen"));
    QCOMPARE(ui->cboWindow2Capt->itemText(1), QStringLiteral("Frusturm Display"));
    QCOMPARE(ui->cboInFile->count(), 0);
    QVERIFY(ui->cboInFile->isEditable());
    QVERIFY(!ui->cboInFile_2->isEditable());

    QCOMPARE(ui->hSlide_PointSize->value(), 10);
    QCOMPARE(ui->hSlide_PointSize->maximum(), 40);
    QCOMPARE(ui->hSlide_LineWidth->value(), 3);
    QCOMPARE(ui->hSlide_LineWidth->maximum(), 50);
    QCOMPARE(ui->sbScale->value(), 1.0);
    QCOMPARE(ui->sbScale->maximum(), 10.0);
    QVERIFY(ui->cbAutoImageFile->isChecked());
    QVERIFY(ui->cbDraw_ds1->isChecked());
    QVERIFY(ui->cbAxis->isChecked());
    QVERIFY(!ui->cbDrawTris->isChecked());
    QCOMPARE(ui->progressBar->value(), 0);

    QVERIFY(ui->actionInput->isChecked());
    QVERIFY(ui->actionDisplay->isChecked());
    QVERIFY(!ui->action_ShowHideAll->isChecked());
    QCOMPARE(ui->actionScreenCapture->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+P")));
    QCOMPARE(ui->actionExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));

    // The four main docks carry the window's border style, not the form's.
    QCOMPARE(ui->dockWidget_Input->styleSheet(), QStringLiteral("* { border-width:  2px }"));
    QCOMPARE(ui->dW_SCapt->styleSheet(), QStringLiteral("* { border-width:  2px }"));
    QVERIFY(ui->dwLight->styleSheet().isEmpty());

    QCOMPARE(window.dockWidgetArea(ui->dockWidget_Input), Qt::LeftDockWidgetArea);
    QCOMPARE(window.dockWidgetArea(ui->dockWidget_Display), Qt::RightDockWidgetArea);
    QCOMPARE(window.dockWidgetArea(ui->dwLight), Qt::RightDockWidgetArea);
    QCOMPARE(ui->dW_Output->parentWidget(), ui->dockWidgetContents);
}

void TestMainWindow::lightSpinBoxesAcceptOnlyTheirRange()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();
    for (QDoubleSpinBox *box : {ui->dblSB_lightX, ui->dblSB_lightY, ui->dblSB_lightZ}) {
        QCOMPARE(box->value(), 0.0);
        box->setValue(-1000000000.0);
        QCOMPARE(box->value(), -1000000000.0);
        box->setValue(1000000000.0);
        QCOMPARE(box->value(), 1000000000.0);
        box->setValue(1000000000.5 + 100);
        QCOMPARE(box->value(), 1000000000.0);
        box->setValue(-2000000000.0);
        QCOMPARE(box->value(), -1000000000.0);
        QCOMPARE(box->singleStep(), 100.0);
    }
}

void TestMainWindow::aboutIconComesFromTheWorkingDirectory()
{
    const QString iconFile = QDir::current().filePath(QStringLiteral("veltrane.png"));
    QFile::remove(iconFile);
    {
        MainWindow window;
        QVERIFY(window.form()->actionAbout_Morvek->icon().pixmap(16, 16).isNull());
    }

    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QVERIFY(image.save(iconFile));
    {
        MainWindow window;
        QVERIFY(!window.form()->actionAbout_Morvek->icon().pixmap(16, 16).isNull());
    }
    QFile::remove(iconFile);
}

void TestMainWindow::screenCaptureDockStartsHiddenAndFloating()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    QVERIFY(ui->dW_SCapt->isFloating());
    QVERIFY(!ui->dW_SCapt->isVisible());
    QVERIFY(!ui->actionScreenCapture->isChecked());

    // The output dock's first visibility signal checks its action.
    QTRY_VERIFY(ui->actionOutputInfoWindow->isChecked());
    QVERIFY(ui->dockWidget_Input->isVisible());
    QVERIFY(ui->dockWidget_Display->isVisible());
    QVERIFY(ui->dwLight->isVisible());
}

void TestMainWindow::dockClosedByItsButtonUnchecksItsAction()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    QVERIFY(ui->actionDisplay->isChecked());
    ui->dockWidget_Display->close();
    QVERIFY(!ui->actionDisplay->isChecked());
    ui->actionDisplay->setChecked(true);
    QVERIFY(ui->dockWidget_Display->isVisible());

    // The light dock follows the same rule although its action is disabled.
    ui->dwLight->close();
    QVERIFY(!ui->actionLighting_Controls->isChecked());

    // The capture dock, shown through its action, reports back when closed.
    ui->actionScreenCapture->trigger();
    QVERIFY(ui->dW_SCapt->isVisible());
    QVERIFY(ui->dW_SCapt->isFloating());
    ui->dW_SCapt->close();
    QVERIFY(!ui->actionScreenCapture->isChecked());
}

void TestMainWindow::showHideAllTogglesFourDocksButNotTheLight()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    const QList<QDockWidget *> docks = {ui->dockWidget_Input, ui->dockWidget_Display, ui->dW_Output, ui->dW_SCapt};
    const QList<QAction *> actions = {ui->actionInput, ui->actionDisplay, ui->actionOutputInfoWindow,
                                      ui->actionScreenCapture};

    ui->dwLight->close();
    QVERIFY(!ui->actionLighting_Controls->isChecked());

    ui->action_ShowHideAll->trigger();
    for (int i = 0; i < docks.size(); ++i) {
        QVERIFY2(docks[i]->isVisible(), qPrintable(docks[i]->objectName()));
        QVERIFY2(actions[i]->isChecked(), qPrintable(actions[i]->objectName()));
    }
    QVERIFY(!ui->dwLight->isVisible());
    QVERIFY(!ui->actionLighting_Controls->isChecked());

    ui->action_ShowHideAll->trigger();
    for (int i = 0; i < docks.size(); ++i) {
        QVERIFY2(!docks[i]->isVisible(), qPrintable(docks[i]->objectName()));
        QVERIFY2(!actions[i]->isChecked(), qPrintable(actions[i]->objectName()));
    }
    QVERIFY(!ui->dwLight->isVisible());

    // A third use shows them again, the output dock inside its parent too.
    ui->action_ShowHideAll->trigger();
    for (QDockWidget *dock : docks)
        QVERIFY2(dock->isVisible(), qPrintable(dock->objectName()));
}

void TestMainWindow::hidingInputParametersHidesTheOutputInside()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    QTRY_VERIFY(ui->actionOutputInfoWindow->isChecked());
    ui->actionInput->trigger();  // Ctrl+I
    QVERIFY(!ui->dockWidget_Input->isVisible());
    QVERIFY(!ui->dW_Output->isVisible());
    // Shown again, the output dock comes back with it, its action in step.
    ui->actionInput->trigger();
    QVERIFY(ui->dockWidget_Input->isVisible());
    QVERIFY(ui->dW_Output->isVisible());
    QVERIFY(ui->actionOutputInfoWindow->isChecked());

    // Floated out, the output dock is a window of its own.
    ui->dW_Output->setFloating(true);
    ui->actionInput->setChecked(false);
    QVERIFY(!ui->dockWidget_Input->isVisible());
    QVERIFY(ui->dW_Output->isVisible());
}

void TestMainWindow::captureDockOpensInTheLeftDockAreaOnScreen()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    ui->actionScreenCapture->trigger();
    QDockWidget *dock = ui->dW_SCapt;
    QVERIFY(QTest::qWaitForWindowExposed(dock));
    const QRect placed = dock->frameGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect menus(ui->menuBar->mapToGlobal(QPoint(0, 0)), ui->menuBar->size());
    const QRect inputDock(ui->dockWidget_Input->mapToGlobal(QPoint(0, 0)), ui->dockWidget_Input->size());
    QVERIFY(screen.contains(placed));
    QVERIFY(!placed.intersects(menus));
    QCOMPARE(placed.left(), inputDock.left());
    QVERIFY(placed.top() > inputDock.bottom());

    // Closed and shown again, it stays where the user left it.
    dock->move(placed.topLeft() + QPoint(40, 20));
    const QPoint moved = dock->pos();
    ui->actionScreenCapture->trigger();
    ui->actionScreenCapture->trigger();
    QCOMPARE(dock->pos(), moved);
}

void TestMainWindow::keyboardReachesMenusAndInputsInFormOrder()
{
    MainWindow window;
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Ui::MainWindowClass *ui = window.form();

    // Alt and the underlined letter open a menu; the visible titles stay.
    for (QMenu *menu : {ui->menuFile, ui->menuView, ui->menuControl_Widgets, ui->menuHelp}) {
        const QString title = menu->title();
        const int amp = title.indexOf(QLatin1Char('&'));
        QVERIFY2(amp >= 0 && amp + 1 < title.size(), qPrintable(title));
        QVERIFY(QStringList({"File", "View", "Controls", "Help"}).contains(QString(title).remove(QLatin1Char('&'))));
    }
    QTest::keyClick(&window, Qt::Key_H, Qt::AltModifier);
    QTRY_VERIFY(ui->menuHelp->isVisible());
    ui->menuHelp->close();

    // Tab walks "Input Parameters" from top to bottom.
    const QList<QWidget *> order = {ui->cboInFile,   ui->tbBrowse,   ui->cboInFile_2, ui->tbBrowse_2, ui->cboMode,
                                    ui->cboMode_Tri, ui->cbForceNeg, ui->cboCrs,      ui->cmdMorvek};
    ui->cboInFile->setFocus();
    QTRY_VERIFY(ui->cboInFile->hasFocus());
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(order[i]->hasFocus(), qPrintable(QStringLiteral("after %1: %2")
                                                      .arg(order[i - 1]->objectName())
                                                      .arg(QApplication::focusWidget()->objectName())));
    }
}

// Run on the usual test screen and, by its own test entry, on a laptop's.
void TestMainWindow::windowOpensWithinTheScreen()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (screen.width() >= 1730 && screen.height() >= 1020 + window.style()->pixelMetric(QStyle::PM_TitleBarHeight)) {
        QCOMPARE(window.size(), QSize(1730, 1020));
    } else {
        QVERIFY2(screen.contains(window.frameGeometry()), qPrintable(QStringLiteral("%1 x %2 on %3 x %4")
                                                                         .arg(window.frameGeometry().width())
                                                                         .arg(window.frameGeometry().height())
                                                                         .arg(screen.width())
                                                                         .arg(screen.height())));
    }
}

void TestMainWindow::statusUpdateAppendsAndIgnoresOutOfRangeProgress()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    QVERIFY(QMetaObject::invokeMethod(&window, "StatusUpdate", Q_ARG(QString, QStringLiteral("Begin Processing")),
                                      Q_ARG(int, 100)));
    QCOMPARE(ui->progressBar->value(), 100);
    QVERIFY(QMetaObject::invokeMethod(&window, "StatusUpdate", Q_ARG(QString, QStringLiteral("second line")),
                                      Q_ARG(int, 150)));
    QCOMPARE(ui->progressBar->value(), 100);
    QVERIFY(
        QMetaObject::invokeMethod(&window, "StatusUpdate", Q_ARG(QString, QStringLiteral("third")), Q_ARG(int, 10)));
    QCOMPARE(ui->progressBar->value(), 10);

    QCOMPARE(ui->txtOutput->toPlainText(), QStringLiteral("Begin Processing\nsecond line\nthird"));
}

void TestMainWindow::exitBeforeAnyDisplayQuits()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The application's loop ends with code 0 through quit(); the timeout
    // would end it with 42.
    QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, window.form()->actionExit, &QAction::trigger);
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, []() { QCoreApplication::exit(42); });
    timeout.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(aboutToQuit.count(), 1);
    QVERIFY(window.isVisible());
}

void TestMainWindow::windowWithVisibleFloatingDockIsDestroyedCleanly()
{
    auto *window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    Ui::MainWindowClass *ui = window->form();
    ui->actionScreenCapture->trigger();
    QVERIFY(ui->dW_SCapt->isVisible());
    QPointer<QDockWidget> dock = ui->dW_SCapt;

    // A display sub-window reports its end the way the display set-up wires
    // it. The base class deletes it after the window's own destructor has
    // deleted the form, so a sanitizer build shows any use of the form then.
    auto *subWindow = new QWidget(window);
    QVERIFY(QObject::connect(subWindow, SIGNAL(destroyed()), window, SLOT(sWMainClosed())));
    QPointer<QWidget> sub = subWindow;

    delete window;
    QVERIFY(dock.isNull());
    QVERIFY(sub.isNull());
}

void TestMainWindow::dropOfOneFile()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QStringLiteral("/data/one.csv"))});
    QVERIFY(dropOn(window, data));
    QCOMPARE(itemsOf(ui->cboInFile), QStringList{QStringLiteral("/data/one.csv")});
    QCOMPARE(itemsOf(ui->cboInFile_2), QStringList{QStringLiteral("/data/one.csv")});
    QCOMPARE(ui->cboInFile->currentText(), QStringLiteral("/data/one.csv"));

    // A second single drop: "Points" moves on, "Output" keeps its item.
    data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QStringLiteral("/data/two.csv"))});
    QVERIFY(dropOn(window, data));
    QCOMPARE(ui->cboInFile->currentText(), QStringLiteral("/data/two.csv"));
    QCOMPARE(ui->cboInFile_2->currentText(), QStringLiteral("/data/one.csv"));
    QCOMPARE(ui->cboInFile_2->count(), 2);
}

void TestMainWindow::dropOfThreeFiles()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    auto *data = new QMimeData;
    data->setUrls(fileUrls(3));
    QVERIFY(dropOn(window, data));
    const QStringList expected = {QStringLiteral("/data/f1.csv"), QStringLiteral("/data/f2.csv"),
                                  QStringLiteral("/data/f3.csv")};
    QCOMPARE(itemsOf(ui->cboInFile), expected);
    QCOMPARE(itemsOf(ui->cboInFile_2), expected);
    QCOMPARE(ui->cboInFile->currentText(), QStringLiteral("/data/f2.csv"));
    QCOMPARE(ui->cboInFile_2->currentText(), QStringLiteral("/data/f3.csv"));
}

void TestMainWindow::dropOfFortyFilesTakesTheFirst32()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    auto *data = new QMimeData;
    data->setUrls(fileUrls(40));
    QVERIFY(dropOn(window, data));
    QCOMPARE(ui->cboInFile->count(), 32);
    QCOMPARE(ui->cboInFile_2->count(), 32);
    QCOMPARE(ui->cboInFile->itemText(0), QStringLiteral("/data/f1.csv"));
    QCOMPARE(ui->cboInFile_2->itemText(31), QStringLiteral("/data/f32.csv"));
    QCOMPARE(ui->cboInFile->currentText(), QStringLiteral("/data/f31.csv"));
    QCOMPARE(ui->cboInFile_2->currentText(), QStringLiteral("/data/f32.csv"));
}

void TestMainWindow::dropKeepsLocalPathsWhole()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QStringLiteral("/home/u/pts.csv")),
                   QUrl::fromLocalFile(QStringLiteral("/home/u/with space/ü.txt"))});
    QVERIFY(dropOn(window, data));
    QCOMPARE(ui->cboInFile->itemText(0), QStringLiteral("/home/u/pts.csv"));
    QCOMPARE(ui->cboInFile->itemText(1), QStringLiteral("/home/u/with space/ü.txt"));
    QCOMPARE(ui->cboInFile->currentText(), QStringLiteral("/home/u/pts.csv"));
    QCOMPARE(ui->cboInFile_2->currentText(), QStringLiteral("/home/u/with space/ü.txt"));
}

void TestMainWindow::dropWithoutUrlsChangesNothing()
{
    MainWindow window;
    Ui::MainWindowClass *ui = window.form();

    auto *data = new QMimeData;
    data->setText(QStringLiteral("/data/pts.csv"));
    QVERIFY(dropOn(window, data));
    QCOMPARE(ui->cboInFile->count(), 0);
    QCOMPARE(ui->cboInFile_2->count(), 0);
}

void TestMainWindow::outputNameReplacesEveryCsv()
{
    MainWindow window;
    const QString in = workDir.filePath(QStringLiteral("pts.csv.csv"));
    QVERIFY(QMetaObject::invokeMethod(&window, "createFileNames", Q_ARG(QString, in)));
    QCOMPARE(window.outputFilePath(), workDir.filePath(QStringLiteral("pts_out.csv_out.csv")));
    QVERIFY(window.outputFileCreated());
    QCOMPARE(readFile(window.outputFilePath()), QByteArray());
}

void TestMainWindow::twoRunsNameTwoOutputs()
{
    MainWindow window;
    // A stale output of an earlier session is emptied.
    QVERIFY(!writeFile(workDir.filePath(QStringLiteral("a_out.csv")), "old result\n").isEmpty());

    QVERIFY(QMetaObject::invokeMethod(&window, "createFileNames",
                                      Q_ARG(QString, workDir.filePath(QStringLiteral("a.csv")))));
    QCOMPARE(window.outputFilePath(), workDir.filePath(QStringLiteral("a_out.csv")));
    QCOMPARE(readFile(workDir.filePath(QStringLiteral("a_out.csv"))), QByteArray());

    QVERIFY(QMetaObject::invokeMethod(&window, "createFileNames",
                                      Q_ARG(QString, workDir.filePath(QStringLiteral("b.csv")))));
    QCOMPARE(window.outputFilePath(), workDir.filePath(QStringLiteral("b_out.csv")));
    QVERIFY(window.outputFileCreated());
    QVERIFY(QFile::exists(workDir.filePath(QStringLiteral("b_out.csv"))));
}

void TestMainWindow::textInputIsNeverEmptied()
{
    MainWindow window;
    const QByteArray points = "-100.5,40.25,1000.0,P1\n";
    for (const QString &name : {QStringLiteral("pts.txt"), QStringLiteral("PTS.CSV")}) {
        const QString in = writeFile(workDir.filePath(name), points);
        QVERIFY(!in.isEmpty());
        QVERIFY(QMetaObject::invokeMethod(&window, "createFileNames", Q_ARG(QString, in)));
        QVERIFY(window.outputFilePath() != in);
        QVERIFY(window.outputFileCreated());
        QCOMPARE(readFile(in), points);
    }
}

void TestMainWindow::outputInMissingFolderIsReportedNotCreated()
{
    MainWindow window;
    // ".csv" inside a folder name is not replaced; the folder does not exist.
    const QString in = workDir.filePath(QStringLiteral("missing.csv/pts.csv"));
    QVERIFY(QMetaObject::invokeMethod(&window, "createFileNames", Q_ARG(QString, in)));
    QCOMPARE(window.outputFilePath(), workDir.filePath(QStringLiteral("missing.csv/pts_out.csv")));
    QVERIFY(!window.outputFileCreated());
    QVERIFY(!QFile::exists(window.outputFilePath()));

    // A later run into a writable folder is reported as created again.
    QVERIFY(QMetaObject::invokeMethod(&window, "createFileNames",
                                      Q_ARG(QString, workDir.filePath(QStringLiteral("c.csv")))));
    QVERIFY(window.outputFileCreated());
}

void TestMainWindow::browseAppendsChosenFileAndRemembersIt()
{
    QTemporaryDir dir;
    const QString file = writeFile(dir.filePath(QStringLiteral("pts.csv")), "1,2,3,A\n");
    QVERIFY(!file.isEmpty());

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    DialogSeen first;
    answerNextFileDialog(&first, file);
    ui->tbBrowse->click();
    QVERIFY(first.seen);
    QCOMPARE(first.caption, QStringLiteral("Choose Input File .csv or .txt"));
    QCOMPARE(first.filters,
             (QStringList{QStringLiteral("Comma Seperated Value (*.csv)"), QStringLiteral("Text file (*.txt)"),
                          QStringLiteral("GIS file (*.gpkg *.shp *.geojson *.json *.fgb *.gml *.dxf)")}));
    QCOMPARE(first.directory, QDir(workDir.path()).absolutePath());
    QCOMPARE(itemsOf(ui->cboInFile), QStringList{file});
    QCOMPARE(window.lastBrowsePath(), file);

    // The same file again: a second equal item, made current.
    DialogSeen second;
    answerNextFileDialog(&second, file);
    ui->tbBrowse->click();
    QVERIFY(second.seen);
    QCOMPARE(second.directory, dir.path());
    QCOMPARE(itemsOf(ui->cboInFile), (QStringList{file, file}));
    QCOMPARE(ui->cboInFile->currentIndex(), 1);

    // The second button fills only "Output".
    DialogSeen third;
    answerNextFileDialog(&third, file);
    ui->tbBrowse_2->click();
    QVERIFY(third.seen);
    QCOMPARE(itemsOf(ui->cboInFile_2), QStringList{file});
    QCOMPARE(ui->cboInFile->count(), 2);
}

void TestMainWindow::browseCancelAddsNothingAndForgetsPath()
{
    QTemporaryDir dir;
    const QString file = writeFile(dir.filePath(QStringLiteral("pts.txt")), "1,2,3,A\n");
    QVERIFY(!file.isEmpty());

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    DialogSeen chosen;
    answerNextFileDialog(&chosen, file);
    ui->tbBrowse_2->click();
    QVERIFY(chosen.seen);
    QCOMPARE(window.lastBrowsePath(), file);

    DialogSeen cancelled;
    answerNextFileDialog(&cancelled, QString());
    ui->tbBrowse_2->click();
    QVERIFY(cancelled.seen);
    QCOMPARE(itemsOf(ui->cboInFile_2), QStringList{file});
    QVERIFY(window.lastBrowsePath().isEmpty());
}

void TestMainWindow::openFileStartsInWorkingDirectoryAndKeepsBrowsePath()
{
    QTemporaryDir browseDir;
    QTemporaryDir openDir;
    const QString browsed = writeFile(browseDir.filePath(QStringLiteral("a.csv")), "1,2,3,A\n");
    const QString opened = writeFile(openDir.filePath(QStringLiteral("b.csv")), "1,2,3,B\n");
    QVERIFY(!browsed.isEmpty() && !opened.isEmpty());

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();

    DialogSeen browse;
    answerNextFileDialog(&browse, browsed);
    ui->tbBrowse->click();
    QVERIFY(browse.seen);

    DialogSeen open;
    answerNextFileDialog(&open, opened);
    ui->actionOpen->trigger();
    QVERIFY(open.seen);
    QCOMPARE(open.directory, QDir::currentPath());
    QCOMPARE(ui->cboInFile->currentText(), opened);
    QCOMPARE(ui->cboInFile_2->count(), 0);
    QCOMPARE(window.lastBrowsePath(), browsed);

    // The next "..." starts at the file of the last "...", not at the one
    // opened through the menu.
    DialogSeen again;
    answerNextFileDialog(&again, QString());
    ui->tbBrowse->click();
    QVERIFY(again.seen);
    QCOMPARE(again.directory, browseDir.path());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"

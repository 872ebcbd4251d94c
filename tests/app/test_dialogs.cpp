// The Help menu's boxes and the S and Escape keys, before the first display,
// with a display, and after the "Data Viewer" is gone.

#include "tests/app/displayhelpers.h"

#include <QScreen>

using namespace displaytest;

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void aboutBoxText();
    void openGLVersionNeedsTheDataViewer();
    void keysBeforeTheFirstDisplayTouchNothing();
    void keysWithTheViewInItsSubWindow();
    void dataViewerClosedWhileTheKeyBoxIsOpen();
    void selectAllKeyInTheOutputPaneSelectsItsText();
};

void TestDialogs::aboutBoxText()
{
    MainWindow window;
    window.show();
    const auto box = answerNextMessageBox();
    window.form()->actionAbout_Morvek->trigger();
    QVERIFY(box->seen);
    QCOMPARE(box->title, QString("Veltrane v1.0"));
    QCOMPARE(box->text, QString("Veltrane v1.0 \n"
                                "Written by the Veltrane developers\n"
                                "      Veltrane\n"
                                "    June 2010\n"
                                "Last Updated:  October 2010\n"
                                "Created using QT and GLC_LIB"));
}

void TestDialogs::openGLVersionNeedsTheDataViewer()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    QAction *action = window.form()->actionOpenGL_Version;
    QVERIFY(!action->isEnabled());

    resetDisplay(window);
    QVERIFY(action->isEnabled());
    // Another view drew last; the box still reports the main view's context.
    window.form()->actionDisplay_Frustum_Viewer->setChecked(true);
    QApplication::processEvents();
    frustumViewer(window)->updateGL();
    const auto box = answerNextMessageBox();
    action->trigger();
    QVERIFY(box->seen);
    QCOMPARE(box->title, QString("OpenGL Version/Extension Information"));
    const QString version = QString::fromLatin1("OpenGL Version:  ");
    const QString separator = QString::fromLatin1("\n with extensions: \n");
    QVERIFY2(box->text.startsWith(version), qPrintable(box->text.left(80)));
    const int at = box->text.indexOf(separator);
    QVERIFY(at > version.size());  // a version string was read
    QVERIFY(box->text.mid(at + separator.size()).contains("GL_"));
    // The long extension list scrolls inside a box that fits the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(box->frame), qPrintable(QStringLiteral("%1 x %2 at %3, %4")
                                                         .arg(box->frame.width())
                                                         .arg(box->frame.height())
                                                         .arg(box->frame.x())
                                                         .arg(box->frame.y())));

    subWindowOf(mainView(window))->close();
    flushDeletes();
    QVERIFY(!action->isEnabled());
}

void TestDialogs::keysBeforeTheFirstDisplayTouchNothing()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (Qt::Key key : {Qt::Key_S, Qt::Key_Escape}) {
        const auto box = answerNextMessageBox();
        QTest::keyClick(&window, key);
        QApplication::processEvents();
        QVERIFY(!box->seen);
    }
    QVERIFY(window.findChildren<GLWidget *>().isEmpty());
    QVERIFY(!mdiAreaOf(window));
}

void TestDialogs::keysWithTheViewInItsSubWindow()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    GLWidget *view = mainView(window);
    QMdiSubWindow *sub = subWindowOf(view);
    const QRect geometry = view->geometry();

    const auto box = answerNextMessageBox();
    QTest::keyClick(&window, Qt::Key_S);
    QVERIFY(box->seen);
    QCOMPARE(box->title, QString("test"));
    QCOMPARE(box->text, QString("Not TopLevelWidget"));
    QApplication::processEvents();
    QVERIFY(!view->isWindow());
    QCOMPARE(view->parentWidget(), static_cast<QWidget *>(sub));
    QCOMPARE(view->geometry(), geometry);

    QTest::keyClick(&window, Qt::Key_Escape);
    QApplication::processEvents();
    QVERIFY(!view->isWindow());
    QCOMPARE(view->geometry(), geometry);
    QVERIFY(!view->isFullScreen());
}

void TestDialogs::dataViewerClosedWhileTheKeyBoxIsOpen()
{
    ConvertedSample sample;
    QVERIFY(sample.ready);
    MainWindow &window = *sample.window;
    resetDisplay(window);
    QPointer<GLWidget> view = mainView(window);

    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        subWindowOf(view)->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        answered = view.isNull();
        box->accept();
    });
    QTest::keyClick(&window, Qt::Key_S);
    QVERIFY(answered);
    // The key handler finished without reaching the destroyed view, and the
    // window has no view left to act on.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.form()->actionOpenGL_Version->isEnabled());
}

// The About box's shortcut is the select-all key; in the output pane that
// key selects the pane's text, elsewhere it still opens the box.
void TestDialogs::selectAllKeyInTheOutputPaneSelectsItsText()
{
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    window.showMessages({QStringLiteral("first line"), QStringLiteral("second line")});
    QTextEdit *pane = window.form()->txtOutput;
    pane->setFocus();
    QTRY_VERIFY(pane->hasFocus());

    auto box = answerNextMessageBox();
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QApplication::processEvents();
    QVERIFY2(!box->seen, "the About box opened");
    QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("first line\u2029second line"));

    window.form()->cboMode->setFocus();
    QTRY_VERIFY(window.form()->cboMode->hasFocus());
    box = answerNextMessageBox();
    QTest::keyClick(window.form()->cboMode, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(box->seen);
    QCOMPARE(box->title, QString("Veltrane v1.0"));
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"

// The colour popup: grid layout, marking, keyboard and mouse choices and the
// three-dot cell's colour dialog.

#include "widgets/colorpicker/colorpickerpopup.h"

#include <QtTest>
#include <QApplication>
#include <QColorDialog>
#include <QTimer>

#include <functional>

namespace {

const QList<QColor> kStandardColors = {
    Qt::black,  Qt::white,      Qt::red,  Qt::darkRed,  Qt::green,     Qt::darkGreen,
    Qt::blue,   Qt::darkBlue,   Qt::cyan, Qt::darkCyan, Qt::magenta,   Qt::darkMagenta,
    Qt::yellow, Qt::darkYellow, Qt::gray, Qt::darkGray, Qt::lightGray,
};

void addStandardColors(ColorPickerPopup &popup)
{
    int n = 0;
    for (const QColor &color : kStandardColors)
        popup.addColor(color, QString("colour %1").arg(++n), -1);
}

QList<ColorPickerItem *> markedItems(const ColorPickerPopup &popup)
{
    QList<ColorPickerItem *> marked;
    for (ColorPickerItem *item : popup.findChildren<ColorPickerItem *>()) {
        if (item->isMarked())
            marked << item;
    }
    return marked;
}

ColorPickerItem *itemAt(const ColorPickerPopup &popup, int row, int column)
{
    return qobject_cast<ColorPickerItem *>(popup.widgetAt(row, column));
}

bool showPopup(ColorPickerPopup &popup)
{
    popup.move(200, 200);
    popup.show();
    return QTest::qWaitForWindowExposed(&popup);
}

// Runs answer on the next modal dialog once it is up. Gives up after a few
// seconds so that a dialog that never opens fails the test instead of
// leaving the test hanging on one that opens late.
void answerModalDialog(std::function<void(QColorDialog *)> answer, QWidget **seen)
{
    auto *poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QColorDialog *>(modal)) {
            *seen = dialog;
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        } else if (++*tries > 100) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(50);
}

}  // namespace

class TestColorPickerPopup : public QObject {
    Q_OBJECT

private slots:
    void standardGridLayout();
    void gridWithoutDialogCell();
    void insertAtIndex();
    void marksWhenAddingOneAfterAnother();
    void addingExistingColorMarksItsCell();
    void arrowKeysMoveFocus_data();
    void arrowKeysMoveFocus();
    void showFocusesMarkedCell();
    void returnOnColorCellChoosesIt();
    void escapeClosesWithoutChoice();
    void otherKeysTravelOn();
    void mouseReleaseOnCellChoosesIt();
    void mouseReleaseAwayFromPressedCell();
    void mouseReleaseOutsideCloses();
    void returnOnDialogCellOpensDialog();
    void dialogCancelOrKnownColor();
};

void TestColorPickerPopup::standardGridLayout()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);

    QCOMPARE(popup.columnCount(), 5);
    QCOMPARE(popup.rowCount(), 4);
    for (int i = 0; i < kStandardColors.size(); ++i) {
        ColorPickerItem *item = itemAt(popup, i / 5, i % 5);
        QVERIFY2(item, qPrintable(QString("no cell %1").arg(i)));
        QCOMPARE(item->color(), kStandardColors.at(i));
        QCOMPARE(item->size(), QSize(24, 21));
    }
    QVERIFY(popup.colorDialogButton());
    QCOMPARE(popup.widgetAt(3, 2), popup.colorDialogButton());
    QCOMPARE(popup.colorDialogButton()->size(), QSize(24, 21));
    QCOMPARE(popup.colorDialogButton()->frameRect(), QRect(2, 2, 20, 17));
    QVERIFY(!popup.widgetAt(3, 3));
    QVERIFY(!popup.widgetAt(4, 0));
    QCOMPARE(popup.itemForColor(Qt::darkCyan), itemAt(popup, 1, 4));
    QVERIFY(!popup.itemForColor(QColor(1, 2, 3)));
}

void TestColorPickerPopup::gridWithoutDialogCell()
{
    ColorPickerPopup empty(-1, true);
    QCOMPARE(empty.widgetAt(0, 0), empty.colorDialogButton());

    ColorPickerPopup popup(-1, false);
    QVERIFY(!popup.colorDialogButton());
    addStandardColors(popup);
    QVERIFY(itemAt(popup, 3, 1));
    QVERIFY(!popup.widgetAt(3, 2));

    ColorPickerPopup threeColumns(3, true);
    addStandardColors(threeColumns);
    QCOMPARE(threeColumns.columnCount(), 3);
    QCOMPARE(itemAt(threeColumns, 5, 1)->color(), QColor(Qt::lightGray));
    QCOMPARE(threeColumns.widgetAt(5, 2), threeColumns.colorDialogButton());
}

void TestColorPickerPopup::insertAtIndex()
{
    ColorPickerPopup popup(-1, false);
    popup.addColor(Qt::red, "red");
    popup.addColor(Qt::green, "green");
    popup.addColor(Qt::blue, "blue", 0);
    popup.addColor(Qt::cyan, "cyan", 42);
    QCOMPARE(itemAt(popup, 0, 0)->color(), QColor(Qt::blue));
    QCOMPARE(itemAt(popup, 0, 1)->color(), QColor(Qt::red));
    QCOMPARE(itemAt(popup, 1, 0)->color(), QColor(Qt::green));
    QCOMPARE(itemAt(popup, 1, 1)->color(), QColor(Qt::cyan));
    QCOMPARE(itemAt(popup, 1, 1)->text(), QString("cyan"));
    QCOMPARE(itemAt(popup, 1, 1)->toolTip(), QString("cyan"));
}

void TestColorPickerPopup::marksWhenAddingOneAfterAnother()
{
    ColorPickerPopup popup(-1, true);
    QVERIFY(!popup.lastChosen().isValid());

    popup.addColor(Qt::red, "red");
    QCOMPARE(markedItems(popup), {popup.itemForColor(Qt::red)});
    QCOMPARE(popup.lastChosen(), QColor(Qt::red));

    popup.addColor(Qt::green, "green");
    QVERIFY(markedItems(popup).isEmpty());
    QCOMPARE(popup.lastChosen(), QColor(Qt::red));

    popup.addColor(Qt::blue, "blue");
    QVERIFY(markedItems(popup).isEmpty());

    ColorPickerPopup standard(-1, true);
    addStandardColors(standard);
    QVERIFY(markedItems(standard).isEmpty());
    QCOMPARE(standard.lastChosen(), QColor(Qt::black));
}

void TestColorPickerPopup::addingExistingColorMarksItsCell()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    const int cells = popup.findChildren<ColorPickerItem *>().size();

    popup.addColor(Qt::blue, "another blue");
    QCOMPARE(popup.findChildren<ColorPickerItem *>().size(), cells);
    ColorPickerItem *blue = popup.itemForColor(Qt::blue);
    QCOMPARE(markedItems(popup), {blue});
    QCOMPARE(blue->text(), QString("colour 7"));
    QCOMPARE(popup.lastChosen(), QColor(Qt::black));
    QCOMPARE(popup.widgetAt(3, 2), popup.colorDialogButton());

    // Adding the last chosen colour again unmarks nothing else.
    popup.addColor(Qt::black, "black");
    QCOMPARE(markedItems(popup).size(), 2);
    QVERIFY(popup.itemForColor(Qt::black)->isMarked());
}

void TestColorPickerPopup::arrowKeysMoveFocus_data()
{
    QTest::addColumn<int>("fromRow");
    QTest::addColumn<int>("fromColumn");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("toRow");
    QTest::addColumn<int>("toColumn");

    QTest::newRow("down into the short row") << 2 << 4 << int(Qt::Key_Down) << 3 << 2;
    QTest::newRow("right wraps") << 0 << 4 << int(Qt::Key_Right) << 1 << 0;
    QTest::newRow("left wraps back") << 1 << 0 << int(Qt::Key_Left) << 0 << 4;
    QTest::newRow("up in first row") << 0 << 3 << int(Qt::Key_Up) << 0 << 0;
    QTest::newRow("right on three-dot cell") << 3 << 2 << int(Qt::Key_Right) << 3 << 2;
}

void TestColorPickerPopup::arrowKeysMoveFocus()
{
    QFETCH(int, fromRow);
    QFETCH(int, fromColumn);
    QFETCH(int, key);
    QFETCH(int, toRow);
    QFETCH(int, toColumn);

    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));

    QWidget *from = popup.widgetAt(fromRow, fromColumn);
    from->setFocus();
    QVERIFY(from->hasFocus());

    // The key goes where the user's key would: to the focused cell, which
    // passes it on to the popup.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QVERIFY(popup.widgetAt(toRow, toColumn)->hasFocus());
    QVERIFY(popup.isVisible());
}

void TestColorPickerPopup::showFocusesMarkedCell()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);

    QVERIFY(showPopup(popup));
    QVERIFY(popup.widgetAt(0, 0)->hasFocus());
    popup.hide();

    itemAt(popup, 2, 1)->setMarked(true);
    itemAt(popup, 2, 3)->setMarked(true);
    itemAt(popup, 1, 3)->setMarked(true);
    QVERIFY(showPopup(popup));
    QVERIFY(popup.widgetAt(1, 3)->hasFocus());
}

void TestColorPickerPopup::returnOnColorCellChoosesIt()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    itemAt(popup, 0, 0)->setMarked(true);
    itemAt(popup, 3, 0)->setMarked(true);
    QVERIFY(showPopup(popup));

    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);
    popup.widgetAt(1, 2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<QColor>(), QColor(Qt::darkBlue));
    QVERIFY(!popup.isVisible());
    QCOMPARE(hid.count(), 1);
    QCOMPARE(markedItems(popup), {itemAt(popup, 1, 2)});
    QCOMPARE(popup.lastChosen(), QColor(Qt::darkBlue));

    // Enter and Space choose too.
    QVERIFY(showPopup(popup));
    popup.widgetAt(0, 1)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QVERIFY(showPopup(popup));
    popup.widgetAt(0, 2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(selected.count(), 3);
    QCOMPARE(selected.at(1).at(0).value<QColor>(), QColor(Qt::white));
    QCOMPARE(selected.at(2).at(0).value<QColor>(), QColor(Qt::red));
    QCOMPARE(markedItems(popup), {itemAt(popup, 0, 2)});
}

void TestColorPickerPopup::escapeClosesWithoutChoice()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));

    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!popup.isVisible());
    QCOMPARE(hid.count(), 1);
    QCOMPARE(selected.count(), 0);
}

void TestColorPickerPopup::otherKeysTravelOn()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));
    popup.widgetAt(1, 1)->setFocus();

    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&popup, &key);
    QVERIFY(!key.isAccepted());
    QVERIFY(popup.widgetAt(1, 1)->hasFocus());
    QVERIFY(popup.isVisible());
}

void TestColorPickerPopup::mouseReleaseOnCellChoosesIt()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));

    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);
    QTest::mouseClick(popup.widgetAt(2, 3), Qt::LeftButton);

    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<QColor>(), QColor(Qt::darkYellow));
    QVERIFY(!popup.isVisible());
    QCOMPARE(hid.count(), 1);
    QCOMPARE(markedItems(popup), {itemAt(popup, 2, 3)});
}

void TestColorPickerPopup::mouseReleaseAwayFromPressedCell()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));

    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QWidget *cell = popup.widgetAt(1, 1);
    QTest::mousePress(cell, Qt::LeftButton);
    QVERIFY(cell->hasFocus());
    // Released over the neighbouring cell: still inside the popup, no choice.
    QTest::mouseRelease(cell, Qt::LeftButton, {}, QPoint(30, 10));
    QCOMPARE(selected.count(), 0);
    QVERIFY(popup.isVisible());
    QVERIFY(markedItems(popup).isEmpty());

    // Released outside the popup: it closes, still without a choice.
    QTest::mousePress(cell, Qt::LeftButton);
    QTest::mouseRelease(cell, Qt::LeftButton, {}, QPoint(-60, -60));
    QCOMPARE(selected.count(), 0);
    QVERIFY(!popup.isVisible());
}

void TestColorPickerPopup::mouseReleaseOutsideCloses()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));

    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);
    QTest::mouseRelease(&popup, Qt::LeftButton, {}, QPoint(popup.width() / 2, popup.height() - 1));
    QVERIFY(popup.isVisible());
    QCOMPARE(hid.count(), 0);

    QTest::mouseRelease(&popup, Qt::LeftButton, {}, QPoint(popup.width() + 5, 3));
    QVERIFY(!popup.isVisible());
    QCOMPARE(hid.count(), 1);
    QCOMPARE(selected.count(), 0);
}

void TestColorPickerPopup::returnOnDialogCellOpensDialog()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));
    QSignalSpy selected(&popup, &ColorPickerPopup::selected);

    const QColor custom(10, 20, 30, 40);
    QWidget *seen = nullptr;
    QColor initial;
    answerModalDialog(
        [&](QColorDialog *dialog) {
            initial = dialog->currentColor();
            QVERIFY(dialog->testOption(QColorDialog::ShowAlphaChannel));
            dialog->setCurrentColor(custom);
            dialog->accept();
        },
        &seen);

    popup.widgetAt(3, 2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QVERIFY(seen);
    QCOMPARE(initial, QColor(Qt::black));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<QColor>(), custom);
    QCOMPARE(popup.lastChosen(), custom);
    ColorPickerItem *added = itemAt(popup, 3, 2);
    QVERIFY(added);
    QCOMPARE(added->color(), custom);
    QCOMPARE(added->text(), QString("Custom"));
    QCOMPARE(popup.widgetAt(3, 3), popup.colorDialogButton());
}

void TestColorPickerPopup::dialogCancelOrKnownColor()
{
    ColorPickerPopup popup(-1, true);
    addStandardColors(popup);
    QVERIFY(showPopup(popup));
    QSignalSpy selected(&popup, &ColorPickerPopup::selected);

    QWidget *seen = nullptr;
    answerModalDialog(
        [](QColorDialog *dialog) {
            dialog->setCurrentColor(QColor(1, 2, 3));
            dialog->reject();
        },
        &seen);
    QTest::mouseClick(popup.colorDialogButton(), Qt::LeftButton);

    QVERIFY(seen);
    QCOMPARE(selected.count(), 0);
    QVERIFY(!popup.itemForColor(QColor(1, 2, 3)));
    QCOMPARE(popup.widgetAt(3, 2), popup.colorDialogButton());
    QCOMPARE(popup.lastChosen(), QColor(Qt::black));

    // A colour from the dialog that already has a cell keeps that cell.
    seen = nullptr;
    answerModalDialog(
        [](QColorDialog *dialog) {
            dialog->setCurrentColor(Qt::green);
            dialog->accept();
        },
        &seen);
    popup.getColorFromDialog();

    QVERIFY(seen);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<QColor>(), QColor(Qt::green));
    QCOMPARE(popup.findChildren<ColorPickerItem *>().size(), kStandardColors.size());
    QCOMPARE(popup.itemForColor(Qt::green)->text(), QString("colour 5"));
    QCOMPARE(popup.lastChosen(), QColor(Qt::green));
}

QTEST_MAIN(TestColorPickerPopup)
#include "tst_colorpickerpopup.moc"

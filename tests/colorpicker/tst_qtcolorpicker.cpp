// The colour picker button: its first colour, setCurrentColor, the swatch,
// opening and closing the popup and where the popup opens.

#include "widgets/colorpicker/colorpickerpopup.h"
#include "widgets/colorpicker/qtcolorpicker.h"

#include <QtTest>
#include <QApplication>
#include <QColorDialog>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

ColorPickerPopup *popupOf(const QtColorPicker &picker)
{
    return picker.findChild<ColorPickerPopup *>();
}

QList<ColorPickerItem *> markedItems(const QtColorPicker &picker)
{
    QList<ColorPickerItem *> marked;
    for (ColorPickerItem *item : picker.findChildren<ColorPickerItem *>()) {
        if (item->isMarked())
            marked << item;
    }
    return marked;
}

// Shows the picker as the active window, as the main window would be.
bool showActive(QtColorPicker &picker)
{
    picker.show();
    picker.activateWindow();
    return QTest::qWaitForWindowActive(&picker);
}

// Colour at the middle of the button's swatch icon, drawn when the button
// paints.
QColor swatchCenter(QtColorPicker &picker)
{
    picker.grab();
    const int s = picker.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &picker);
    const QImage image = picker.icon().pixmap(s, s).toImage();
    return image.pixelColor(s / 2, s / 2);
}

}  // namespace

class TestQtColorPicker : public QObject {
    Q_OBJECT

private slots:
    void newPickerShowsBlack();
    void standardColorsInOrder();
    void setCurrentColorEmitsOnce();
    void unknownColorBecomesCustom();
    void programmaticChoiceKeepsOtherMarks();
    void swatchFollowsCurrentColor();
    void firstAddedColorBecomesCurrent();
    void colorDialogProperty();
    void buttonOpensAndClosesPopup();
    void choiceInPopupChangesColor();
    void dialogChoiceBecomesCurrent();
    void popupPlacement_data();
    void popupPlacement();
};

void TestQtColorPicker::newPickerShowsBlack()
{
    QtColorPicker picker;
    QCOMPARE(picker.text(), QString("Black"));
    QCOMPARE(picker.currentColor(), QColor(Qt::black));
    QVERIFY(picker.isCheckable());
    QVERIFY(!picker.autoDefault());
    QCOMPARE(picker.focusPolicy(), Qt::StrongFocus);
    QCOMPARE(swatchCenter(picker), QColor(Qt::black));

    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    picker.addStandardColors();
    QCOMPARE(picker.text(), QString("Black"));
    QCOMPARE(picker.currentColor(), QColor(Qt::black));
    QVERIFY(markedItems(picker).isEmpty());
    QCOMPARE(changed.count(), 0);
}

void TestQtColorPicker::standardColorsInOrder()
{
    QtColorPicker picker;
    picker.addStandardColors();
    ColorPickerPopup *popup = popupOf(picker);
    QVERIFY(popup);

    const QList<QPair<QString, QRgb>> expected = {
        {"Black", 0x000000},      {"White", 0xFFFFFF},       {"Red", 0xFF0000},     {"Dark red", 0x800000},
        {"Green", 0x00FF00},      {"Dark green", 0x008000},  {"Blue", 0x0000FF},    {"Dark blue", 0x000080},
        {"Cyan", 0x00FFFF},       {"Dark cyan", 0x008080},   {"Magenta", 0xFF00FF}, {"Dark magenta", 0x800080},
        {"Yellow", 0xFFFF00},     {"Dark yellow", 0x808000}, {"Gray", 0xA0A0A4},    {"Dark gray", 0x808080},
        {"Light gray", 0xC0C0C0},
    };
    for (int i = 0; i < expected.size(); ++i) {
        auto *item = qobject_cast<ColorPickerItem *>(popup->widgetAt(i / 5, i % 5));
        QVERIFY(item);
        QCOMPARE(item->text(), expected.at(i).first);
        QCOMPARE(item->color().rgb() & 0xFFFFFF, expected.at(i).second);
    }
    QCOMPARE(popup->widgetAt(3, 2), popup->colorDialogButton());
}

void TestQtColorPicker::setCurrentColorEmitsOnce()
{
    QtColorPicker picker;
    picker.addStandardColors();
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);

    picker.setCurrentColor(Qt::red);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QColor>(), QColor(Qt::red));
    QCOMPARE(picker.text(), QString("Red"));
    QCOMPARE(picker.currentColor(), QColor(Qt::red));
    QCOMPARE(markedItems(picker), {popupOf(picker)->itemForColor(Qt::red)});

    picker.setCurrentColor(Qt::red);
    QCOMPARE(changed.count(), 1);

    picker.setCurrentColor(QColor());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(picker.currentColor(), QColor(Qt::red));
    QCOMPARE(popupOf(picker)->findChildren<ColorPickerItem *>().size(), 17);
}

void TestQtColorPicker::unknownColorBecomesCustom()
{
    QtColorPicker picker;
    picker.addStandardColors();
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);

    const QColor odd(12, 34, 56);
    picker.setCurrentColor(odd);
    QCOMPARE(picker.text(), QString("Custom"));
    QCOMPARE(picker.currentColor(), odd);
    QCOMPARE(changed.count(), 1);
    ColorPickerPopup *popup = popupOf(picker);
    auto *custom = qobject_cast<ColorPickerItem *>(popup->widgetAt(3, 2));
    QVERIFY(custom);
    QCOMPARE(custom->color(), odd);
    QCOMPARE(custom->text(), QString("Custom"));
    QVERIFY(custom->isMarked());
    QCOMPARE(popup->widgetAt(3, 3), popup->colorDialogButton());

    // The colour named by the program itself keeps its name.
    picker.addColor(QColor(65, 65, 65, 255), "Darker Gray");
    picker.setCurrentColor(QColor(65, 65, 65));
    QCOMPARE(picker.text(), QString("Darker Gray"));
    QCOMPARE(popup->findChildren<ColorPickerItem *>().size(), 19);
}

void TestQtColorPicker::programmaticChoiceKeepsOtherMarks()
{
    QtColorPicker picker;
    picker.addStandardColors();
    picker.setCurrentColor(Qt::red);
    picker.setCurrentColor(Qt::blue);
    ColorPickerPopup *popup = popupOf(picker);
    QVERIFY(popup->itemForColor(Qt::red)->isMarked());
    QVERIFY(popup->itemForColor(Qt::blue)->isMarked());
    QCOMPARE(markedItems(picker).size(), 2);
}

void TestQtColorPicker::swatchFollowsCurrentColor()
{
    QtColorPicker picker;
    picker.addStandardColors();
    QVERIFY(showActive(picker));

    picker.setCurrentColor(Qt::darkGreen);
    QCOMPARE(swatchCenter(picker), QColor(Qt::darkGreen));

    // The outline is gray and the corner keeps the button colour.
    const int s = picker.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &picker);
    const QImage image = picker.icon().pixmap(s, s).toImage();
    QCOMPARE(image.pixelColor(2, s / 2), QColor(0xa0, 0xa0, 0xa4));
    QCOMPARE(image.pixelColor(0, 0), picker.palette().button().color());
}

void TestQtColorPicker::firstAddedColorBecomesCurrent()
{
    QtColorPicker picker;
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    picker.addColor(Qt::magenta, "Pink-ish");
    picker.addColor(Qt::cyan, "Sea");
    QCOMPARE(picker.currentColor(), QColor(Qt::magenta));
    QCOMPARE(picker.text(), QString("Pink-ish"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(markedItems(picker).isEmpty());
}

void TestQtColorPicker::colorDialogProperty()
{
    QtColorPicker with(nullptr, -1, true);
    QVERIFY(with.property("colorDialog").toBool());
    QVERIFY(popupOf(with)->colorDialogButton());

    QtColorPicker without(nullptr, -1, false);
    QVERIFY(!without.colorDialogAllowed());
    QVERIFY(!popupOf(without)->colorDialogButton());
    QVERIFY(without.setProperty("colorDialog", true));
    QVERIFY(without.colorDialogAllowed());
    QVERIFY(!popupOf(without)->colorDialogButton());
}

void TestQtColorPicker::buttonOpensAndClosesPopup()
{
    QtColorPicker picker;
    picker.addStandardColors();
    picker.setCurrentColor(Qt::yellow);
    picker.move(300, 300);
    QVERIFY(showActive(picker));
    ColorPickerPopup *popup = popupOf(picker);

    QTest::mouseClick(&picker, Qt::LeftButton);
    QVERIFY(picker.isChecked());
    QVERIFY(popup->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QVERIFY(popup->itemForColor(Qt::yellow)->hasFocus());
    QCOMPARE(popup->pos(), picker.mapToGlobal(QPoint(0, picker.height() - 1)));

    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    QVERIFY(!picker.isChecked());
    QCOMPARE(changed.count(), 0);
    QVERIFY(picker.hasFocus());
}

void TestQtColorPicker::choiceInPopupChangesColor()
{
    QtColorPicker picker;
    picker.addStandardColors();
    picker.setCurrentColor(Qt::red);
    picker.move(300, 300);
    QVERIFY(showActive(picker));
    ColorPickerPopup *popup = popupOf(picker);

    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    QTest::mouseClick(&picker, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QTest::mouseClick(popup->itemForColor(Qt::darkCyan), Qt::LeftButton);

    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QColor>(), QColor(Qt::darkCyan));
    QCOMPARE(picker.text(), QString("Dark cyan"));
    QVERIFY(!popup->isVisible());
    QVERIFY(!picker.isChecked());
    // A choice made in the popup leaves only its own cell marked.
    QCOMPARE(markedItems(picker), {popup->itemForColor(Qt::darkCyan)});

    // Choosing the current colour again closes the popup quietly.
    QTest::mouseClick(&picker, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(changed.count(), 1);
    QVERIFY(!popup->isVisible());
    QVERIFY(!picker.isChecked());
}

void TestQtColorPicker::dialogChoiceBecomesCurrent()
{
    QtColorPicker picker;
    picker.addStandardColors();
    picker.move(300, 300);
    QVERIFY(showActive(picker));
    ColorPickerPopup *popup = popupOf(picker);

    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    QTest::mouseClick(&picker, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(popup));

    const QColor chosen(200, 100, 50, 128);
    QWidget *dialogParent = nullptr;
    bool answered = false;
    QTimer::singleShot(200, [&] {
        auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialogParent = dialog->parentWidget();
        dialog->setCurrentColor(chosen);
        dialog->accept();
        answered = true;
    });
    QTest::keyClick(popup->colorDialogButton(), Qt::Key_Space);

    QVERIFY(answered);
    QCOMPARE(dialogParent, &picker);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(picker.currentColor(), chosen);
    QCOMPARE(picker.text(), QString("Custom"));
    QVERIFY(!popup->isVisible());
    QVERIFY(!picker.isChecked());
}

void TestQtColorPicker::popupPlacement_data()
{
    QTest::addColumn<QPoint>("buttonPos");
    QTest::addColumn<bool>("atRightEdge");
    QTest::addColumn<bool>("atBottomEdge");

    QTest::newRow("room enough") << QPoint(300, 300) << false << false;
    QTest::newRow("right edge") << QPoint(1880, 300) << true << false;
    QTest::newRow("bottom edge") << QPoint(300, 1180) << false << true;
    QTest::newRow("bottom right corner") << QPoint(1880, 1180) << true << true;
}

void TestQtColorPicker::popupPlacement()
{
    QFETCH(QPoint, buttonPos);
    QFETCH(bool, atRightEdge);
    QFETCH(bool, atBottomEdge);

    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    if (desktop != QRect(0, 0, 1920, 1200))
        QSKIP("needs the 1920 x 1200 test screen");

    QtColorPicker picker;
    picker.addStandardColors();
    picker.resize(60, 20);
    picker.move(buttonPos);
    QVERIFY(showActive(picker));
    ColorPickerPopup *popup = popupOf(picker);

    QTest::mouseClick(&picker, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    const QRect placed = popup->frameGeometry();
    const QPoint below = picker.mapToGlobal(QPoint(0, picker.height() - 1));

    if (atRightEdge)
        QCOMPARE(placed.right(), 1919);  // ends at the desktop width
    else
        QCOMPARE(placed.left(), below.x());

    if (atBottomEdge) {
        // Moved up to end at the desktop's bottom coordinate, over the button.
        QCOMPARE(placed.top() + placed.height(), 1199);
        QVERIFY(placed.top() < picker.mapToGlobal(QPoint(0, 0)).y());
    } else {
        QCOMPARE(placed.top(), below.y());
    }
    QVERIFY(desktop.contains(placed));
}

QTEST_MAIN(TestQtColorPicker)
#include "tst_qtcolorpicker.moc"

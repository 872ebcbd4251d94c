#include "widgets/colorpicker/qtcolorpicker.h"
#include "widgets/colorpicker/colorpickergrid.h"
#include "widgets/colorpicker/colorpickerpopup.h"

#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

QtColorPicker::QtColorPicker(QWidget *parent, int columns, bool enableColorDialog)
    : QPushButton(parent), colorDialogEnabled(enableColorDialog)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setAutoDefault(false);
    setAutoFillBackground(true);
    setCheckable(true);

    setText(tr("Black"));
    firstAdded = false;
    current = Qt::black;
    iconStale = true;

    popup = new ColorPickerPopup(columns, enableColorDialog, this);

    connect(popup, &ColorPickerPopup::selected, this, &QtColorPicker::setCurrentColor);
    connect(popup, &ColorPickerPopup::hid, this, &QtColorPicker::popupClosed);
    connect(this, &QtColorPicker::toggled, this, &QtColorPicker::buttonPressed);
}

void QtColorPicker::addColor(const QColor &color, const QString &text, int index)
{
    popup->addColor(color, text, index);
    // The first colour ever added becomes current quietly: nothing is
    // emitted and its cell stays unmarked.
    if (!firstAdded) {
        current = color;
        setText(text);
        iconStale = true;
        firstAdded = true;
    }
}

void QtColorPicker::addStandardColors()
{
    addColor(Qt::black, tr("Black"));
    addColor(Qt::white, tr("White"));
    addColor(Qt::red, tr("Red"));
    addColor(Qt::darkRed, tr("Dark red"));
    addColor(Qt::green, tr("Green"));
    addColor(Qt::darkGreen, tr("Dark green"));
    addColor(Qt::blue, tr("Blue"));
    addColor(Qt::darkBlue, tr("Dark blue"));
    addColor(Qt::cyan, tr("Cyan"));
    addColor(Qt::darkCyan, tr("Dark cyan"));
    addColor(Qt::magenta, tr("Magenta"));
    addColor(Qt::darkMagenta, tr("Dark magenta"));
    addColor(Qt::yellow, tr("Yellow"));
    addColor(Qt::darkYellow, tr("Dark yellow"));
    addColor(Qt::gray, tr("Gray"));
    addColor(Qt::darkGray, tr("Dark gray"));
    addColor(Qt::lightGray, tr("Light gray"));
}

QColor QtColorPicker::currentColor() const
{
    return current;
}

bool QtColorPicker::colorDialogAllowed() const
{
    return colorDialogEnabled;
}

void QtColorPicker::setColorDialogAllowed(bool allowed)
{
    colorDialogEnabled = allowed;
}

void QtColorPicker::setCurrentColor(const QColor &col)
{
    if (col == current || !col.isValid())
        return;

    ColorPickerItem *item = popup->itemForColor(col);
    if (!item) {
        addColor(col, tr("Custom"));
        item = popup->itemForColor(col);
    }

    current = col;
    setText(item->text());
    iconStale = true;

    popup->hide();
    repaint();

    item->setMarked(true);
    emit colorChanged(col);
}

void QtColorPicker::buttonPressed(bool toggled)
{
    if (!toggled)
        return;

    const QRect desktop = screen()->virtualGeometry();
    const QPoint below = mapToGlobal(QPoint(0, height() - 1));
    popup->move(popupPosition(below, popup->sizeHint(), desktop));

    if (ColorPickerItem *item = popup->itemForColor(current))
        item->setMarked(true);

    clearFocus();
    update();

    popup->setFocus();
    popup->show();
}

void QtColorPicker::popupClosed()
{
    setChecked(false);
    setFocus();
}

void QtColorPicker::paintEvent(QPaintEvent *event)
{
    if (iconStale) {
        const int s = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
        QPixmap swatch(s, s);
        swatch.fill(palette().button().color());

        QPainter p(&swatch);
        p.setPen(QPen(QColor(0xa0, 0xa0, 0xa4), 0));
        p.setBrush(current);
        p.drawRect(2, 2, s - 5, s - 5);
        p.end();

        setIcon(QIcon(swatch));
        iconStale = false;
    }
    QPushButton::paintEvent(event);
}

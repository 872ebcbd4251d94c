#include "widgets/colorpicker/colorpickerpopup.h"
#include "widgets/colorpicker/colorpickergrid.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Outline colour of a marked cell and of the picker's swatch.
const QColor kMarkGray(0xa0, 0xa0, 0xa4);

// Every cell of the grid has this size.
const int kCellWidth = 24;
const int kCellHeight = 21;

bool isChooseKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool isArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

}  // namespace

// ColorPickerItem ------------------------------------------------------------

ColorPickerItem::ColorPickerItem(const QColor &color, const QString &text, QWidget *parent)
    : QFrame(parent), c(color), t(text)
{
    setToolTip(t);
    setFixedWidth(kCellWidth);
    setFixedHeight(kCellHeight);
}

QColor ColorPickerItem::color() const
{
    return c;
}

QString ColorPickerItem::text() const
{
    return t;
}

bool ColorPickerItem::isMarked() const
{
    return marked;
}

void ColorPickerItem::setMarked(bool mark)
{
    marked = mark;
    update();
}

void ColorPickerItem::setColor(const QColor &color, const QString &text)
{
    c = color;
    t = text;
    setToolTip(t);
    update();
}

void ColorPickerItem::setColor(const QColor &color)
{
    setColor(color, QString());
}

void ColorPickerItem::mousePressEvent(QMouseEvent *)
{
    setFocus();
    update();
}

void ColorPickerItem::mouseMoveEvent(QMouseEvent *)
{
    setFocus();
    update();
}

void ColorPickerItem::mouseReleaseEvent(QMouseEvent *event)
{
    // The cell that took the press also gets the release, wherever the
    // pointer is by then. Only a release on the cell chooses it; anywhere
    // else the popup decides (a release outside the popup closes it).
    if (!rect().contains(event->pos())) {
        event->ignore();
        return;
    }
    marked = true;
    emit selected();
}

void ColorPickerItem::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width();
    const int h = height();

    p.setBrush(Qt::NoBrush);
    if (marked) {
        p.setPen(QPen(kMarkGray, 1));
        p.drawRect(1, 1, w - 3, h - 3);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(3, 3, w - 7, h - 7);
    p.fillRect(4, 4, w - 8, h - 8, c);

    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(0, 0, w - 1, h - 1);
    }
}

// ColorPickerButton ----------------------------------------------------------

ColorPickerButton::ColorPickerButton(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel);
}

void ColorPickerButton::mousePressEvent(QMouseEvent *)
{
    setFrameShadow(Sunken);
    update();
}

void ColorPickerButton::mouseMoveEvent(QMouseEvent *)
{
    setFocus();
    update();
}

void ColorPickerButton::mouseReleaseEvent(QMouseEvent *)
{
    setFrameShadow(Raised);
    repaint();
    emit clicked();
}

void ColorPickerButton::keyPressEvent(QKeyEvent *event)
{
    if (isArrowKey(event->key())) {
        // Left unaccepted, the key travels on to the popup, which moves the
        // focus through the grid.
        event->ignore();
    } else if (isChooseKey(event->key())) {
        setFrameShadow(Sunken);
        update();
    } else {
        QFrame::keyPressEvent(event);
    }
}

void ColorPickerButton::keyReleaseEvent(QKeyEvent *event)
{
    if (isArrowKey(event->key())) {
        event->ignore();
    } else if (isChooseKey(event->key())) {
        setFrameShadow(Raised);
        repaint();
        emit clicked();
    } else {
        QFrame::keyReleaseEvent(event);
    }
}

void ColorPickerButton::focusInEvent(QFocusEvent *event)
{
    setFrameShadow(Raised);
    update();
    QFrame::focusInEvent(event);
}

void ColorPickerButton::focusOutEvent(QFocusEvent *event)
{
    setFrameShadow(Raised);
    update();
    QFrame::focusOutEvent(event);
}

void ColorPickerButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    drawFrame(&p);
    p.fillRect(contentsRect(), palette().button());

    // Three dots in the middle, nudged down and right while pressed.
    const int offset = frameShadow() == Sunken ? 1 : 0;
    const int x = (width() - 1) / 2 + offset;
    const int y = (height() - 1) / 2 + offset;
    p.setPen(QPen(palette().buttonText().color(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(x - 4, y, 1, 1);
    p.drawRect(x, y, 1, 1);
    p.drawRect(x + 4, y, 1, 1);

    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(0, 0, width() - 1, height() - 1);
    }
}

// ColorPickerPopup -----------------------------------------------------------

ColorPickerPopup::ColorPickerPopup(int columns, bool withColorDialog, QWidget *parent) : QFrame(parent, Qt::Popup)
{
    setFrameStyle(QFrame::StyledPanel);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    this->columns = columns;

    if (withColorDialog) {
        dialogButton = new ColorPickerButton(this);
        dialogButton->setFixedWidth(kCellWidth);
        dialogButton->setFixedHeight(kCellHeight);
        dialogButton->setFrameRect(QRect(2, 2, 20, 17));
        connect(dialogButton, &ColorPickerButton::clicked, this, &ColorPickerPopup::getColorFromDialog);
    }

    rebuildGrid();
}

ColorPickerItem *ColorPickerPopup::itemForColor(const QColor &color) const
{
    for (ColorPickerItem *item : items) {
        if (item->color() == color)
            return item;
    }
    return nullptr;
}

QWidget *ColorPickerPopup::widgetAt(int row, int column) const
{
    // value() never inserts, so looking at an empty position leaves the map
    // as it was.
    return cellMap.value(row).value(column, nullptr);
}

int ColorPickerPopup::rowCount() const
{
    return grid->rowCount();
}

int ColorPickerPopup::columnCount() const
{
    return grid->columnCount();
}

ColorPickerButton *ColorPickerPopup::colorDialogButton() const
{
    return dialogButton;
}

QColor ColorPickerPopup::lastChosen() const
{
    return lastSel;
}

void ColorPickerPopup::addColor(const QColor &color, const QString &text, int index)
{
    ColorPickerItem *existing = itemForColor(color);
    ColorPickerItem *previous = itemForColor(lastSel);

    // A colour is never shown twice: adding it again selects its cell.
    if (existing) {
        if (previous && previous != existing)
            previous->setMarked(false);
        existing->setFocus();
        existing->setMarked(true);
        return;
    }

    auto *item = new ColorPickerItem(color, text, this);
    if (previous) {
        previous->setMarked(false);
    } else {
        item->setMarked(true);
        lastSel = color;
    }
    item->setFocus();
    connect(item, &ColorPickerItem::selected, this, &ColorPickerPopup::updateSelected);

    if (index < 0 || index > items.size())
        index = items.size();
    items.insert(index, item);
    rebuildGrid();
    update();
}

void ColorPickerPopup::rebuildGrid()
{
    cellMap.clear();
    const int n = effectiveColumnCount(columns, items.size());

    // Deleting the layout leaves its widgets in place on the popup.
    delete grid;
    grid = new QGridLayout(this);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->setSpacing(0);

    int index = 0;
    for (ColorPickerItem *item : qAsConst(items)) {
        const GridCell cell = gridCellForIndex(index++, n);
        grid->addWidget(item, cell.row, cell.column);
        cellMap[cell.row][cell.column] = item;
    }
    if (dialogButton) {
        const GridCell cell = gridCellForIndex(index, n);
        grid->addWidget(dialogButton, cell.row, cell.column);
        cellMap[cell.row][cell.column] = dialogButton;
    }

    updateGeometry();
}

void ColorPickerPopup::choose(ColorPickerItem *chosen)
{
    chosen->setMarked(true);
    for (int i = 0; QLayoutItem *layoutItem = grid->itemAt(i); ++i) {
        auto *item = qobject_cast<ColorPickerItem *>(layoutItem->widget());
        if (item && item != chosen)
            item->setMarked(false);
    }
    lastSel = chosen->color();
    emit selected(chosen->color());
    hide();
}

void ColorPickerPopup::updateSelected()
{
    // The released cell has already marked itself.
    if (auto *item = qobject_cast<ColorPickerItem *>(sender())) {
        choose(item);
        return;
    }
    for (int i = 0; QLayoutItem *layoutItem = grid->itemAt(i); ++i) {
        if (auto *item = qobject_cast<ColorPickerItem *>(layoutItem->widget()))
            item->setMarked(false);
    }
    hide();
}

void ColorPickerPopup::getColorFromDialog()
{
    const QColor color = QColorDialog::getColor(lastSel, parentWidget(), QString(), QColorDialog::ShowAlphaChannel);
    if (!color.isValid())
        return;

    addColor(color, tr("Custom"), -1);
    lastSel = color;
    emit selected(color);
}

void ColorPickerPopup::mouseReleaseEvent(QMouseEvent *event)
{
    if (!rect().contains(event->pos()))
        hide();
}

void ColorPickerPopup::keyPressEvent(QKeyEvent *event)
{
    GridCell at;
    bool found = false;
    for (auto row = cellMap.cbegin(); row != cellMap.cend() && !found; ++row) {
        for (auto cell = row->cbegin(); cell != row->cend(); ++cell) {
            if (cell.value()->hasFocus()) {
                at = GridCell{row.key(), cell.key()};
                found = true;
                break;
            }
        }
    }

    const int rows = grid->rowCount();
    const int cols = grid->columnCount();
    const GridOccupied occupied = [this](int row, int column) { return widgetAt(row, column) != nullptr; };

    switch (event->key()) {
    case Qt::Key_Left:
        at = stepInGrid(at, GridStep::Left, rows, cols, occupied);
        break;
    case Qt::Key_Right:
        at = stepInGrid(at, GridStep::Right, rows, cols, occupied);
        break;
    case Qt::Key_Up:
        at = stepInGrid(at, GridStep::Up, rows, cols, occupied);
        break;
    case Qt::Key_Down:
        at = stepInGrid(at, GridStep::Down, rows, cols, occupied);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *item = qobject_cast<ColorPickerItem *>(widgetAt(at.row, at.column)))
            choose(item);
        break;
    case Qt::Key_Escape:
        hide();
        break;
    default:
        event->ignore();
        break;
    }

    // An empty popup has nothing to move the focus to.
    if (QWidget *widget = widgetAt(at.row, at.column))
        widget->setFocus();
}

void ColorPickerPopup::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);

    // The last marked cell found column by column gets the focus.
    bool foundMarked = false;
    for (int column = 0; column < grid->columnCount(); ++column) {
        for (int row = 0; row < grid->rowCount(); ++row) {
            auto *item = qobject_cast<ColorPickerItem *>(widgetAt(row, column));
            if (item && item->isMarked()) {
                item->setFocus();
                foundMarked = true;
                break;
            }
        }
    }

    if (!foundMarked) {
        if (items.isEmpty())
            setFocus();
        else
            widgetAt(0, 0)->setFocus();
    }
}

void ColorPickerPopup::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    emit hid();
}

#include "widgets/colorpicker/colorpickergrid.h"

int automaticColumnCount(int cellCount)
{
    // Integer square root rounded up: 17 cells give 5, 25 give 5, 26 give 6.
    int columns = 1;
    while (columns * columns < cellCount)
        ++columns;
    return columns;
}

int effectiveColumnCount(int requestedColumns, int cellCount)
{
    if (requestedColumns == -1)
        return automaticColumnCount(cellCount);
    // Zero or a negative count other than -1 would leave nowhere to put a
    // cell; one column is the nearest sensible grid.
    return requestedColumns < 1 ? 1 : requestedColumns;
}

GridCell gridCellForIndex(int index, int columns)
{
    return GridCell{index / columns, index % columns};
}

GridCell stepInGrid(GridCell from, GridStep step, int rows, int columns, const GridOccupied &occupied)
{
    GridCell to = from;
    switch (step) {
    case GridStep::Left:
        if (from.column > 0) {
            to.column = from.column - 1;
        } else if (from.row > 0) {
            to.row = from.row - 1;
            to.column = columns - 1;
        }
        break;
    case GridStep::Right:
        if (from.column < columns - 1 && occupied(from.row, from.column + 1)) {
            to.column = from.column + 1;
        } else if (from.row < rows - 1) {
            to.row = from.row + 1;
            to.column = 0;
        }
        break;
    case GridStep::Up:
        if (from.row > 0)
            to.row = from.row - 1;
        else
            to.column = 0;
        break;
    case GridStep::Down:
        if (from.row < rows - 1) {
            const int below = from.row + 1;
            if (occupied(below, from.column)) {
                to.row = below;
            } else {
                // The row below ends early: go to its last widget.
                for (int column = 1; column < columns; ++column) {
                    if (!occupied(below, column)) {
                        to.row = below;
                        to.column = column - 1;
                        break;
                    }
                }
            }
        }
        break;
    }
    return to;
}

QPoint popupPosition(QPoint anchor, QSize popupSize, const QRect &desktop)
{
    int x = anchor.x();
    int y = anchor.y();
    if (x < desktop.left())
        x = desktop.left();
    if (y < desktop.top())
        y = desktop.top();
    // The right limit is one past the desktop's last column, so that a
    // desktop that does not start at x = 0 is handled too.
    const int rightLimit = desktop.left() + desktop.width();
    if (x + popupSize.width() > rightLimit)
        x = rightLimit - popupSize.width();
    if (y + popupSize.height() > desktop.bottom())
        y = desktop.bottom() - popupSize.height();
    return QPoint(x, y);
}

#pragma once
// Layout and keyboard navigation of the colour popup's grid, kept apart from
// the widgets so that they can be checked without a window.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

// A position in the popup's grid; rows and columns count from 0.
struct GridCell {
    int row = 0;
    int column = 0;
};

inline bool operator==(const GridCell &a, const GridCell &b)
{
    return a.row == b.row && a.column == b.column;
}

inline bool operator!=(const GridCell &a, const GridCell &b)
{
    return !(a == b);
}

// Answers whether a grid position holds a widget.
using GridOccupied = std::function<bool(int row, int column)>;

// The arrow keys the grid understands.
enum class GridStep { Left, Right, Up, Down };

// Number of columns chosen for a grid of cellCount colour cells when none was
// requested: the square root rounded up, and never less than one so that a
// grid with no colour cells still has a column for the three-dot cell.
int automaticColumnCount(int cellCount);

// Number of columns actually used for a requested count (-1 for automatic).
int effectiveColumnCount(int requestedColumns, int cellCount);

// Position of the index-th cell when cells fill the grid row by row.
GridCell gridCellForIndex(int index, int columns);

// Where one arrow key moves the focus from a position in a grid of the given
// size. Earlier rows are always full; only the last row may end early. The
// arrows wrap from the end of a row to the start of the next and back, never
// from the last cell to the first, and Up in the first row goes to its start.
GridCell stepInGrid(GridCell from, GridStep step, int rows, int columns, const GridOccupied &occupied);

// Top-left corner of a popup of the given size that opens below a button
// whose bottom-left pixel is at anchor (global coordinates), kept inside the
// desktop rectangle.
QPoint popupPosition(QPoint anchor, QSize popupSize, const QRect &desktop);

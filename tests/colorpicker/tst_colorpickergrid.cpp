// Column count, cell placement, arrow-key moves and popup placement of the
// colour popup, checked without any widget.

#include "widgets/colorpicker/colorpickergrid.h"

#include <QtTest>

Q_DECLARE_METATYPE(GridCell)
Q_DECLARE_METATYPE(GridStep)

namespace {

// Occupancy of a grid filled row by row with `widgets` widgets.
GridOccupied filledWith(int widgets, int columns)
{
    return [widgets, columns](int row, int column) {
        return row >= 0 && column >= 0 && column < columns && row * columns + column < widgets;
    };
}

}  // namespace

class TestColorPickerGrid : public QObject {
    Q_OBJECT

private slots:
    void columnCount_data();
    void columnCount();
    void cellsFillRowsInOrder();
    void stepsInStandardGrid_data();
    void stepsInStandardGrid();
    void stepsInFullGridStopAtTheEnds();
    void stepsInSingleColumn();
    void popupPlacement_data();
    void popupPlacement();
};

void TestColorPickerGrid::columnCount_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("expected");

    QTest::newRow("auto, no cells") << -1 << 0 << 1;
    QTest::newRow("auto, 1 cell") << -1 << 1 << 1;
    QTest::newRow("auto, 2 cells") << -1 << 2 << 2;
    QTest::newRow("auto, 16 cells") << -1 << 16 << 4;
    QTest::newRow("auto, 17 cells") << -1 << 17 << 5;
    QTest::newRow("auto, 18 cells") << -1 << 18 << 5;
    QTest::newRow("auto, 25 cells") << -1 << 25 << 5;
    QTest::newRow("auto, 26 cells") << -1 << 26 << 6;
    QTest::newRow("fixed 3") << 3 << 17 << 3;
    QTest::newRow("zero") << 0 << 17 << 1;
    QTest::newRow("negative") << -4 << 17 << 1;
}

void TestColorPickerGrid::columnCount()
{
    QFETCH(int, requested);
    QFETCH(int, cells);
    QFETCH(int, expected);
    QCOMPARE(effectiveColumnCount(requested, cells), expected);
}

void TestColorPickerGrid::cellsFillRowsInOrder()
{
    QCOMPARE(gridCellForIndex(0, 5), (GridCell{0, 0}));
    QCOMPARE(gridCellForIndex(4, 5), (GridCell{0, 4}));
    QCOMPARE(gridCellForIndex(5, 5), (GridCell{1, 0}));
    // 17 colours then the three-dot cell.
    QCOMPARE(gridCellForIndex(16, 5), (GridCell{3, 1}));
    QCOMPARE(gridCellForIndex(17, 5), (GridCell{3, 2}));
    QCOMPARE(gridCellForIndex(3, 1), (GridCell{3, 0}));
}

void TestColorPickerGrid::stepsInStandardGrid_data()
{
    // 17 colours and the three-dot cell in 5 columns: rows 0 to 2 full,
    // row 3 holds columns 0 to 2.
    QTest::addColumn<GridCell>("from");
    QTest::addColumn<GridStep>("step");
    QTest::addColumn<GridCell>("to");

    QTest::newRow("down into short row") << GridCell{2, 4} << GridStep::Down << GridCell{3, 2};
    QTest::newRow("down into short row, col 3") << GridCell{2, 3} << GridStep::Down << GridCell{3, 2};
    QTest::newRow("down, same column") << GridCell{2, 1} << GridStep::Down << GridCell{3, 1};
    QTest::newRow("down in last row stays") << GridCell{3, 1} << GridStep::Down << GridCell{3, 1};
    QTest::newRow("right wraps to next row") << GridCell{0, 4} << GridStep::Right << GridCell{1, 0};
    QTest::newRow("right") << GridCell{1, 2} << GridStep::Right << GridCell{1, 3};
    QTest::newRow("right on last cell stays") << GridCell{3, 2} << GridStep::Right << GridCell{3, 2};
    QTest::newRow("left wraps to previous row") << GridCell{1, 0} << GridStep::Left << GridCell{0, 4};
    QTest::newRow("left") << GridCell{3, 2} << GridStep::Left << GridCell{3, 1};
    QTest::newRow("left on first cell stays") << GridCell{0, 0} << GridStep::Left << GridCell{0, 0};
    QTest::newRow("up in first row goes to its start") << GridCell{0, 3} << GridStep::Up << GridCell{0, 0};
    QTest::newRow("up") << GridCell{3, 2} << GridStep::Up << GridCell{2, 2};
}

void TestColorPickerGrid::stepsInStandardGrid()
{
    QFETCH(GridCell, from);
    QFETCH(GridStep, step);
    QFETCH(GridCell, to);

    const GridCell result = stepInGrid(from, step, 4, 5, filledWith(18, 5));
    QVERIFY2(result == to, qPrintable(QString("went to (%1, %2)").arg(result.row).arg(result.column)));
}

void TestColorPickerGrid::stepsInFullGridStopAtTheEnds()
{
    const GridOccupied full = filledWith(16, 4);
    QVERIFY(stepInGrid({3, 3}, GridStep::Right, 4, 4, full) == (GridCell{3, 3}));
    QVERIFY(stepInGrid({3, 3}, GridStep::Down, 4, 4, full) == (GridCell{3, 3}));
    QVERIFY(stepInGrid({2, 3}, GridStep::Down, 4, 4, full) == (GridCell{3, 3}));
    QVERIFY(stepInGrid({2, 3}, GridStep::Right, 4, 4, full) == (GridCell{3, 0}));
}

void TestColorPickerGrid::stepsInSingleColumn()
{
    const GridOccupied column = filledWith(3, 1);
    QVERIFY(stepInGrid({0, 0}, GridStep::Right, 3, 1, column) == (GridCell{1, 0}));
    QVERIFY(stepInGrid({1, 0}, GridStep::Left, 3, 1, column) == (GridCell{0, 0}));
    QVERIFY(stepInGrid({1, 0}, GridStep::Down, 3, 1, column) == (GridCell{2, 0}));
    QVERIFY(stepInGrid({2, 0}, GridStep::Right, 3, 1, column) == (GridCell{2, 0}));

    // A grid with only the three-dot cell: every arrow stays put.
    const GridOccupied single = filledWith(1, 1);
    for (GridStep step : {GridStep::Left, GridStep::Right, GridStep::Up, GridStep::Down})
        QVERIFY(stepInGrid({0, 0}, step, 1, 1, single) == (GridCell{0, 0}));
}

void TestColorPickerGrid::popupPlacement_data()
{
    QTest::addColumn<QPoint>("anchor");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QPoint>("expected");

    const QRect screen(0, 0, 1920, 1200);
    const QSize popup(124, 88);
    QTest::newRow("room enough") << QPoint(100, 200) << popup << screen << QPoint(100, 200);
    QTest::newRow("right edge") << QPoint(1850, 200) << popup << screen << QPoint(1920 - 124, 200);
    QTest::newRow("exactly fits right") << QPoint(1796, 200) << popup << screen << QPoint(1796, 200);
    QTest::newRow("bottom edge") << QPoint(100, 1150) << popup << screen << QPoint(100, 1199 - 88);
    QTest::newRow("left and top") << QPoint(-30, -5) << popup << screen << QPoint(0, 0);
    QTest::newRow("corner") << QPoint(1900, 1190) << popup << screen << QPoint(1796, 1111);
    // Two screens side by side, the left one at negative x.
    const QRect twoScreens(-1280, 0, 3200, 1200);
    QTest::newRow("desktop from negative x, right edge")
        << QPoint(1900, 200) << popup << twoScreens << QPoint(1920 - 124, 200);
    QTest::newRow("desktop from negative x, left edge")
        << QPoint(-1300, 200) << popup << twoScreens << QPoint(-1280, 200);
}

void TestColorPickerGrid::popupPlacement()
{
    QFETCH(QPoint, anchor);
    QFETCH(QSize, size);
    QFETCH(QRect, desktop);
    QFETCH(QPoint, expected);
    QCOMPARE(popupPosition(anchor, size, desktop), expected);
}

QTEST_APPLESS_MAIN(TestColorPickerGrid)
#include "tst_colorpickergrid.moc"

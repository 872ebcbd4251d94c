#pragma once
// The popup of a colour picker: a grid of colour cells filled row by row,
// with an optional last cell showing three dots that opens the colour dialog.

#include <QColor>
#include <QFrame>
#include <QList>
#include <QMap>
#include <QString>

class QGridLayout;

// One colour cell of the popup.
class ColorPickerItem : public QFrame {
    Q_OBJECT

public:
    ColorPickerItem(const QColor &color = Qt::white, const QString &text = QString(), QWidget *parent = nullptr);

    QColor color() const;
    QString text() const;

    bool isMarked() const;
    void setMarked(bool marked);

signals:
    void selected();

public slots:
    void setColor(const QColor &color, const QString &text);
    void setColor(const QColor &color);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor c;
    QString t;
    bool marked = false;
};

// The three-dot cell that opens the colour dialog.
class ColorPickerButton : public QFrame {
    Q_OBJECT

public:
    explicit ColorPickerButton(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

// The popup window holding the grid.
class ColorPickerPopup : public QFrame {
    Q_OBJECT

public:
    ColorPickerPopup(int columns, bool withColorDialog, QWidget *parent = nullptr);

    void addColor(const QColor &color, const QString &text, int index = -1);
    ColorPickerItem *itemForColor(const QColor &color) const;

    // The widget standing at a grid position, or nullptr when it is empty.
    QWidget *widgetAt(int row, int column) const;
    int rowCount() const;
    int columnCount() const;
    // The three-dot cell, or nullptr when the colour dialog is not offered.
    ColorPickerButton *colorDialogButton() const;
    QColor lastChosen() const;

signals:
    void selected(const QColor &color);
    void hid();

public slots:
    void getColorFromDialog();

protected slots:
    void updateSelected();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void rebuildGrid();
    void choose(ColorPickerItem *item);

    QMap<int, QMap<int, QWidget *>> cellMap;
    QList<ColorPickerItem *> items;
    QGridLayout *grid = nullptr;
    ColorPickerButton *dialogButton = nullptr;
    int columns = -1;
    QColor lastSel;
};

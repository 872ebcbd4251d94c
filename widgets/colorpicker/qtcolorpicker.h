#pragma once
// A push button that shows the current colour and opens a popup grid of
// colours below itself.

#include <QColor>
#include <QPushButton>
#include <QString>

class ColorPickerPopup;

class QtColorPicker : public QPushButton {
    Q_OBJECT

    Q_PROPERTY(bool colorDialog READ colorDialogAllowed WRITE setColorDialogAllowed)

public:
    // columns is the popup's column count, -1 for an automatic one. The
    // popup's three-dot cell exists only when the colour dialog is allowed
    // here; the property changes nothing once the picker is built.
    explicit QtColorPicker(QWidget *parent = nullptr, int columns = -1, bool enableColorDialog = true);

    void addColor(const QColor &color, const QString &text, int index = -1);
    void addStandardColors();

    QColor currentColor() const;

    bool colorDialogAllowed() const;
    void setColorDialogAllowed(bool allowed);

signals:
    void colorChanged(const QColor &color);

public slots:
    void setCurrentColor(const QColor &col);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void buttonPressed(bool toggled);
    void popupClosed();

private:
    ColorPickerPopup *popup = nullptr;
    QColor current;
    bool colorDialogEnabled;
    bool iconStale = true;
    bool firstAdded = false;
};

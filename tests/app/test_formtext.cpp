// Every text of the form fits its widget at the platform's default font:
// labels, check boxes, buttons and combo-box items, none of them covered by
// a neighbour or cut by the edge of what holds it.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/colorpicker/qtcolorpicker.h"

#include <QApplication>
#include <QCommandLinkButton>
#include <QDoubleSpinBox>
#include <QStyleOption>
#include <QtTest>

namespace {

// The part of `rect` (widget coordinates) that the widget's ancestors up to
// the window leave visible.
QRect visiblePart(const QWidget *widget, QRect rect)
{
    const QWidget *window = widget->window();
    for (const QWidget *w = widget; w && w != window; w = w->parentWidget()) {
        rect &= w->rect();
        rect.translate(w->pos());
    }
    return rect;
}

QRect inWindow(const QWidget *widget, const QRect &rect)
{
    return QRect(widget->mapTo(widget->window(), rect.topLeft()), rect.size());
}

// Where a one-line text of the widget's font is drawn inside `area`.
QRect textRect(const QWidget *widget, const QString &text, const QRect &area, Qt::Alignment alignment)
{
    const QFontMetrics fm(widget->font());
    const QSize size(fm.horizontalAdvance(text), fm.height());
    return QStyle::alignedRect(widget->layoutDirection(), alignment, size, area);
}

// The widgets built by the form: named, not the toolkit's own parts, not the
// colour pickers the window adds.
bool fromTheForm(const QWidget *w)
{
    return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")) &&
           !qobject_cast<const QtColorPicker *>(w);
}

}  // namespace

class TestFormText : public QObject {
    Q_OBJECT

private slots:
    void everyTextFitsItsWidget();
    void lightSpinBoxesShowTheirLongestValue();
    void lightDockKeepsItsControlsWithDisplayControlsHidden();
    void optimizationBoxStaysInsideItsFrame();
};

void TestFormText::everyTextFitsItsWidget()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Ui::MainWindowClass *ui = window.form();
    ui->actionScreenCapture->trigger();

    QStringList faults;
    const auto fault = [&faults](const QWidget *w, const QString &text, const QString &what) {
        faults << QStringLiteral("%1 \"%2\": %3").arg(w->objectName(), text, what);
    };
    // The text area must be visible whole; a label's or check box's text
    // must not run under a sibling (under another label's text, for labels).
    const auto checkPlacement = [&](const QWidget *w, const QString &text, const QRect &area, bool textOnly) {
        if (visiblePart(w, area) != inWindow(w, area))
            fault(w, text, QStringLiteral("cut by its container"));
        if (!textOnly)
            return;
        const QRect inParent = area.translated(w->pos());
        for (const QObject *child : w->parentWidget()->children()) {
            const auto *sibling = qobject_cast<const QWidget *>(child);
            if (!sibling || sibling == w || sibling->isHidden())
                continue;
            QRect covering = sibling->geometry();
            if (const auto *label = qobject_cast<const QLabel *>(sibling))
                covering =
                    textRect(label, label->text(), label->contentsRect(), label->alignment()).translated(label->pos());
            if (covering.intersects(inParent))
                fault(w, text, QStringLiteral("runs under ") + sibling->objectName());
        }
    };

    for (int tab = 0; tab < ui->tabWidget->count(); ++tab) {
        ui->tabWidget->setCurrentIndex(tab);
        QApplication::processEvents();
        for (QWidget *w : window.findChildren<QWidget *>()) {
            if (!fromTheForm(w) || !w->isVisibleTo(&window) || (w->isHidden()))
                continue;
            if (tab > 0 && !ui->tabWidget->widget(tab)->isAncestorOf(w))
                continue;  // measured with the first tab
            QStyleOption plain;
            plain.initFrom(w);
            const QFontMetrics fm(w->font());

            if (auto *label = qobject_cast<QLabel *>(w)) {
                const QString text = label->text();
                const int spare = 2 * label->margin() + qMax(label->indent(), 0);
                const QRect area = label->contentsRect().adjusted(0, 0, -spare, 0);
                if (fm.horizontalAdvance(text) > area.width() || fm.height() > area.height())
                    fault(w, text,
                          QStringLiteral("needs %1 x %2, has %3 x %4")
                              .arg(fm.horizontalAdvance(text))
                              .arg(fm.height())
                              .arg(area.width())
                              .arg(area.height()));
                checkPlacement(w, text, textRect(w, text, area, label->alignment()), true);
            } else if (auto *box = qobject_cast<QCheckBox *>(w)) {
                const QSize needed = box->sizeHint();
                if (needed.width() > box->width())
                    fault(w, box->text(), QStringLiteral("needs %1, has %2").arg(needed.width()).arg(box->width()));
                checkPlacement(w, box->text(),
                               QStyle::alignedRect(Qt::LeftToRight, Qt::AlignLeft | Qt::AlignVCenter,
                                                   needed.boundedTo(box->size()), box->rect()),
                               true);
            } else if (auto *link = qobject_cast<QCommandLinkButton *>(w)) {
                // The text stands right of the icon, with a margin each side.
                const int margin = w->style()->pixelMetric(QStyle::PM_ButtonMargin, &plain, w);
                const int room = link->width() - link->iconSize().width() - 3 * margin;
                if (fm.horizontalAdvance(link->text()) > room)
                    fault(w, link->text(),
                          QStringLiteral("needs %1, has %2").arg(fm.horizontalAdvance(link->text())).arg(room));
                checkPlacement(w, link->text(), link->rect(), false);
            } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const QRect contents = w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w);
                if (fm.horizontalAdvance(button->text()) > contents.width())
                    fault(w, button->text(),
                          QStringLiteral("needs %1, has %2")
                              .arg(fm.horizontalAdvance(button->text()))
                              .arg(contents.width()));
                checkPlacement(w, button->text(), button->rect(), false);
            } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
                QStyleOptionComboBox option;
                option.initFrom(combo);
                option.editable = combo->isEditable();
                option.frame = combo->hasFrame();
                const QRect field =
                    w->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, w);
                for (int i = 0; i < combo->count(); ++i) {
                    const QString item = combo->itemText(i);
                    if (fm.horizontalAdvance(item) > field.width())
                        fault(w, item,
                              QStringLiteral("needs %1, has %2").arg(fm.horizontalAdvance(item)).arg(field.width()));
                }
                checkPlacement(w, combo->currentText(), combo->rect(), false);
            }
        }
    }
    // The close buttons of the docks, the one nested in "Input Parameters"
    // included, can be reached.
    for (QDockWidget *dock : window.findChildren<QDockWidget *>()) {
        if (!dock->isVisible())
            continue;
        for (QAbstractButton *button : dock->findChildren<QAbstractButton *>(
                 QStringLiteral("qt_dockwidget_closebutton"), Qt::FindDirectChildrenOnly)) {
            if (button->isVisible() && visiblePart(button, button->rect()) != inWindow(button, button->rect()) &&
                !dock->isFloating())
                fault(dock, dock->windowTitle(), QStringLiteral("close button cut"));
        }
    }
    faults.removeDuplicates();
    for (const QString &f : faults)
        qWarning("%s", qPrintable(f));
    QVERIFY2(faults.isEmpty(), "texts that do not fit are listed above");
}

void TestFormText::lightSpinBoxesShowTheirLongestValue()
{
    MainWindow window;
    window.show();
    Ui::MainWindowClass *ui = window.form();
    for (QDoubleSpinBox *box : {ui->dblSB_lightX, ui->dblSB_lightY, ui->dblSB_lightZ}) {
        // The size a spin box asks for shows its minimum and maximum whole.
        QVERIFY2(
            box->width() >= box->sizeHint().width(),
            qPrintable(
                QStringLiteral("%1: %2 < %3").arg(box->objectName()).arg(box->width()).arg(box->sizeHint().width())));
        box->setValue(200000000.0);
        const QStyleOptionSpinBox option = [box] {
            QStyleOptionSpinBox o;
            o.initFrom(box);
            o.frame = box->hasFrame();
            return o;
        }();
        const QRect field = box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, box);
        QVERIFY(QFontMetrics(box->font()).horizontalAdvance(box->text()) < field.width());
    }
}

void TestFormText::lightDockKeepsItsControlsWithDisplayControlsHidden()
{
    MainWindow window;
    window.show();
    Ui::MainWindowClass *ui = window.form();
    ui->actionLighting_Controls->setEnabled(true);
    ui->actionLighting_Controls->setChecked(true);
    ui->actionDisplay->setChecked(false);
    QApplication::processEvents();
    QVERIFY(ui->dwLight->isVisible());
    QWidget *contents = ui->dwLight->widget();
    for (QWidget *control : contents->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(contents->rect().contains(control->geometry()),
                 qPrintable(QStringLiteral("%1 cut: dock contents %2 x %3")
                                .arg(control->objectName())
                                .arg(contents->width())
                                .arg(contents->height())));
}

void TestFormText::optimizationBoxStaysInsideItsFrame()
{
    MainWindow window;
    window.show();
    Ui::MainWindowClass *ui = window.form();
    // Its right border would otherwise lie under the frame's own.
    QVERIFY(ui->frmTriStep->contentsRect().contains(ui->cboOptDisplay->geometry()));
}

QTEST_MAIN(TestFormText)
#include "test_formtext.moc"

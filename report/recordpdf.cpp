#include "report/recordpdf.h"

#include "report/plotcaption.h"
#include "report/plotlayout.h"
#include "report/plotstyle.h"
#include "report/validationplot.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// The page holds kDefaultPlotWidth pixels across, so that the picture on the
// second page is drawn at its default size.
constexpr double kMillimetresPerInch = 25.4;
// Pixels at the default size.
constexpr double kMargin = 40.0;
constexpr double kLabelColumn = 230.0;
constexpr double kSectionGap = 14.0;
constexpr double kLineGap = 3.0;

QFont boldOf(QFont font)
{
    font.setBold(true);
    return font;
}

// Draws `text` wrapped into the column from `left` to `right` from `top`;
// the height it took.
double drawWrapped(QPainter &painter, const QString &text, double left, double right, double top)
{
    const QRectF column(left, top, right - left, 1e6);
    const QRectF used = painter.boundingRect(column, Qt::TextWrapAnywhere | Qt::AlignLeft | Qt::AlignTop, text);
    painter.drawText(column, Qt::TextWrapAnywhere | Qt::AlignLeft | Qt::AlignTop, text);
    return used.height();
}

void paintRecordText(QPainter &painter, const QSize &canvas, const RecordInput &input)
{
    const PlotStyle style = plotStyle(canvas);
    const PlotLayout layout = plotLayout(canvas);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(canvas)), kPlotBackground);
    const double left = style.px(kMargin), right = canvas.width() - style.px(kMargin);
    const double values = left + style.px(kLabelColumn);
    drawTitle(painter, layout.title, {QStringLiteral("Conversion record")}, style);
    drawFooter(painter, layout.footer, provenanceLines(input.record.provenance), style);

    const ValidationSummary *check = input.triangles.empty() ? nullptr : &input.validation.summary;
    double y = layout.title.bottom() + style.px(kSectionGap);
    painter.setPen(kPlotTextColour);
    for (const RecordSection &section : recordSections(input.record, check, input.control)) {
        painter.setFont(boldOf(style.text));
        y += drawWrapped(painter, section.title, left, right, y) + style.px(kLineGap);
        painter.setFont(style.text);
        for (const RecordLine &line : section.lines) {
            if (!line.label.isEmpty())
                drawWrapped(painter, line.label, left, values, y);
            y += drawWrapped(painter, line.value, line.label.isEmpty() ? left : values, right, y) + style.px(kLineGap);
        }
        y += style.px(kSectionGap);
    }
}

}  // namespace

bool encodeConversionRecord(const QString &path, const RecordInput &input, QByteArray &pdf, QString &error)
{
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    const double pageInches = writer.pageLayout().fullRect(QPageLayout::Millimeter).width() / kMillimetresPerInch;
    writer.setResolution(int(std::lround(kDefaultPlotWidth / pageInches)));
    writer.setTitle(QStringLiteral("Conversion record"));
    writer.setCreator(QStringLiteral("Veltrane ") + input.record.provenance.version);
    const QSize canvas(writer.width(), writer.height());

    QPainter painter;
    if (!painter.begin(&writer)) {
        error = QStringLiteral("Unable to write %1: the record could not be drawn").arg(path);
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    paintRecordText(painter, canvas, input);
    if (!input.triangles.empty()) {
        writer.newPage();
        const ShiftStatistics &shifts = input.record.shifts;
        ValidationPlotInput picture{input.control, input.triangles, input.validation, input.record.provenance};
        if (shifts.count() > 0)
            picture.convertedExtent = DegreeBox{shifts.west(), shifts.east(), shifts.south(), shifts.north()};
        paintValidationPlot(painter, canvas, picture);
    }
    if (!painter.end()) {
        error = QStringLiteral("Unable to write %1: the record could not be drawn").arg(path);
        return false;
    }
    return true;
}

}  // namespace veltrane

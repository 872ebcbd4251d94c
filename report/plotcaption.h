#pragma once
// The picture's title (what was checked and how well) and its footer (what
// it was made from: the lines of provenanceLines()).

#include "engine/types/pointrecord.h"
#include "engine/network/networkvalidation.h"
#include "report/plotstyle.h"

#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace veltrane {

// "Network check, leave-one-out: 237 of 250 control points validated" and,
// when one was, "Horizontal residuals: RMS 0.129 mm, maximum 1.21 mm at
// TV0157 | height residuals: RMS ..., maximum ...".
QStringList plotTitleLines(const ValidationSummary &summary, const std::vector<PointRecord> &control);

void drawTitle(QPainter &painter, const QRectF &band, const QStringList &lines, const PlotStyle &style);
void drawFooter(QPainter &painter, const QRectF &band, const QStringList &lines, const PlotStyle &style);

}  // namespace veltrane

#include "engine/formats/linerejects.h"

#include <cmath>

namespace veltrane {

QString rejectText(const LineReject &reject)
{
    const QString where = QStringLiteral("line %1: ").arg(qulonglong(reject.line));
    const QString column = QString::number(reject.column);
    switch (reject.reason) {
    case RejectReason::NotANumber:
        return where + QStringLiteral("not a number in column %1").arg(column);
    case RejectReason::MissingColumn:
        return where + QStringLiteral("no column %1").arg(column);
    case RejectReason::NoIdentifier:
        return where + QStringLiteral("no identifier");
    case RejectReason::NotFinite:
        return where + QStringLiteral("not a finite number in column %1").arg(column);
    case RejectReason::NotAnAngle:
        return where + QStringLiteral("not an angle in column %1").arg(column);
    case RejectReason::LatitudeOutOfRange:
        return where + QStringLiteral("latitude out of range");
    case RejectReason::LongitudeOutOfRange:
        return where + QStringLiteral("longitude out of range");
    case RejectReason::UnclosedQuote:
        return where + QStringLiteral("quote not closed before the end of the input");
    }
    return where;
}

bool valuesRejected(double x, double y, double h, const uint32_t columns[3], bool degrees, LineReject &reject)
{
    const double values[] = {x, y, h};
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(values[k])) {
            reject.reason = RejectReason::NotFinite;
            reject.column = columns[k];
            return true;
        }
    }
    if (!degrees)
        return false;
    if (std::fabs(y) > kLatitudeLimit) {
        reject.reason = RejectReason::LatitudeOutOfRange;
        reject.column = columns[1];
        return true;
    }
    if (std::fabs(x) > kLongitudeLimit) {
        reject.reason = RejectReason::LongitudeOutOfRange;
        reject.column = columns[0];
        return true;
    }
    return false;
}

}  // namespace veltrane

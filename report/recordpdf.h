#pragma once
// The record of a conversion as a PDF on A4 landscape pages: the record's
// text (conversionrecord.h) on the first page, and the network check's
// picture with the converted points' box on the map on the second. Needs a
// QGuiApplication (the minimal platform with fonts will do) for its text.

#include "engine/run/conversionrecord.h"
#include "engine/network/networkvalidation.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace veltrane {

// What a record shows: the record, and the network it names with its check;
// the second page is left out when the network has no triangles.
struct RecordInput {
    const ConversionRecord &record;
    const std::vector<PointRecord> &control;
    const std::vector<Triangle> &triangles;
    const NetworkValidation &validation;
};

// The record as the bytes of a PDF file; false with `error` set (naming
// `path`) when it could not be drawn.
bool encodeConversionRecord(const QString &path, const RecordInput &input, QByteArray &pdf, QString &error);

}  // namespace veltrane

#pragma once
// Conversion of the point features of a GIS layer: batches of features are
// read, brought to degrees when the layer is in grid coordinates, shifted
// over the network and written either as the text lines of a converted-points
// file or as features of a GIS file that keep every field read.

#include "engine/formats/gisfile.h"
#include "engine/run/streamconversion.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace veltrane {

struct GisStreamHandlers {
    // Exactly one of the two takes the converted points.
    std::function<bool(const std::string &lines)> writeLines;  // as text lines without header
    GisPointWriter *writer = nullptr;                          // as features
    std::function<bool(const std::string &lines)> writeQuality;
    std::function<void(const QString &id)> outsidePoint;
    std::function<void(KeptBlock &&block)> convertedPoints;
    std::function<void(uint64_t points)> progress;
    std::function<bool()> cancelled;
};

struct GisTotals {
    StreamTotals stream;   // rejects counts the features that gave no point
    QStringList rejected;  // the first kRejectsNamed of them, as "feature 3: no point geometry"
    QString error;         // why reading or writing stopped
};

// Features read per batch.
constexpr size_t kGisBatchFeatures = 65536;

// Converts every point feature of `reader`'s layer. settings.layout is not
// used; `heights` says whether the layer gives heights.
GisTotals convertGisLayer(GisPointReader &reader, const NetworkInterpolator &network, const StreamSettings &settings,
                          const GisStreamHandlers &handlers);

}  // namespace veltrane

#pragma once
// What a result was made from, for the caption of a picture or a record: the
// network files by name and SHA-256, where the TIN came from, the direction,
// the program's version and the UTC date.

#include "engine/network/networkbuilder.h"
#include "engine/formats/tinshiftexport.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace veltrane {

// Leading hexadecimal digits of a SHA-256 that name a file in a caption.
constexpr int kShortDigestLength = 12;

struct NetworkProvenance {
    std::vector<SourceFile> controlFiles;  // source realization first; an empty digest: not readable
    std::optional<SourceFile> tinFile;     // none: the control points were triangulated
    DatumDirection direction = DatumDirection::Cors96ToCors96a;
    QString version;  // of the program
    QDateTime utc;    // when the result was made
};

// The files of `files` the settings use, with the digests of their bytes now.
NetworkProvenance networkProvenance(const NetworkFiles &files, const ConversionSettings &settings,
                                    const QString &version, const QDateTime &utc);

// "TARVONA_TIN_CONTROL.obj (SHA-256 1a2b3c4d5e6f)"; "(unreadable)" without a digest.
QString describeSourceFile(const SourceFile &file);

// Two lines: the network files and the TIN source; the direction, the
// program's version and the UTC date.
QStringList provenanceLines(const NetworkProvenance &provenance);

}  // namespace veltrane

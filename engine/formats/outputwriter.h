#pragma once
// Writer of the two output files (converted points and "controlshift.csv"):
// the header line, then one line per record with the CORS96 position first
// and the CORS96a position second, whatever the direction of the run.

#include "engine/formats/pointrecord.h"

#include <QString>
#include <cstddef>
#include <string>

namespace veltrane {

class ReplacingFile;

// Decimals of the degrees the output files write: every bit of a double.
constexpr int kCoordinateDecimals = 15;

// Appends an identifier as the output files write it ("%s" of its Latin-1
// bytes): up to the first NUL, with '?' for a character outside Latin-1.
void appendOutputId(std::string &out, const QString &id);

// Closes `output`, whose writing succeeded when `written` (writeErrno: the
// errno of a failed write), and puts it in place of `path`. False with
// `error` set to "Unable to finish writing PATH: ..." or "Unable to write
// PATH: ...".
bool completeOutputFile(ReplacingFile &output, const QString &path, bool written, int writeErrno, QString &error);

// Writes `size` bytes to `path` through a ReplacingFile. False with `error`
// set to "Unable to write PATH: ..." or as completeOutputFile sets it.
bool writeOutputFile(const QString &path, const char *data, size_t size, QString &error);

// Header line of both output files (84 characters and the line end).
constexpr const char *kOutputHeader =
    "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,X_CORS96a,Y_CORS96a,h_CORS96a,s,AZIMUTH,DeltaH\n";

// One record as written: "%s,%.15lf x8,%.6lf\n". CORS96 -> CORS96a writes
// the source position in columns 2-4; the reverse writes the target there.
QByteArray formatShiftLine(const PointRecord &record, DatumDirection direction);

// Appends `count` records to `out` as formatShiftLine writes them.
void appendShiftLines(std::string &out, const PointRecord *records, size_t count, DatumDirection direction);

// Writes the header and `count` records to `path`. The file is written under
// a temporary name beside it and takes the place of `path` only when it is
// complete, so a failed write leaves an earlier file of that name unchanged.
// On failure returns false and sets `error` to the path and the reason.
bool writeShiftFile(const QString &path, const PointRecord *records, size_t count, DatumDirection direction,
                    QString &error);

}  // namespace veltrane

#pragma once
// Writer of the two output files (converted points and "controlshift.csv"):
// the header line, then one line per record with the CORS96 position first
// and the CORS96a position second, whatever the direction of the run.

#include "engine/types/pointrecord.h"

#include <QString>
#include <cstddef>
#include <string>
#include <vector>

namespace veltrane {

// Decimals of the degrees the output files write: every bit of a double.
constexpr int kCoordinateDecimals = 15;
// Decimals of DeltaH.
constexpr int kDeltaHDecimals = 6;

// Decimals of the numbers of the two output files; the defaults write every
// bit of the degrees, as the files always did.
struct OutputDecimals {
    int degrees = kCoordinateDecimals;  // longitudes, latitudes and AZIMUTH
    int heights = kCoordinateDecimals;  // heights and s, metres
    int deltaH = kDeltaHDecimals;       // DeltaH, metres
};

// How the numbers of the output files are written beyond their decimals;
// the default is the files' fixed form.
struct OutputStyle {
    bool decimalComma = false;  // a decimal comma, and semicolons between the columns
    bool dmsAngles = false;     // longitudes and latitudes as DDD°MM'SS.sss"H (angletext.h)
    int secondsDecimals = 5;    // of the seconds of those angles

    bool isDefault() const { return !decimalComma && !dmsAngles; }
    char separator() const { return decimalComma ? ';' : ','; }
};

// The header line for `style`: kOutputHeader, with semicolons when the
// numbers have decimal commas.
std::string outputHeaderText(const OutputStyle &style);

// Fewest and most decimals an output column may be given.
constexpr int kMinOutputDecimals = 1;
constexpr int kMaxOutputDecimals = 15;

// Appends an identifier as the output files write it ("%s" of its Latin-1
// bytes): up to the first NUL, with '?' for a character outside Latin-1. An
// identifier that holds a comma, a quote or a line break is quoted as CSV
// readers expect: in double quotes, with each quote doubled.
// With another separator, an identifier holding that separator is quoted.
void appendOutputId(std::string &out, const QString &id, char separator = ',');

// Appends `separator` and one field's bytes, quoted (RFC 4180) when they
// hold the separator, a comma, a quote or a line end.
void appendTextField(std::string &out, const std::string &value, char separator);

// Appends, to the line that `out` ends with (its line end kept last), the
// separator and each of the `count` values of a point's pass-through fields.
void appendPassFields(std::string &out, const std::string *values, size_t count, char separator);

// Header line of both output files (84 characters and the line end).
constexpr const char *kOutputHeader =
    "POINT_ID,X_CORS96,Y_CORS_96,h_CORS_96,X_CORS96a,Y_CORS96a,h_CORS96a,s,AZIMUTH,DeltaH\n";

// One record as written: "%s,%.15lf x8,%.6lf\n". CORS96 -> CORS96a writes
// the source position in columns 2-4; the reverse writes the target there.
QByteArray formatShiftLine(const PointRecord &record, DatumDirection direction,
                           const OutputDecimals &decimals = OutputDecimals());

// Appends `count` records to `out` as formatShiftLine writes them.
void appendShiftLines(std::string &out, const PointRecord *records, size_t count, DatumDirection direction,
                      const OutputDecimals &decimals = OutputDecimals(), const OutputStyle &style = OutputStyle());

}  // namespace veltrane

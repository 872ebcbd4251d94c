#pragma once
// Everything one run needs, whoever starts it: the command fills these
// options from its arguments, the window from its form, the library and the
// Python module from their callers' arguments.

#include "engine/formats/gisfile.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/pointlayout.h"
#include "engine/formats/pointstream.h"
#include "engine/network/networkfiles.h"
#include "engine/types/checkrecords.h"
#include "engine/types/pointrecord.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace veltrane {

struct ConversionRecord;
struct NetworkValidation;

// What becomes of a point that no triangle of the network takes.
enum class OutsidePoints {
    Zero,     // written with zero target coordinates and shifts (the window's way)
    Skip,     // left out of the output
    Nearest,  // extended linearly from the triangle with the nearest side (NetworkInterpolator)
    Fail,     // nothing more is written once one is met; the caller discards the output
};

enum class RunKind {
    Convert,       // convert the input's points
    CheckNetwork,  // validate the network by leaving out each control point
};

// Draws the network check's picture as the bytes of an image file of the
// format `path` names; false with `error` set. Given by the front end, which
// has the painting toolkit the engine does without.
using PictureRenderer = std::function<bool(const QString &path, const std::vector<PointRecord> &control,
                                           const std::vector<Triangle> &triangles, const NetworkValidation &validation,
                                           QByteArray &image, QString &error)>;

// Draws the record of a conversion (conversionrecord.h) with the network's
// check and map as the bytes of a PDF file; false with `error` set. Given by
// the front end, as the picture is.
using RecordRenderer = std::function<bool(
    const QString &path, const ConversionRecord &record, const std::vector<PointRecord> &control,
    const std::vector<Triangle> &triangles, const NetworkValidation &validation, QByteArray &pdf, QString &error)>;

struct RunOptions {
    RunKind kind = RunKind::Convert;
    ConversionSettings settings;
    NetworkFiles network;
    uint64_t networkByteLimit = kNoByteLimit;  // control and TIN files beyond it are refused
    // The command stops at a network or input that cannot be used; the
    // window goes on with what it has (zeros for every point).
    bool strict = false;

    QString input;                     // the input file; empty: nothing to convert
    std::FILE *inputStream = nullptr;  // read instead of opening `input` (standard input)
    QString echo;                      // the line the opening status lines give after the input
    // The coordinate systems of the input's points and of the converted
    // positions, as PROJ takes them (coordinatesystem.h); empty: degrees, and
    // for the output the input's system.
    std::string crs;
    std::string outputCrs;
    // A GIS input's layer and fields; unused for a text input.
    GisReadOptions gis;
    // GDAL's driver for the converted points; empty: the one the output's
    // extension names, or text.
    QString outputFormat;

    QString output;                     // converted points
    std::FILE *outputStream = nullptr;  // takes the points instead of a file (standard output)
    QString controlShift;               // control shifts; empty: not written
    QString tinshift;                   // the network exported for tinshift; empty: not written
    QString exportLicense;              // named in the export; empty: none
    QString version;                    // of the program, named in the export
    QString quality;                    // an uncertainty for every point; empty: not written
    OutsidePoints outside = OutsidePoints::Zero;
    OutputDecimals decimals;    // of the converted points and the control shifts
    OutputStyle style;          // of the converted points and the control shifts
    PointLayout layout;         // of the input
    bool keepRecords = false;   // keep the network and the converted points (for a view)
    bool checkNetwork = false;  // check the network after converting (RunResult::validation)

    // Asked as the run goes on; true stops it with nothing written
    // (RunOutcome::Cancelled). Called on the run's thread.
    std::function<bool()> cancelled;

    // The record of the conversion: kept in the result with keepRecord, and
    // drawn by renderRecord into `record`, an output of the run like the others.
    bool keepRecord = false;
    QString record;  // empty: not written
    RecordRenderer renderRecord;

    QString report;  // the network check's residual file
    QString plot;    // the network check's picture; empty: none
    PictureRenderer renderPicture;
};

}  // namespace veltrane

#pragma once
// The command line of veltrane-convert: its options, their defaults and the
// usage text. File names are kept as text that stands for the bytes the shell
// passed, whatever their encoding (filenamebytes.h).

#include "engine/run/conversion.h"
#include "engine/formats/gisfile.h"
#include "engine/run/streamconversion.h"

#include <QSize>
#include <QString>
#include <string>
#include <vector>

namespace veltrane {

// The name that stands for standard input (as INPUT) and standard output (as -o).
extern const QString kStandardStream;

// What begins every message the command writes to standard error.
constexpr char kMessagePrefix[] = "veltrane-convert: ";

// The network check and the uncertainty file.
struct ValidationOptions {
    bool validateNetwork = false;
    QString report;   // residual file; empty: network_validation.csv in the work folder
    QString plot;     // picture; empty: none
    QSize plotSize;   // empty: the default size
    QString quality;  // uncertainty file beside a conversion; empty: none
};

enum class Verbosity {
    Quiet,    // errors only
    Normal,   // errors and the closing summary
    Verbose,  // also the run's status lines and the points outside the network
};

struct CommandLine {
    ConversionSettings settings;
    bool tinGiven = false;                  // --tin was given
    QString input;                          // "-": standard input
    QString output;                         // empty: named after INPUT; "-": standard output
    QString workDir = QStringLiteral(".");  // folder of the fixed files and controlshift.csv
    QString sourceControls;                 // empty: the fixed name in workDir
    QString targetControls;                 // empty: the fixed name in workDir
    QString tinFile;                        // empty: the fixed name in workDir
    QString controlShift;                   // empty: controlshift.csv in workDir
    bool writeControlShift = true;
    QString tinshiftFile;   // empty: no export
    QString exportLicense;  // the licence named in the export; empty: none
    QString recordFile;     // the PDF record of the conversion; empty: none
    OutsidePoints outside = OutsidePoints::Zero;
    bool outsideGiven = false;     // --outside was given
    OutputDecimals decimals;       // -d and --metre-decimals
    std::string crs;               // --crs: the input's coordinate system; empty: degrees
    std::string outputCrs;         // --output-crs: the targets' system; empty: the input's
    GisReadOptions gis;            // --layer, --id-field, --height-field
    QString outputFormat;          // --output-format: GDAL's driver; empty: by -o's extension
    PointLayout layout;            // --columns, --header, --delimiter, --decimal-comma, --angles
    bool noHeader = false;         // --no-header: the first line is data even when it names columns
    OutputStyle style;             // --decimal-comma, --angles-out
    ValidationOptions validation;  // --validate-network and its files, --quality
    Verbosity verbosity = Verbosity::Normal;
    bool progress = true;
    bool help = false;
    bool version = false;
};

struct ParsedCommandLine {
    CommandLine options;
    std::string error;  // empty when the arguments are valid
};

// Parses the arguments after the program name. Options may come before and
// after INPUT; "--" ends them; "--name=value" equals "--name value".
ParsedCommandLine parseCommandLine(const std::vector<std::string> &args);

// The brief usage text of --help.
const char *usageText();

}  // namespace veltrane

#pragma once
// The command line of veltrane-convert: its options, their defaults and the
// usage text. File names are kept as text that stands for the bytes the shell
// passed, whatever their encoding (filenamebytes.h).

#include "engine/run/runoptions.h"

#include <QSize>
#include <QString>
#include <string>
#include <vector>

namespace veltrane {

// The name that stands for standard input (as INPUT) and standard output (as -o).
extern const QString kStandardStream;

// What begins every message the command writes to standard error.
constexpr char kMessagePrefix[] = "veltrane-convert: ";

enum class Verbosity {
    Quiet,    // errors only
    Normal,   // errors and the closing summary
    Verbose,  // also the run's status lines and the points outside the network
};

// The command line: the run's options, filled as the arguments are read,
// and what only the command uses to fill them or to show the run.
struct CommandLine {
    RunOptions run;                         // INPUT "-" and -o "-" name the standard streams
    bool tinGiven = false;                  // --tin was given
    bool outsideGiven = false;              // --outside was given
    bool noHeader = false;                  // --no-header: the first line is data even when it names columns
    QString workDir = QStringLiteral(".");  // folder of the fixed files and controlshift.csv
    QString sourceControls;                 // empty: the fixed name in workDir
    QString targetControls;                 // empty: the fixed name in workDir
    QString tinFile;                        // empty: the fixed name in workDir
    bool writeControlShift = true;
    bool validateNetwork = false;  // --validate-network: check the network, convert nothing
    QSize plotSize;                // --plot-size; empty: the default size
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

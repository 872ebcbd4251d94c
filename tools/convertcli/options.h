#pragma once
// The command line of veltrane-convert: its options, their defaults and the
// usage text. File names are kept as the bytes the shell passed, whatever
// their encoding.

#include "engine/conversion.h"
#include "engine/streamconversion.h"
#include "tools/convert_validation.h"

#include <string>
#include <vector>

namespace veltrane {

// The name that stands for standard input (as INPUT) and standard output (as -o).
extern const char *const kStandardStream;

// What begins every message the command writes to standard error.
constexpr char kMessagePrefix[] = "veltrane-convert: ";

enum class Verbosity {
    Quiet,    // errors only
    Normal,   // errors and the closing summary
    Verbose,  // also the run's status lines and the points outside the network
};

struct CommandLine {
    ConversionSettings settings;
    bool tinGiven = false;       // --tin was given
    std::string input;           // "-": standard input
    std::string output;          // empty: named after INPUT; "-": standard output
    std::string workDir = ".";   // folder of the fixed files and controlshift.csv
    std::string sourceControls;  // empty: the fixed name in workDir
    std::string targetControls;  // empty: the fixed name in workDir
    std::string tinFile;         // empty: the fixed name in workDir
    std::string controlShift;    // empty: controlshift.csv in workDir
    bool writeControlShift = true;
    std::string tinshiftFile;   // empty: no export
    std::string exportLicense;  // the licence named in the export; empty: none
    OutsidePoints outside = OutsidePoints::Zero;
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

#pragma once
// The window's command line,
// `veltrane [--workdir DIR] [--all-layers] [--convert] [--screenshot FILE]
// [POINTS_FILE]`,
// and the choice of the working folder it implies. The window opens its fixed
// files by bare name, so main() makes the chosen folder the process's current
// directory before the window is created.

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace veltrane {

// Where the working folder came from.
enum class WorkDirSource {
    Option,        // --workdir DIR
    PointsFolder,  // the points file's folder, which holds the control files
    CurrentFolder  // the folder the program was started in
};

struct StartupOptions {
    QString workDir;  // absolute, clean path of the working folder
    WorkDirSource workDirSource = WorkDirSource::CurrentFolder;
    QString pointsFile;           // absolute path for "Points"; empty when none was given
    bool allLayers = false;       // --all-layers: base map and triangles ticked too
    bool convertAtStart = false;  // --convert: "Convert!" and "Reset Display" once shown
    QString screenshotFile;       // --screenshot: absolute path; empty when not asked for
};

// Declares --workdir, --all-layers, --convert, --screenshot, POINTS_FILE,
// --help and --version on `parser`.
void addStartupOptions(QCommandLineParser &parser);

// Reads the options of a parser that has parsed the command line. Relative
// paths are taken from `currentDir`. Returns an error text for the user,
// empty when `out` is filled.
QString resolveStartupOptions(const QCommandLineParser &parser, const QString &currentDir, StartupOptions &out);

// Names of the control files that `dir` lacks, in a fixed order.
QStringList missingControlFiles(const QString &dir);

// The installed sample folder for a program in `applicationDir`.
QString installedSampleDir(const QString &applicationDir);

// The lines the window shows at start: the working folder in use, whether
// the points file given is missing or cannot be read and, when control files
// are missing there, which ones and where the sample lives.
QStringList startupReport(const StartupOptions &options, const QStringList &missing, const QString &sampleDir);

}  // namespace veltrane

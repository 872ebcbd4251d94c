// The window's command line and the working folder it implies.

#include "app/startupoptions.h"

#include "engine/run/conversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace veltrane {

namespace {

const char *const kWorkDirOption = "workdir";
const char *const kAllLayersOption = "all-layers";
const char *const kConvertOption = "convert";
const char *const kScreenshotOption = "screenshot";

// Messages are the window's texts, translated in its context.
QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindowClass", text);
}

// Control files a conversion reads in every triangle mode; a folder holding
// them is a working folder.
const char *const kEveryRunControlFiles[] = {kControlFileCors96, kControlFileCors96a};

bool holdsControlFiles(const QDir &dir)
{
    for (const char *name : kEveryRunControlFiles) {
        if (!QFileInfo(dir.filePath(QString::fromLatin1(name))).isFile())
            return false;
    }
    return true;
}

QString absoluteFrom(const QString &currentDir, const QString &path)
{
    return QDir::cleanPath(QDir(currentDir).absoluteFilePath(path));
}

}  // namespace

void addStartupOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        tr("Converts survey points between NAD83(CORS96) and NAD83(CORS96a) and shows their shifts in 3D."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(QString::fromLatin1(kWorkDirOption),
                                        tr("Folder of the control files and of controlshift.csv."), tr("DIR")));
    parser.addOption(QCommandLineOption(QString::fromLatin1(kAllLayersOption),
                                        tr("Show every layer in the Model Display: the base map and the "
                                           "triangles too.")));
    parser.addOption(QCommandLineOption(QString::fromLatin1(kConvertOption),
                                        tr("Convert POINTS_FILE and show the result in the Model Display.")));
    parser.addOption(QCommandLineOption(QString::fromLatin1(kScreenshotOption),
                                        tr("Save a picture of the window as FILE once it is drawn, then quit."),
                                        tr("FILE")));
    parser.addPositionalArgument(tr("POINTS_FILE"), tr("Point file to put into \"Points\"."), tr("[POINTS_FILE]"));
}

QString resolveStartupOptions(const QCommandLineParser &parser, const QString &currentDir, StartupOptions &out)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return tr("more than one POINTS_FILE given");
    out = StartupOptions();
    if (!positional.isEmpty()) {
        if (positional.first().isEmpty())
            return tr("POINTS_FILE is empty");
        out.pointsFile = absoluteFrom(currentDir, positional.first());
    }
    out.allLayers = parser.isSet(QString::fromLatin1(kAllLayersOption));
    out.convertAtStart = parser.isSet(QString::fromLatin1(kConvertOption));
    // Without a points file "Convert!" opens a message box, which nobody
    // answers in a run that is to end by itself.
    if (out.convertAtStart && out.pointsFile.isEmpty())
        return tr("--convert needs a POINTS_FILE");
    if (parser.isSet(QString::fromLatin1(kScreenshotOption))) {
        const QString option = parser.value(QString::fromLatin1(kScreenshotOption));
        if (option.isEmpty())
            return tr("--screenshot takes a file name");
        // Taken from the folder the program was started in, not the working folder.
        out.screenshotFile = absoluteFrom(currentDir, option);
    }

    if (parser.isSet(QString::fromLatin1(kWorkDirOption))) {
        const QString option = parser.value(QString::fromLatin1(kWorkDirOption));
        if (option.isEmpty())
            return tr("--workdir takes a folder");
        out.workDir = absoluteFrom(currentDir, option);
        if (!QFileInfo(out.workDir).isDir())
            return tr("--workdir %1: no such folder").arg(out.workDir);
        out.workDirSource = WorkDirSource::Option;
        return QString();
    }

    if (!out.pointsFile.isEmpty()) {
        const QDir pointsFolder = QFileInfo(out.pointsFile).dir();
        if (holdsControlFiles(pointsFolder)) {
            out.workDir = pointsFolder.absolutePath();
            out.workDirSource = WorkDirSource::PointsFolder;
            return QString();
        }
    }
    out.workDir = QDir::cleanPath(QDir(currentDir).absolutePath());
    out.workDirSource = WorkDirSource::CurrentFolder;
    return QString();
}

QStringList missingControlFiles(const QString &dir)
{
    const QDir folder(dir);
    QStringList missing;
    for (const char *name : {kControlFileCors96, kControlFileCors96a, kControlTinFile}) {
        const QString file = QString::fromLatin1(name);
        if (!QFileInfo(folder.filePath(file)).isFile())
            missing << file;
    }
    return missing;
}

QString installedSampleDir(const QString &applicationDir)
{
    return QDir::cleanPath(QDir(applicationDir).filePath(QStringLiteral(VELTRANE_SAMPLE_RELATIVE_DIR)));
}

QStringList startupReport(const StartupOptions &options, const QStringList &missing, const QString &sampleDir)
{
    const char *source = "";
    switch (options.workDirSource) {
    case WorkDirSource::Option:
        source = QT_TRANSLATE_NOOP("MainWindowClass", "Working folder (from --workdir): %1");
        break;
    case WorkDirSource::PointsFolder:
        source = QT_TRANSLATE_NOOP("MainWindowClass", "Working folder (the points file's folder): %1");
        break;
    case WorkDirSource::CurrentFolder:
        source = QT_TRANSLATE_NOOP("MainWindowClass", "Working folder (the current folder): %1");
        break;
    }
    QStringList lines{tr(source).arg(QDir::toNativeSeparators(options.workDir))};
    if (!options.pointsFile.isEmpty()) {
        const QFileInfo points(options.pointsFile);
        const QString shown = QDir::toNativeSeparators(options.pointsFile);
        if (!points.exists())
            lines << tr("Points file missing: %1").arg(shown);
        else if (!points.isFile() || !points.isReadable())
            lines << tr("Points file cannot be read: %1").arg(shown);
    }
    if (missing.isEmpty())
        return lines;

    lines << tr("Control files missing there: %1").arg(missing.join(QStringLiteral(", ")));
    if (QFileInfo(sampleDir).isDir()) {
        lines << tr("A sample network is installed in %1. Copy that folder and open a points file in the copy, "
                    "or start veltrane with --workdir set to the copy.")
                     .arg(QDir::toNativeSeparators(sampleDir));
    } else {
        lines << tr("No installed sample was found (looked in %1).").arg(QDir::toNativeSeparators(sampleDir));
    }
    return lines;
}

}  // namespace veltrane

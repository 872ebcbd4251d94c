// veltrane-convert: converts a point file between NAD83(CORS96) and
// NAD83(CORS96a) without the window, through the same run the window uses.

#include "engine/conversion.h"
#include "engine/formats/filedigest.h"
#include "engine/formats/outputnames.h"
#include "engine/formats/tempfilecleanup.h"
#include "engine/formats/tinshiftexport.h"
#include "tools/convert_validation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QStringList>
#include <cstdio>

using namespace veltrane;

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitOutputNotWritten = 1;
constexpr int kExitUsage = 2;

const char *const kUsage =
    "Usage: veltrane-convert [--mode 1|2] [--tin file|generate] [--force-negative] [--workdir DIR]\n"
    "                        [--export-tinshift FILE [--export-license TEXT]] [--quality FILE] INPUT\n"
    "       veltrane-convert --validate-network [--mode 1|2] [--tin file|generate] [--force-negative]\n"
    "                        [--workdir DIR] [--report FILE] [--plot FILE [--plot-size WxH]]\n"
    "\n"
    "Converts the points of INPUT and writes them to INPUT's name with \"_out.csv\",\n"
    "and the control shifts to controlshift.csv in DIR.\n"
    "\n"
    "  --mode 1          NAD83(CORS96) to NAD83(CORS96a) (default)\n"
    "  --mode 2          NAD83(CORS96a) to NAD83(CORS96)\n"
    "  --tin generate    triangulate the control points (default)\n"
    "  --tin file        read the TIN from TARVONA_TIN_CONTROL.obj\n"
    "  --force-negative  store every longitude as a west (negative) longitude\n"
    "  --workdir DIR     folder of the control files (default: the current folder)\n"
    "  --export-tinshift FILE\n"
    "                    also write the network the run used as a JSON triangulation\n"
    "                    file for PROJ: cct +proj=tinshift +file=FILE\n"
    "  --export-license TEXT\n"
    "                    the licence the exported network is published under\n"
    "  --validate-network\n"
    "                    no conversion: take out each control point the network\n"
    "                    surrounds, interpolate its shift from the others and write\n"
    "                    the residuals (predicted minus known, metres) to the report;\n"
    "                    a summary goes to standard error. No INPUT.\n"
    "  --report FILE     the residual file (default: network_validation.csv in DIR)\n"
    "  --plot FILE       also draw the residuals as arrows on a map of the network\n"
    "                    (PNG unless the suffix names another image format)\n"
    "  --plot-size WxH   size of the picture in pixels (default: 1600x1000)\n"
    "  --quality FILE    with INPUT: write an uncertainty for every input point\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 done, 1 an output file or the export could not be written,\n"
    "2 usage error.\n";

struct Invocation {
    ConversionSettings settings;
    QString workDir = QStringLiteral(".");
    QString tinshiftFile;  // empty: no export
    QString license;       // of the export; empty: none given
    QString input;
    ValidationOptions validation;
    bool help = false;
    bool version = false;
};

// Fills `out` from the arguments; returns an error text, empty when they are valid.
QString parseArguments(const QStringList &args, Invocation &out)
{
    bool haveInput = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        auto value = [&](QString &into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        QString text;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out.help = true;
        } else if (arg == QLatin1String("--version")) {
            out.version = true;
        } else if (arg == QLatin1String("--force-negative")) {
            out.settings.forceNegative = true;
        } else if (arg == QLatin1String("--mode")) {
            if (!value(text) || (text != QLatin1String("1") && text != QLatin1String("2")))
                return QStringLiteral("--mode takes 1 or 2");
            out.settings.direction = directionFromMode(text.toInt());
        } else if (arg == QLatin1String("--tin")) {
            if (!value(text) || (text != QLatin1String("file") && text != QLatin1String("generate")))
                return QStringLiteral("--tin takes file or generate");
            out.settings.tinSource = text == QLatin1String("file") ? TinSource::FromFile : TinSource::Generate;
        } else if (arg == QLatin1String("--workdir")) {
            if (!value(out.workDir) || out.workDir.isEmpty())
                return QStringLiteral("--workdir takes a folder");
        } else if (arg == QLatin1String("--export-tinshift")) {
            if (!value(out.tinshiftFile) || out.tinshiftFile.isEmpty())
                return QStringLiteral("--export-tinshift takes a file name");
        } else if (arg == QLatin1String("--export-license")) {
            if (!value(out.license) || out.license.isEmpty())
                return QStringLiteral("--export-license takes a text");
        } else if (parseValidationOption(args, i, out.validation, text)) {
            if (!text.isEmpty())
                return text;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option %1").arg(arg);
        } else if (haveInput) {
            return QStringLiteral("more than one INPUT given");
        } else {
            out.input = arg;
            haveInput = true;
        }
    }
    if (!haveInput && !out.help && !out.version && !out.validation.validateNetwork)
        return QStringLiteral("no INPUT given");
    if (haveInput && out.input.isEmpty())
        return QStringLiteral("INPUT is empty");
    if (!out.license.isEmpty() && out.tinshiftFile.isEmpty())
        return QStringLiteral("--export-license needs --export-tinshift");
    return checkValidationOptions(out.validation, haveInput);
}

// The export's descriptive fields: this program's version, today's UTC date,
// the licence, and the TIN and control files the run read, with their
// digests. Fails with the name of a file that cannot be read.
bool exportMetadata(const Invocation &invocation, TinshiftMetadata &metadata, QString &unreadable)
{
    const QDir folder(invocation.workDir);
    auto source = [&](const char *name, SourceFile &file) {
        file.name = QLatin1String(name);
        file.sha256 = sha256HexOfFile(folder.filePath(file.name));
        if (file.sha256.isEmpty())
            unreadable = folder.filePath(file.name);
        return !file.sha256.isEmpty();
    };
    metadata.version = QStringLiteral(VELTRANE_VERSION);
    metadata.publicationDate = QDateTime::currentDateTimeUtc().date();
    metadata.license = invocation.license;
    const bool fromCors96 = invocation.settings.direction == DatumDirection::Cors96ToCors96a;
    metadata.controlFiles.resize(2);
    if (!source(fromCors96 ? kControlFileCors96 : kControlFileCors96a, metadata.controlFiles[0]) ||
        !source(fromCors96 ? kControlFileCors96a : kControlFileCors96, metadata.controlFiles[1]))
        return false;
    if (invocation.settings.tinSource == TinSource::Generate)
        return true;
    metadata.tinFile.emplace();
    return source(kControlTinFile, *metadata.tinFile);
}

bool exportNetwork(const Invocation &invocation, const ConversionResult &result, QString &error)
{
    TinshiftMetadata metadata;
    QString unreadable;
    if (!exportMetadata(invocation, metadata, unreadable)) {
        error = QStringLiteral("Unable to export the network to %1: %2 cannot be read.")
                    .arg(invocation.tinshiftFile, unreadable);
        return false;
    }
    return writeTinshiftFile(invocation.tinshiftFile, *result.ptsControl, *result.tris, invocation.settings.direction,
                             metadata, error);
}

void printLine(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    Invocation invocation;
    const QString error = parseArguments(QCoreApplication::arguments(), invocation);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "veltrane-convert: %s\n\n%s", error.toLocal8Bit().constData(), kUsage);
        return kExitUsage;
    }
    if (invocation.help) {
        std::fputs(kUsage, stdout);
        return kExitSuccess;
    }
    if (invocation.version) {
        std::printf("veltrane-convert %s\n", VELTRANE_VERSION);
        return kExitSuccess;
    }

    if (invocation.validation.validateNetwork)
        return runNetworkValidation(invocation.settings, invocation.workDir, invocation.validation);

    // The export may not replace a file the run reads or writes; checked
    // before the run writes anything.
    if (!invocation.tinshiftFile.isEmpty()) {
        const QString refusal = filesOfRun(invocation.input, invocation.workDir).refusal(invocation.tinshiftFile);
        if (!refusal.isEmpty()) {
            printLine(refusal);
            return kExitOutputNotWritten;
        }
    }
    installTemporaryFileCleanup();

    // The window echoes its "Output" box here; the batch names its output file.
    const ConversionResult result =
        runConversion(invocation.settings, invocation.input, deriveOutputPath(invocation.input), invocation.workDir,
                      [](const QString &text, int) { printLine(text); });
    std::fputc('\n', stdout);  // ends the run's diagnostic triangle list
    bool exported = true;
    if (!invocation.tinshiftFile.isEmpty()) {
        QString exportError;
        exported = exportNetwork(invocation, result, exportError);
        if (!exported)
            printLine(exportError);
    }
    bool qualityWritten = true;
    if (!invocation.validation.quality.isEmpty() && result.outcome != ConversionOutcome::EmptyInputPath) {
        QString qualityError;
        qualityWritten = writeQualityFile(invocation.validation.quality, result, qualityError);
        if (!qualityWritten)
            printLine(qualityError);
    }
    return result.outcome == ConversionOutcome::Completed && exported && qualityWritten ? kExitSuccess
                                                                                       : kExitOutputNotWritten;
}

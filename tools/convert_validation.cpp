#include "tools/convert_validation.h"

#include "engine/controlnetwork.h"
#include "engine/delaunay.h"
#include "engine/formats/pointfile.h"
#include "engine/formats/tinfile.h"
#include "engine/formats/validationreport.h"
#include "engine/hullcompletion.h"
#include "engine/networkvalidation.h"
#include "engine/pointquality.h"
#include "tools/validationplot/validationplot.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace veltrane {

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitNotWritten = 1;

// Default name of the residual file, beside controlshift.csv.
const char *const kValidationReportFile = "network_validation.csv";

// Largest picture side, pixels.
constexpr int kMaxPlotSide = 8192;

void printError(const QString &text)
{
    std::fprintf(stderr, "veltrane-convert: %s\n", text.toLocal8Bit().constData());
}

std::vector<PointRecord> readControl(const QString &path, LongitudeSign sign)
{
    STATS stats;
    std::vector<PointRecord> points = readPointFile(QFile::encodeName(path).toStdString(), stats, sign);
    if (points.empty())
        printError(QStringLiteral("no control points could be read from %1").arg(path));
    return points;
}

// The network a conversion with `settings` would use: the control files
// paired, and the TIN file's triangles over its matched vertices or the
// Delaunay triangulation of the pairs.
void loadNetwork(const ConversionSettings &settings, const QString &workDir, std::vector<PointRecord> &control,
                 std::vector<Triangle> &triangles)
{
    const QDir folder(workDir);
    const bool fromCors96 = settings.direction == DatumDirection::Cors96ToCors96a;
    const LongitudeSign sign = longitudeSignOf(settings);
    control =
        pairControlPoints(
            readControl(folder.filePath(QLatin1String(fromCors96 ? kControlFileCors96 : kControlFileCors96a)), sign),
            readControl(folder.filePath(QLatin1String(fromCors96 ? kControlFileCors96a : kControlFileCors96)), sign))
            .paired;
    if (settings.tinSource == TinSource::FromFile) {
        const QString tinPath = folder.filePath(QLatin1String(kControlTinFile));
        TinFileContents tin = readTinFile(QFile::encodeName(tinPath).toStdString(), LongitudeSign::ForceWest);
        if (!tin.opened)
            printError(QStringLiteral("unable to open the TIN file %1").arg(tinPath));
        control = matchTinVertices(tin.vertices, control).records;
        triangles = std::move(tin.triangles);
    } else {
        sortPointsByX(control.data(), uint32_t(control.size()));
        triangles = buildDelaunayTin(uint32_t(control.size()), control.data());
        completeTinToHull(uint32_t(control.size()), control.data(), triangles);
    }
}

bool parsePlotSize(const QString &text, QSize &size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return size.width() >= kMinPlotWidth && size.height() >= kMinPlotHeight && size.width() <= kMaxPlotSide &&
           size.height() <= kMaxPlotSide;
}

}  // namespace

bool parseValidationOption(const QStringList &args, int &i, ValidationOptions &out, QString &error)
{
    const QString &arg = args[i];
    auto value = [&](QString &into, const char *what) {
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            error = QStringLiteral("%1 takes %2").arg(arg, QLatin1String(what));
            return;
        }
        into = args[++i];
    };
    if (arg == QLatin1String("--validate-network")) {
        out.validateNetwork = true;
    } else if (arg == QLatin1String("--report")) {
        value(out.report, "a file name");
    } else if (arg == QLatin1String("--plot")) {
        value(out.plot, "a file name");
    } else if (arg == QLatin1String("--quality")) {
        value(out.quality, "a file name");
    } else if (arg == QLatin1String("--plot-size")) {
        QString text;
        value(text, "WIDTHxHEIGHT");
        if (error.isEmpty() && !parsePlotSize(text, out.plotSize))
            error = QStringLiteral("--plot-size takes WIDTHxHEIGHT, each from %1x%2 to %3 pixels")
                        .arg(kMinPlotWidth)
                        .arg(kMinPlotHeight)
                        .arg(kMaxPlotSide);
    } else {
        return false;
    }
    return true;
}

QString checkValidationOptions(const ValidationOptions &options, bool haveInput)
{
    if (options.validateNetwork && haveInput)
        return QStringLiteral("--validate-network takes no INPUT");
    if (options.validateNetwork && !options.quality.isEmpty())
        return QStringLiteral("--quality needs a conversion, not --validate-network");
    if (!options.validateNetwork && (!options.report.isEmpty() || !options.plot.isEmpty()))
        return QStringLiteral("--report and --plot need --validate-network");
    if (options.plot.isEmpty() && !options.plotSize.isEmpty())
        return QStringLiteral("--plot-size needs --plot");
    return QString();
}

std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv)
{
    bool picture = false;
    for (int k = 1; k < argc; ++k)
        picture = picture || std::strcmp(argv[k], "--plot") == 0 || std::strncmp(argv[k], "--plot=", 7) == 0;
    if (!picture)
        return std::make_unique<QCoreApplication>(argc, argv);
    // The picture is drawn off screen; no display is needed, whatever
    // platform the environment names for windows. The minimal platform with
    // its fonts draws text and, unlike the offscreen one, releases its screen
    // when the application ends.
    qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    // The application object adopts the user's locale; numbers are always
    // written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    return app;
}

int runNetworkValidation(const ConversionSettings &settings, const QString &workDir, const ValidationOptions &options)
{
    std::vector<PointRecord> control;
    std::vector<Triangle> triangles;
    loadNetwork(settings, workDir, control, triangles);
    if (triangles.empty())
        printError(QStringLiteral("the control network has no triangles, so no point can be validated"));
    const NetworkValidation validation = validateNetwork(control, triangles);

    int status = kExitSuccess;
    const QString report =
        options.report.isEmpty() ? QDir(workDir).filePath(QLatin1String(kValidationReportFile)) : options.report;
    QString error;
    if (!writeValidationReport(report, control.data(), validation.residuals.data(), control.size(), error)) {
        printError(error);
        status = kExitNotWritten;
    }
    if (!options.plot.isEmpty()) {
        const QSize size = options.plotSize.isEmpty() ? QSize(kDefaultPlotWidth, kDefaultPlotHeight) : options.plotSize;
        if (!writeValidationPlot(options.plot, control, triangles, validation, size, error)) {
            printError(error);
            status = kExitNotWritten;
        }
    }
    std::fprintf(stderr, "veltrane-convert: %s\n",
                 validationSummaryLine(validation.summary, control).toLocal8Bit().constData());
    return status;
}

bool writeQualityFile(const QString &path, const ConversionResult &result, const std::vector<PointStatus> &converted,
                      const std::vector<int32_t> &holding, QString &error)
{
    const std::vector<PointRecord> &control = *result.ptsControl;
    const std::vector<Triangle> &triangles = *result.tris;
    const std::vector<PointRecord> &points = *result.ptsInput;
    const NetworkValidation validation = validateNetwork(control, triangles);
    const PointQualityEstimator estimator(control, triangles, validation);
    std::vector<QualityStatus> status(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        status[i] = qualityStatusOf(converted[i]);
    std::vector<PointQuality> quality(points.size());
    evaluatePointQuality(estimator, points.data(), status.data(), holding.data(), points.size(), quality.data());

    QualityFileWriter writer(path);
    return writer.open(error) && writer.append(points.data(), quality.data(), points.size(), error) &&
           writer.finish(error);
}

}  // namespace veltrane

#include "tools/convert_validation.h"

#include "engine/formats/fileidentity.h"
#include "engine/formats/validationreport.h"
#include "engine/networkvalidation.h"
#include "engine/pointquality.h"
#include "tools/convertcli/batchrun.h"
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

// Default name of the residual file, beside controlshift.csv.
const char *const kValidationReportFile = "network_validation.csv";

// Largest picture side, pixels.
constexpr int kMaxPlotSide = 8192;

void printMessage(const std::string &text)
{
    std::fprintf(stderr, "%s%s\n", kMessagePrefix, text.c_str());
}

void printMessage(const QString &text)
{
    printMessage(text.toLocal8Bit().toStdString());
}

}  // namespace

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

QString plotSizeUsage()
{
    return QStringLiteral("--plot-size takes WIDTHxHEIGHT, each from %1x%2 to %3 pixels")
        .arg(kMinPlotWidth)
        .arg(kMinPlotHeight)
        .arg(kMaxPlotSide);
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

namespace {

// Empty when the report and the picture may be written: neither is a file
// the check reads, and they are not the same file.
QString outputClash(const NetworkFiles &files, const QString &report, const QString &plot)
{
    ProtectedFiles kept;
    for (const QString &input : {files.source, files.target, files.tin})
        kept.add(input, FileRole::Read);
    QString refusal = kept.refusal(report);
    if (refusal.isEmpty() && !plot.isEmpty()) {
        if (sameNewFile(report, plot))
            return QStringLiteral("two outputs are the same file: %1 and %2").arg(report, plot);
        kept.add(report, FileRole::Written);
        refusal = kept.refusal(plot);
    }
    return refusal;
}

}  // namespace

int runNetworkValidation(const ConversionSettings &settings, const NetworkFiles &files, const QString &workDir,
                         const ValidationOptions &options)
{
    const QString report =
        options.report.isEmpty() ? QDir(workDir).filePath(QLatin1String(kValidationReportFile)) : options.report;
    const QString clash = outputClash(files, report, options.plot);
    if (!clash.isEmpty()) {
        printMessage(clash);
        return kExitFailed;
    }

    // The network a conversion with these settings would use, read and
    // assembled by the run's own code.
    const ControlNetwork network = buildControlNetwork(
        settings, files, [](const QString &, int) {}, {}, kNetworkFileByteLimit);
    const std::string problem = networkProblem(network, files);
    if (!problem.empty()) {
        printMessage(problem);
        return kExitFailed;
    }
    const std::vector<PointRecord> &control = network.control;
    const std::vector<Triangle> &triangles = network.triangles;
    const NetworkValidation validation = validateNetwork(control, triangles);

    int status = kExitDone;
    QString error;
    if (!writeValidationReport(report, control.data(), validation.residuals.data(), control.size(), error)) {
        printMessage(error);
        status = kExitFailed;
    }
    if (!options.plot.isEmpty()) {
        const QSize size = options.plotSize.isEmpty() ? QSize(kDefaultPlotWidth, kDefaultPlotHeight) : options.plotSize;
        if (!writeValidationPlot(options.plot, control, triangles, validation, size, error)) {
            printMessage(error);
            status = kExitFailed;
        }
    }
    printMessage(validationSummaryLine(validation.summary, control));
    return status;
}

bool writeQualityFile(const QString &path, const std::vector<PointRecord> &control,
                      const std::vector<Triangle> &triangles, const std::vector<PointRecord> &points,
                      const std::vector<PointStatus> &converted, const std::vector<int32_t> &holding, QString &error)
{
    const NetworkValidation validation = validateNetwork(control, triangles);
    const PointQualityEstimator estimator(control, triangles, validation);
    std::vector<PointQuality> quality(points.size());
    evaluatePointQuality(estimator, points.data(), converted.data(), holding.data(), points.size(), quality.data());

    QualityFileWriter writer(path);
    return writer.open(error) && writer.append(points.data(), quality.data(), points.size(), error) &&
           writer.finish(error);
}

}  // namespace veltrane

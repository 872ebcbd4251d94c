#include "engine/run/conversionrun.h"

#include "engine/network/networkprovenance.h"
#include "engine/formats/fixedformat.h"
#include "engine/formats/gridoutput.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/pointfile.h"
#include "engine/formats/tinfile.h"
#include "engine/formats/tinshiftexport.h"
#include "engine/formats/validationreport.h"
#include "engine/run/gisconversion.h"
#include "engine/geodesy/gridconversion.h"
#include "engine/run/keptpoints.h"
#include "engine/network/networkfacts.h"
#include "engine/network/pointquality.h"
#include "engine/run/runoutputs.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>

#include <sys/stat.h>

namespace veltrane {

namespace {

// Progress values, percent, of the stages that report.
constexpr int kProgressStart = 0;
constexpr int kProgressConverted = 90;

// Identifiers of outside points named when --outside fail stops the run.
constexpr size_t kOutsideIdsNamed = 20;

// Decimals of the seconds in the closing summary.
constexpr int kSecondsDecimals = 2;

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

QString decimal(uint64_t value)
{
    return QString::number(qulonglong(value));
}

// What the closing lines say of the points outside the network, `extended`
// of them extrapolated.
QString outsideFate(OutsidePoints outside, uint64_t count, uint64_t extended)
{
    switch (outside) {
    case OutsidePoints::Skip:
        return QStringLiteral(" and were left out.");
    case OutsidePoints::Nearest:
        // A point without finite coordinates cannot be extrapolated: it keeps zeros.
        if (extended < count)
            return QStringLiteral("; %1 of them were extended from the nearest triangle, %2 left with zeros.")
                .arg(decimal(extended), decimal(count - extended));
        return QStringLiteral(" and were extended from the nearest triangle.");
    case OutsidePoints::Fail:
        return QStringLiteral(".");
    case OutsidePoints::Zero:
        break;
    }
    return QStringLiteral(" and were left unconverted.");
}

// Whether two names, or a name and an open stream, reach the same file.
bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool statOf(const QString &path, struct stat &status)
{
    return ::stat(QFile::encodeName(path).constData(), &status) == 0;
}

// "2 lines are not points: line 3: no identifier; line 9: latitude out of
// range", the first kRejectsNamed of them named.
QString rejectsText(const RejectLog &rejects)
{
    QStringList named;
    for (const LineReject &reject : rejects.kept)
        named.append(rejectText(reject));
    if (rejects.count > uint64_t(named.size()))
        named.append(QStringLiteral("..."));
    const QString count = rejects.count == 1 ? QStringLiteral("1 line is not a point")
                                             : QStringLiteral("%1 lines are not points").arg(decimal(rejects.count));
    return count + QStringLiteral(": ") + named.join(QStringLiteral("; "));
}

QString summaryText(uint64_t points, uint64_t outside, uint64_t extended, OutsidePoints policy, uint64_t rejected)
{
    QString text = QStringLiteral("%1 of %2 points converted").arg(decimal(points - outside), decimal(points));
    if (rejected > 0)
        text += QStringLiteral(", %1 %2 rejected").arg(decimal(rejected), rejected == 1 ? "line" : "lines");
    if (outside > 0) {
        text += QStringLiteral(", %1 outside the network").arg(decimal(outside));
        if (policy == OutsidePoints::Skip)
            text += QStringLiteral(" left out");
        else if (policy == OutsidePoints::Nearest && extended == outside)
            text += QStringLiteral(" extended from the nearest triangle");
        else if (policy == OutsidePoints::Nearest)
            text += QStringLiteral(", %1 of them extended from the nearest triangle and %2 left with zeros")
                        .arg(decimal(extended), decimal(outside - extended));
    }
    return text;
}

// Elapsed seconds as the C locale writes them, whatever the user's locale.
QString seconds(const QElapsedTimer &stopwatch)
{
    char text[kMaxFixedLength + 1];
    char *end = formatFixed(text, double(stopwatch.elapsed()) / 1000.0, kSecondsDecimals);
    return QString::fromLatin1(text, int(end - text));
}

class Run {
public:
    Run(const RunPlan &plan, RunReporter &reporter) : plan_(plan), reporter_(reporter) {}

    RunResult convert();
    RunResult checkNetwork();

private:
    bool openInput();
    bool checkNetworkFiles();
    bool prepareCoordinateSystems();
    bool buildNetwork();
    bool addOutput(const QString &path, RunOutputs::Handle &handle);
    bool openOutputs();
    bool exportMetadata(TinshiftMetadata &metadata);
    bool stream(StreamTotals &totals);
    bool isGisOutput() const;
    bool openGisOutput();
    bool streamGis(StreamTotals &totals);
    bool reportOutside(const StreamTotals &totals);
    // A point outside the network: to the reporter when it asks, and kept
    // among the first kOutsideIdsNamed.
    void noteOutside(const QString &id)
    {
        if (reporter_.wantsOutsidePoints())
            reporter_.outsidePoint(id);
        if (outsideIds_.size() < kOutsideIdsNamed)
            outsideIds_.push_back(id);
    }
    bool recordWanted() const { return plan_.keepRecord || !plan_.record.isEmpty(); }
    // A record kept with the points but not written now gathers its shifts'
    // statistics from them when it is asked for, which spares the run the work.
    bool shiftsFromKeptPoints() const { return plan_.keepRecords && plan_.record.isEmpty(); }
    // The points and extent of the input, for the result; the shifts for the record.
    void keepPoints(KeptPoints &kept);
    std::shared_ptr<ConversionRecord> makeRecord(StreamTotals &totals) const;
    bool writeRecord(const ConversionRecord &record);
    bool writeCheckOutputs(const NetworkValidation &validation, RunOutputs::Handle report, RunOutputs::Handle picture);
    bool failed(const QString &text, bool leadingName = false);
    QString inputName() const;

    const RunPlan &plan_;
    RunReporter &reporter_;
    QElapsedTimer stopwatch_;
    RunResult result_;
    ControlNetwork network_;
    std::shared_ptr<const std::vector<PointRecord>> control_;
    std::shared_ptr<const std::vector<Triangle>> triangles_;
    std::unique_ptr<GridConversion> grid_;  // points in other coordinates than degrees
    std::FILE *input_ = nullptr;
    bool ownsInput_ = false;
    RunOutputs outputs_;
    // Errors of outputs the window's run reports once the points are converted.
    QStringList deferredErrors_;
    RunOutputs::Handle points_ = RunOutputs::kNoOutput;
    RunOutputs::Handle controlShift_ = RunOutputs::kNoOutput;
    RunOutputs::Handle tinshift_ = RunOutputs::kNoOutput;
    RunOutputs::Handle quality_ = RunOutputs::kNoOutput;
    // A GIS input and output; the writer is closed before the outputs drop
    // what was not committed.
    std::unique_ptr<GisPointReader> gisInput_;
    std::unique_ptr<GisPointWriter> gisWriter_;
    std::string gisOutputWkt_;  // the written layer's coordinate system
    RunOutputs::Handle record_ = RunOutputs::kNoOutput;
    std::optional<NetworkValidation> validation_;  // for the uncertainty file or the record
    std::vector<QString> outsideIds_;              // the first kOutsideIdsNamed
    KeptShifts keptShifts_;                        // with shiftsFromKeptPoints()
};

// Reports an error; false, so that a failing step can return it.
bool Run::failed(const QString &text, bool leadingName)
{
    reporter_.error(text, leadingName);
    return false;
}

QString Run::inputName() const
{
    return plan_.inputStream ? QStringLiteral("standard input") : plan_.input;
}

bool Run::openInput()
{
    if (plan_.inputStream) {
        input_ = plan_.inputStream;
        return true;
    }
    if (isGisFileName(plan_.input)) {
        gisInput_ = std::make_unique<GisPointReader>();
        QString error;
        return gisInput_->open(plan_.input, plan_.gis, error) || failed(error);
    }
    InputProblem problem = InputProblem::None;
    input_ = openInputFile(localPath(plan_.input), problem);
    if (input_) {
        ownsInput_ = true;
        return true;
    }
    // Neither front end converts what is no points file: nothing is written.
    const int error = errno;
    bool leadingName = false;
    const QString text = inputProblemText(plan_.input, problem, error, leadingName);
    return failed(text, leadingName);
}

// Network files that cannot be read as the run means to: standard input
// read twice, or one file as both realizations.
bool Run::checkNetworkFiles()
{
    struct stat source = {};
    struct stat target = {};
    struct stat input = {};
    const bool haveSource = statOf(plan_.network.source, source);
    const bool haveTarget = statOf(plan_.network.target, target);
    if (input_ && plan_.inputStream && ::fstat(fileno(input_), &input) == 0 && !S_ISREG(input.st_mode)) {
        // A stream can be read once only: as the input or as a network file.
        for (const auto &[name, have, status] :
             {std::tie(plan_.network.source, haveSource, source), std::tie(plan_.network.target, haveTarget, target)}) {
            if (have && sameFile(status, input))
                return failed(
                    QStringLiteral("Cannot read %1: it is standard input, which is read as the input").arg(name));
        }
    }
    if (haveSource && haveTarget && sameFile(source, target))
        reporter_.warning(QStringLiteral("%1 is the control file of both realizations: every shift is zero.")
                              .arg(plan_.network.source));
    return true;
}

// The conversion of the points' coordinate systems, when one of them is no
// geographic system: degrees in and out are read and written as always.
bool Run::prepareCoordinateSystems()
{
    CoordinateSystem input, output;
    std::string error;
    // A GIS layer names its system, unless --crs says otherwise.
    const std::string layerCrs = gisInput_ && plan_.crs.empty() ? gisInput_->crsWkt() : std::string();
    const std::string &inputCrs = layerCrs.empty() ? plan_.crs : layerCrs;
    if (!layerCrs.empty() && !describeCoordinateSystem(layerCrs, input, error))
        return failed(QStringLiteral("Unusable coordinate system of layer %1: %2; give the points' system with --crs")
                          .arg(gisInput_->layerName(), QString::fromStdString(error.substr(layerCrs.size() + 2))));
    for (const auto &[definition, system] : {std::tie(plan_.crs, input), std::tie(plan_.outputCrs, output)}) {
        if (!definition.empty() && !describeCoordinateSystem(definition, system, error))
            return failed(QStringLiteral("Unusable coordinate system %1").arg(QString::fromStdString(error)));
    }
    if (plan_.outputCrs.empty())
        output = input;
    if (isGisOutput()) {
        // The written layer's system is the targets', on the target realization.
        const DatumDirection direction = plan_.settings.direction;
        gisOutputWkt_ = renamedDatumWkt(plan_.outputCrs.empty() ? inputCrs : plan_.outputCrs,
                                        targetSystemName(direction), targetDatumName(direction), error);
        if (gisOutputWkt_.empty())
            return failed(QString::fromStdString(error));
    }
    if (input.kind == CoordinateKind::Geographic && output.kind == CoordinateKind::Geographic)
        return true;
    // Grid lines are written with decimal points and separated by commas;
    // angles in degrees, minutes and seconds are no grid coordinates.
    if (!plan_.style.isDefault() || plan_.layout.decimalComma || plan_.layout.angles != AngleStyle::Decimal)
        return failed(QStringLiteral("Grid coordinates are read and written with decimal points, and not as angles: "
                                     "--decimal-comma, --angles and --angles-out need degrees in and out"));
    grid_ = std::make_unique<GridConversion>(input, output, plan_.settings.direction);
    if (!grid_->ready(error))
        return failed(QString::fromStdString(error));
    return true;
}

bool Run::buildNetwork()
{
    const StatusSink status = [this](const QString &text, int percent) { reporter_.status(text, percent); };
    DiagnosticSink dumps;
    if (reporter_.wantsDiagnostics())
        dumps = [this](const std::string &text) { reporter_.diagnostic(text); };
    network_ = buildControlNetwork(plan_.settings, plan_.network, status, dumps, plan_.networkByteLimit);
    if (plan_.strict) {
        bool leadingName = false;
        const QString problem = networkProblem(plan_.network, network_, leadingName);
        if (!problem.isEmpty())
            return failed(problem, leadingName);
    }
    result_.nTinVerts = network_.nTinVerts;
    result_.statsControl = network_.statsControl;
    control_ = std::make_shared<const std::vector<PointRecord>>(std::move(network_.control));
    triangles_ = std::make_shared<const std::vector<Triangle>>(std::move(network_.triangles));
    return true;
}

// Opens one output of the run. The command stops at the first that cannot
// be written; the window's run converts all the same, for its view, and
// reports the outputs at the end.
bool Run::addOutput(const QString &path, RunOutputs::Handle &handle)
{
    QString error;
    handle = outputs_.add(path, error);
    if (handle != RunOutputs::kNoOutput)
        return true;
    if (plan_.strict)
        return failed(error);
    deferredErrors_.append(error);
    return true;
}

bool Run::openOutputs()
{
    for (const QString &path : {plan_.network.source, plan_.network.target, plan_.network.tin})
        outputs_.protect(path);
    if (!plan_.inputStream)
        outputs_.protect(plan_.input);

    if (isGisOutput()) {
        if (!openGisOutput())
            return false;
    } else if (plan_.outputStream)
        points_ = outputs_.addStream(plan_.outputStream, QStringLiteral("standard output"));
    else if (!addOutput(plan_.output, points_))
        return false;
    if (!plan_.controlShift.isEmpty() && !addOutput(plan_.controlShift, controlShift_))
        return false;
    if (!plan_.tinshift.isEmpty() && !addOutput(plan_.tinshift, tinshift_))
        return false;
    if (!plan_.quality.isEmpty() && !addOutput(plan_.quality, quality_))
        return false;
    if (!plan_.record.isEmpty() && !addOutput(plan_.record, record_))
        return false;
    if (!deferredErrors_.isEmpty())
        return true;  // nothing is written; the window's run still converts

    QString error;
    const std::string header = grid_ ? gridOutputHeader(grid_->layout()) : outputHeaderText(plan_.style);
    if (!gisWriter_ && !outputs_.write(points_, header, error))
        return failed(error);
    if (controlShift_ != RunOutputs::kNoOutput) {
        // The control points are in degrees whatever the points' system.
        std::string text = outputHeaderText(plan_.style);
        appendShiftLines(text, control_->data(), control_->size(), plan_.settings.direction, plan_.decimals,
                         plan_.style);
        if (!outputs_.write(controlShift_, text, error))
            return failed(error);
    }
    if (tinshift_ != RunOutputs::kNoOutput) {
        TinshiftMetadata metadata;
        if (!exportMetadata(metadata))
            return false;
        QByteArray json;
        if (!tinshiftText(plan_.tinshift, *control_, *triangles_, plan_.settings.direction, metadata, json, error))
            return failed(error);
        if (!outputs_.write(tinshift_, json.constData(), size_t(json.size()), error))
            return failed(error);
    }
    if (quality_ != RunOutputs::kNoOutput &&
        !outputs_.write(quality_, kQualityFileHeader, std::strlen(kQualityFileHeader), error))
        return failed(error);
    return true;
}

// The export's descriptive fields: the program's version, today's UTC date,
// the licence, and the network files the run read, with their digests.
bool Run::exportMetadata(TinshiftMetadata &metadata)
{
    metadata.version = plan_.version;
    metadata.license = plan_.exportLicense;
    metadata.fallback =
        plan_.outside == OutsidePoints::Nearest ? TinshiftFallback::NearestSide : TinshiftFallback::None;
    QString error;
    return describeNetworkFiles(plan_.settings, plan_.network, plan_.tinshift, metadata, error) || failed(error);
}

bool Run::isGisOutput() const
{
    return !plan_.outputStream && (!plan_.outputFormat.isEmpty() || isGisFileName(plan_.output));
}

// The converted points as features of a GIS file, made beside its name and
// put in place with the other outputs.
bool Run::openGisOutput()
{
    QString error;
    if (!gisInput_)
        return failed(QStringLiteral("%1 is a GIS file, which takes the points of a GIS input; %2 is a text file")
                          .arg(plan_.output, inputName()));
    const QString driver = plan_.outputFormat.isEmpty() ? gisDriverForName(plan_.output) : plan_.outputFormat;
    if (!GisPointWriter::checkDriver(driver, error))
        return failed(QStringLiteral("Cannot write %1: %2").arg(plan_.output, error));
    gisWriter_ = std::make_unique<GisPointWriter>();
    GisPointWriter *writer = gisWriter_.get();
    QString workPath;
    points_ = outputs_.addStaged(
        plan_.output, [writer](QString &closeError) { return writer->close(closeError); }, workPath, error);
    if (points_ == RunOutputs::kNoOutput)
        return failed(error);
    GisWriteOptions options;
    options.driver = driver;
    options.layerName = gisInput_->layerName();
    options.crsWkt = gisOutputWkt_;
    options.heights = gisInput_->hasHeights();
    options.quality = !plan_.quality.isEmpty();
    if (!writer->create(workPath, options, gisInput_.get(), error))
        return failed(error.replace(workPath, plan_.output));
    return true;
}

void Run::keepPoints(KeptPoints &kept)
{
    std::vector<PointRecord> points = kept.take(result_.statsInput);
    if (plan_.keepRecords)
        result_.points = std::make_shared<const std::vector<PointRecord>>(std::move(points));
    if (recordWanted() && shiftsFromKeptPoints())
        keptShifts_ = kept.shifts(result_.points);
}

// Streams the input through the network into the outputs.
bool Run::stream(StreamTotals &totals)
{
    if (gisInput_)
        return streamGis(totals);
    const bool writing = deferredErrors_.isEmpty();
    std::optional<PointQualityEstimator> estimator;
    if (quality_ != RunOutputs::kNoOutput && writing) {
        validation_.emplace(validateNetwork(*control_, *triangles_));
        estimator.emplace(*control_, *triangles_, *validation_);
    }

    StreamSettings settings;
    settings.direction = plan_.settings.direction;
    settings.sign = longitudeSignOf(plan_.settings);
    settings.outside = plan_.outside;
    settings.decimals = plan_.decimals;
    settings.style = plan_.style;
    settings.layout = plan_.layout;
    settings.quality = estimator ? &*estimator : nullptr;
    settings.grid = grid_.get();
    settings.shiftStatistics = recordWanted() && !shiftsFromKeptPoints();

    QString writeError;
    StreamHandlers handlers;
    handlers.write = [this, writing, &writeError](const std::string &lines) {
        return !writing || outputs_.write(points_, lines, writeError);
    };
    handlers.writeQuality = [this, &writeError](const std::string &lines) {
        return outputs_.write(quality_, lines, writeError);
    };
    if (reporter_.wantsOutsidePoints() || plan_.outside == OutsidePoints::Fail || recordWanted()) {
        handlers.outsidePoint = [this](const QString &id) { noteOutside(id); };
    }

    StreamByteSource bytes(input_);
    const uint64_t totalBytes = bytes.knownSize();
    KeptPoints keptBlocks(totalBytes);
    if (plan_.keepRecords)
        handlers.convertedPoints = [&keptBlocks](KeptBlock &&block) { keptBlocks.add(std::move(block)); };
    handlers.progress = [this, totalBytes](uint64_t points, uint64_t read) {
        reporter_.progress(points, read, totalBytes);
    };

    handlers.cancelled = plan_.cancelled;
    if (reporter_.wantsRejectedLines())
        handlers.rejectedLine = [this](const LineReject &reject) { reporter_.rejectedLine(rejectText(reject)); };

    const NetworkInterpolator interpolator(control_, triangles_);
    totals = convertPointStream(bytes, interpolator, settings, handlers);
    const int readErrno = bytes.error();

    result_.pointCount = totals.points;
    result_.outside = totals.outside;
    result_.rejected = totals.rejects.count;
    keepPoints(keptBlocks);
    if (reporter_.wantsDiagnostics()) {
        std::vector<std::string> notes;
        appendPointReadDiagnostics(&notes, localPath(plan_.input), true, totals.dataLines, size_t(totals.points));
        for (const std::string &note : notes)
            reporter_.diagnostic(note);
    }

    if (!totals.layoutError.isEmpty()) {
        if (plan_.strict)
            return failed(QStringLiteral("%1: %2").arg(inputName(), totals.layoutError), true);
        reporter_.status(totals.layoutError, kProgressConverted);
    }
    if (totals.cancelled) {
        result_.outcome = RunOutcome::Cancelled;
        return failed(QStringLiteral("Conversion cancelled; no file was written."));
    }
    if (totals.readFailed) {
        const QString text = QStringLiteral("Error reading %1: %2").arg(inputName(), reason(readErrno));
        if (plan_.strict)
            return failed(text);
        deferredErrors_.append(text);
    }
    if (totals.writeFailed) {
        if (plan_.strict)
            return failed(writeError);
        deferredErrors_.append(writeError);
    }
    // Most points outside (or rejected for their latitude), and most of
    // those inside once corrected.
    const uint64_t astray = totals.outside + totals.latitudeRejects;
    if (astray * 2 > totals.points + totals.latitudeRejects) {
        if (totals.insideIfWest * 2 > astray)
            reporter_.hint(RunHint::ForceNegative);
        if (totals.insideIfSwapped * 2 > astray)
            reporter_.hint(RunHint::SwapColumns);
    }
    if (totals.points == 0) {
        QString text = QStringLiteral("No points could be read from %1.").arg(inputName());
        if (totals.rejects.count > 0)
            text += QStringLiteral(" ") + rejectsText(totals.rejects);
        if (plan_.strict)
            return failed(text);
        reporter_.status(text, kProgressConverted);
    } else if (totals.rejects.count > 0) {
        reporter_.warning(rejectsText(totals.rejects));
    }
    return reportOutside(totals);
}

// The closing lines on the points outside the network; false when they stop the run.
bool Run::reportOutside(const StreamTotals &totals)
{
    if (totals.outside > 0)
        reporter_.status(QStringLiteral("%1 of %2 points lie outside the control network")
                                 .arg(decimal(totals.outside), decimal(totals.points)) +
                             outsideFate(plan_.outside, totals.outside, totals.extended),
                         kProgressConverted);
    if (plan_.outside == OutsidePoints::Fail && totals.outside > 0) {
        QStringList ids;
        for (const QString &id : outsideIds_)
            ids.append(id);
        if (totals.outside > outsideIds_.size())
            ids.append(QStringLiteral("..."));
        return failed(QStringLiteral("%1 of %2 points lie outside the control network: %3")
                          .arg(decimal(totals.outside), decimal(totals.points), ids.join(QStringLiteral(", "))));
    }
    return true;
}

// Streams the features of a GIS layer through the network into the outputs.
bool Run::streamGis(StreamTotals &totals)
{
    std::optional<PointQualityEstimator> estimator;
    if (quality_ != RunOutputs::kNoOutput) {
        validation_.emplace(validateNetwork(*control_, *triangles_));
        estimator.emplace(*control_, *triangles_, *validation_);
    }
    StreamSettings settings;
    settings.direction = plan_.settings.direction;
    settings.outside = plan_.outside;
    settings.decimals = plan_.decimals;
    settings.style = plan_.style;
    settings.quality = estimator ? &*estimator : nullptr;
    settings.grid = grid_.get();
    settings.shiftStatistics = recordWanted() && !shiftsFromKeptPoints();

    QString writeError;
    GisStreamHandlers handlers;
    handlers.writer = gisWriter_.get();
    if (!gisWriter_) {
        handlers.writeLines = [this, &writeError](const std::string &lines) {
            return outputs_.write(points_, lines, writeError);
        };
    }
    handlers.writeQuality = [this, &writeError](const std::string &lines) {
        return outputs_.write(quality_, lines, writeError);
    };
    handlers.outsidePoint = [this](const QString &id) { noteOutside(id); };
    const int64_t features = gisInput_->featureCount();
    KeptPoints keptBlocks(features < 0 ? kUnknownSize : uint64_t(features));
    if (plan_.keepRecords)
        handlers.convertedPoints = [&keptBlocks](KeptBlock &&block) { keptBlocks.add(std::move(block)); };
    handlers.progress = [this, features](uint64_t points) {
        reporter_.progress(points, points, features < 0 ? kUnknownSize : uint64_t(features));
    };
    handlers.cancelled = plan_.cancelled;

    const NetworkInterpolator interpolator(control_, triangles_);
    const GisTotals gis = convertGisLayer(*gisInput_, interpolator, settings, handlers);
    totals = gis.stream;
    result_.pointCount = totals.points;
    result_.outside = totals.outside;
    result_.rejected = totals.rejects.count;
    keepPoints(keptBlocks);

    if (totals.cancelled) {
        result_.outcome = RunOutcome::Cancelled;
        return failed(QStringLiteral("Conversion cancelled; no file was written."));
    }
    if (totals.readFailed)
        return failed(gis.error);
    if (totals.writeFailed)
        return failed(gis.error.isEmpty() ? writeError
                                          : QStringLiteral("Unable to write %1: %2").arg(plan_.output, gis.error));
    QString rejects;
    if (totals.rejects.count > 0)
        rejects =
            QStringLiteral("%1 %2 no point: %3")
                .arg(decimal(totals.rejects.count), totals.rejects.count == 1 ? "feature gives" : "features give",
                     gis.rejected.join(QStringLiteral("; ")) +
                         (totals.rejects.count > uint64_t(gis.rejected.size()) ? QStringLiteral("; ...") : QString()));
    if (totals.points == 0) {
        QString text =
            QStringLiteral("No points could be read from layer %1 of %2.").arg(gisInput_->layerName(), inputName());
        if (!rejects.isEmpty())
            text += QStringLiteral(" ") + rejects;
        if (plan_.strict)
            return failed(text);
        reporter_.status(text, kProgressConverted);
    } else if (!rejects.isEmpty()) {
        reporter_.warning(rejects);
    }
    return reportOutside(totals);
}

RunResult Run::convert()
{
    reporter_.status(QStringLiteral("Begin Processing"), kProgressStart);
    stopwatch_.start();
    result_.control = std::make_shared<const std::vector<PointRecord>>();
    result_.triangles = std::make_shared<const std::vector<Triangle>>();
    result_.points = std::make_shared<const std::vector<PointRecord>>();
    if (plan_.input.isEmpty() && !plan_.inputStream) {
        result_.outcome = RunOutcome::EmptyInputPath;
        return result_;
    }
    reporter_.status(QStringLiteral("Processing Input Files:  "), kProgressStart);
    reporter_.status(plan_.input, kProgressStart);
    reporter_.status(plan_.echo, kProgressStart);

    result_.outcome = RunOutcome::Failed;
    StreamTotals totals;
    const bool converted = openInput() && checkNetworkFiles() && prepareCoordinateSystems() && buildNetwork() &&
                           openOutputs() && stream(totals);
    if (ownsInput_)
        std::fclose(input_);
    if (!converted)
        return result_;
    // The window's run goes on without a network (every point stays
    // unconverted); it has not completed a conversion, and does not say so.
    if (!control_->empty() && !triangles_->empty())
        reporter_.status(QStringLiteral("Completed in %1 ms.").arg(stopwatch_.elapsed()), kProgressDone);

    std::shared_ptr<ConversionRecord> record;
    if (recordWanted() && deferredErrors_.isEmpty()) {
        record = makeRecord(totals);
        if (record_ != RunOutputs::kNoOutput && !writeRecord(*record)) {
            result_.outcome = plan_.strict ? RunOutcome::Failed : RunOutcome::OutputNotWritten;
            return result_;
        }
    }

    QString error;
    if (!deferredErrors_.isEmpty()) {
        for (const QString &text : deferredErrors_)
            reporter_.error(text);
        result_.outcome = RunOutcome::OutputNotWritten;
    } else if (!outputs_.commit(error)) {
        reporter_.error(error);
        result_.outcome = plan_.strict ? RunOutcome::Failed : RunOutcome::OutputNotWritten;
    } else {
        result_.outcome = RunOutcome::Completed;
    }
    if (reporter_.wantsDiagnostics())
        reporter_.diagnostic(dumpTriangles(*triangles_));
    if (plan_.keepRecords) {
        result_.control = control_;
        result_.triangles = triangles_;
    }
    if (result_.outcome != RunOutcome::Completed)
        return result_;
    result_.record = record;

    QString wrote = plan_.outputStream ? QStringLiteral("standard output") : plan_.output;
    if (!plan_.controlShift.isEmpty())
        wrote += (plan_.tinshift.isEmpty() ? QStringLiteral(" and ") : QStringLiteral(", ")) + plan_.controlShift;
    if (!plan_.tinshift.isEmpty())
        wrote += QStringLiteral(" and ") + plan_.tinshift;
    if (!plan_.record.isEmpty())
        wrote += QStringLiteral("; the record in ") + plan_.record;
    reporter_.summary(summaryText(totals.points, totals.outside, totals.extended, plan_.outside, totals.rejects.count) +
                      QStringLiteral("; wrote ") + wrote + QStringLiteral(" (") + seconds(stopwatch_) +
                      QStringLiteral(" s)"));
    return result_;
}

std::shared_ptr<ConversionRecord> Run::makeRecord(StreamTotals &totals) const
{
    auto record = std::make_shared<ConversionRecord>();
    record->input = inputName();
    // A pipe or a device cannot be read again: only a regular file is
    // measured, now when the record is written, or when it is saved (the
    // window), if the file has not changed by then.
    if (!plan_.inputStream) {
        record->inputStamp = stampOfFile(plan_.input);
        if (!plan_.record.isEmpty())
            measureInput(*record);
    }
    record->outputs.append(plan_.outputStream ? QStringLiteral("standard output") : plan_.output);
    for (const QString &path : {plan_.controlShift, plan_.tinshift, plan_.quality})
        if (!path.isEmpty())
            record->outputs.append(path);
    record->provenance =
        networkProvenance(plan_.network, plan_.settings, plan_.version, QDateTime::currentDateTimeUtc());
    record->points = totals.points;
    record->outside = totals.outside;
    record->extended = totals.extended;
    record->rejected = totals.rejects.count;
    record->outsideMode = plan_.outside;
    record->shifts = std::move(totals.shifts);
    record->keptShifts = keptShifts_;
    for (size_t i = 0; i < outsideIds_.size() && i < size_t(kRecordedOutsideIds); ++i)
        record->outsideIds.append(outsideIds_[i]);
    return record;
}

// The record with the network's check among the run's outputs.
bool Run::writeRecord(const ConversionRecord &record)
{
    if (!validation_)
        validation_.emplace(validateNetwork(*control_, *triangles_));
    QByteArray pdf;
    QString error;
    if (!plan_.renderRecord(plan_.record, record, *control_, *triangles_, *validation_, pdf, error) ||
        !outputs_.write(record_, pdf.constData(), size_t(pdf.size()), error))
        return failed(error);
    return true;
}

bool Run::writeCheckOutputs(const NetworkValidation &validation, RunOutputs::Handle report, RunOutputs::Handle picture)
{
    QString error;
    const std::string text = validationReportText(control_->data(), validation.residuals.data(), control_->size());
    if (report != RunOutputs::kNoOutput && !outputs_.write(report, text, error))
        return failed(error);
    if (picture != RunOutputs::kNoOutput) {
        QByteArray image;
        if (!plan_.renderPicture(plan_.plot, *control_, *triangles_, validation, image, error))
            return failed(error);
        if (!outputs_.write(picture, image.constData(), size_t(image.size()), error))
            return failed(error);
    }
    if (!outputs_.commit(error))
        return failed(error);
    return true;
}

RunResult Run::checkNetwork()
{
    result_.outcome = RunOutcome::Failed;
    for (const QString &path : {plan_.network.source, plan_.network.target, plan_.network.tin})
        outputs_.protect(path);
    RunOutputs::Handle report = RunOutputs::kNoOutput, picture = RunOutputs::kNoOutput;
    // A residual file of a GIS format is a point layer that GDAL writes in
    // a folder of its own, put in place with the others.
    const bool gisReport = isGisFileName(plan_.report);
    QString reportWorkPath, error;
    if (gisReport) {
        QString driverError;
        if (!GisPointWriter::checkDriver(gisDriverForName(plan_.report), driverError)) {
            failed(QStringLiteral("Cannot write %1: %2").arg(plan_.report, driverError));
            return result_;
        }
        report = outputs_.addStaged(
            plan_.report, [](QString &) { return true; }, reportWorkPath, error);
        if (report == RunOutputs::kNoOutput) {
            failed(error);
            return result_;
        }
    }
    if ((!gisReport && !addOutput(plan_.report, report)) ||
        (!plan_.plot.isEmpty() && !addOutput(plan_.plot, picture)) || !buildNetwork())
        return result_;

    const NetworkValidation validation = validateNetwork(*control_, *triangles_);
    if (gisReport) {
        QString sourceSystem, targetSystem;
        networkSystems(plan_.settings.direction, sourceSystem, targetSystem);
        if (!writeResidualLayer(reportWorkPath, gisDriverForName(plan_.report), sourceSystem.toStdString(), *control_,
                                validation.residuals, error)) {
            failed(error.replace(reportWorkPath, plan_.report));
            return result_;
        }
    }
    if (!writeCheckOutputs(validation, gisReport ? RunOutputs::kNoOutput : report, picture))
        return result_;
    result_.outcome = RunOutcome::Completed;
    reporter_.summary(validationSummaryLine(validation.summary, *control_));
    return result_;
}

}  // namespace

void RunReporter::hint(RunHint hint)
{
    if (hint == RunHint::ForceNegative)
        warning(QStringLiteral("Most points lie outside the control network, and their longitudes have the other "
                               "sign than the network's: check \"Force X coordinates to be negative\"."));
    else
        warning(QStringLiteral("Most points lie outside the control network, and with longitude and latitude swapped "
                               "they would lie inside: the file seems to hold the latitude first; name its columns "
                               "in a first line (id, lat, lon, h)."));
}

RunResult runPlan(const RunPlan &plan, RunReporter &reporter)
{
    Run run(plan, reporter);
    return plan.kind == RunKind::CheckNetwork ? run.checkNetwork() : run.convert();
}

}  // namespace veltrane

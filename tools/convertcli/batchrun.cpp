#include "tools/convertcli/batchrun.h"

#include "engine/formats/filedigest.h"
#include "engine/formats/fileidentity.h"
#include "engine/formats/outputnames.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/replacingfile.h"
#include "engine/formats/tinshiftexport.h"
#include "engine/pointshift.h"
#include "tools/convertcli/filenamebytes.h"
#include "tools/convertcli/progress.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace veltrane {

namespace {

// Identifiers of outside points named when --outside fail stops the run.
constexpr size_t kOutsideIdsNamed = 20;

std::string describe(int error)
{
    return std::strerror(error);
}

std::string local(const QString &text)
{
    return text.toLocal8Bit().toStdString();
}

// Every message of the run, on standard error, each line starting with the
// program's name; a progress line, when there is one, is cleared first.
class Messages {
public:
    Messages(std::FILE *err, Verbosity verbosity) : err_(err), verbosity_(verbosity) {}

    void error(const std::string &text) { print(text); }
    void summary(const std::string &text)
    {
        if (verbosity_ != Verbosity::Quiet)
            print(text);
    }
    void status(const std::string &text)
    {
        if (verbosity_ == Verbosity::Verbose)
            print(text);
    }
    bool verbose() const { return verbosity_ == Verbosity::Verbose; }
    void setProgress(ProgressLine *progress) { progress_ = progress; }

private:
    void print(const std::string &text)
    {
        if (progress_)
            progress_->clear();
        std::fprintf(err_, "%s%s\n", kMessagePrefix, text.c_str());
        std::fflush(err_);
    }

    std::FILE *err_;
    Verbosity verbosity_;
    ProgressLine *progress_ = nullptr;
};

std::string inputProblemText(const std::string &name, InputProblem problem, int error)
{
    switch (problem) {
    case InputProblem::None:
        break;
    case InputProblem::CannotOpen:
        return "cannot read " + name + ": " + describe(error);
    case InputProblem::IsFolder:
        return name + " is a folder, not a file";
    case InputProblem::IsDevice:
        return name + " is a device, not a file or stream";
    case InputProblem::ReadError:
        return "error reading " + name + ": " + describe(error);
    case InputProblem::TooLarge:
        return name + " is larger than " + std::to_string(kNetworkFileByteLimit >> 20) +
               " MiB, more than any control network; refused";
    }
    return std::string();
}

// A message of the engine's, in the tool's style: it begins in lower case.
std::string asMessage(const QString &text)
{
    std::string message = local(text);
    if (!message.empty() && message[0] >= 'A' && message[0] <= 'Z')
        message[0] = char(message[0] - 'A' + 'a');
    return message;
}

// An output written beside its name, put in place by finishOutputs().
struct PendingOutput {
    std::string name;
    std::unique_ptr<ReplacingFile> file;
};

bool openOutput(PendingOutput &output, Messages &messages)
{
    output.file = std::make_unique<ReplacingFile>(nameFromBytes(output.name));
    errno = 0;
    if (!output.file->open()) {
        messages.error("cannot write " + output.name + ": " + local(output.file->errorString()));
        return false;
    }
    return true;
}

bool writeBytes(std::FILE *stream, const char *data, size_t size)
{
    return std::fwrite(data, 1, size, stream) == size;
}

std::string summaryText(const StreamTotals &totals, OutsidePoints outside)
{
    const uint64_t inside = totals.points - totals.outside;
    std::string text = std::to_string(inside) + " of " + std::to_string(totals.points) + " points converted";
    if (totals.outside > 0) {
        text += ", " + std::to_string(totals.outside) + " outside the network";
        if (outside == OutsidePoints::Skip)
            text += " left out";
        else if (outside == OutsidePoints::Nearest)
            text += " extended from the nearest triangle";
    }
    return text;
}

class BatchRun {
public:
    BatchRun(const CommandLine &options, std::FILE *in, std::FILE *out, std::FILE *err)
        : o_(options), in_(in), out_(out), messages_(err, options.verbosity), err_(err)
    {
    }

    int run();

private:
    bool openInput();
    bool buildNetwork();
    bool checkNames();
    bool openOutputs();
    bool convert(StreamTotals &totals);
    bool finishOutputs();
    bool exportMetadata(TinshiftMetadata &metadata);
    bool writeQuality();
    std::vector<std::string> inputNames() const;

    const CommandLine &o_;
    std::FILE *in_;
    std::FILE *out_;
    Messages messages_;
    std::FILE *err_;
    QElapsedTimer stopwatch_;

    NetworkFiles files_;
    ControlNetwork network_;  // its arrays move to control_ and triangles_ once checked
    std::shared_ptr<const std::vector<PointRecord>> control_;
    std::shared_ptr<const std::vector<Triangle>> triangles_;
    std::unique_ptr<NetworkInterpolator> interpolator_;
    // Held for --quality only: the converted points, their status and the
    // triangle that gave each its shift.
    std::vector<PointRecord> convertedPoints_;
    std::vector<PointStatus> convertedStatus_;
    std::vector<int32_t> convertedTriangles_;
    std::string outputName_;
    std::string controlShiftName_;
    std::FILE *input_ = nullptr;
    bool ownsInput_ = false;
    std::FILE *pointsStream_ = nullptr;
    PendingOutput points_, controlShift_, tinshift_;
};

int BatchRun::run()
{
    stopwatch_.start();
    const QString workDir = nameFromBytes(o_.workDir);
    files_ = networkFilesOf(o_);
    outputName_ = o_.output.empty() ? bytesFromName(deriveOutputPath(nameFromBytes(o_.input))) : o_.output;
    if (o_.writeControlShift)
        controlShiftName_ = o_.controlShift.empty()
                                ? bytesFromName(QDir(workDir).filePath(QLatin1String(kControlShiftFile)))
                                : o_.controlShift;

    messages_.status("Begin Processing");
    messages_.status("Processing Input Files:  ");
    messages_.status(o_.input);
    messages_.status(outputName_);

    StreamTotals totals;
    const bool done =
        openInput() && buildNetwork() && checkNames() && openOutputs() && convert(totals) && finishOutputs();
    if (ownsInput_)
        std::fclose(input_);
    if (!done)
        return kExitFailed;

    std::string wrote = outputName_ == kStandardStream ? "standard output" : outputName_;
    if (!controlShiftName_.empty())
        wrote += (o_.tinshiftFile.empty() ? " and " : ", ") + controlShiftName_;
    if (!o_.tinshiftFile.empty())
        wrote += " and " + o_.tinshiftFile;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", double(stopwatch_.elapsed()) / 1000.0);
    messages_.summary(summaryText(totals, o_.outside) + "; wrote " + wrote + " (" + seconds + " s)");
    return kExitDone;
}

bool BatchRun::openInput()
{
    if (o_.input == kStandardStream) {
        input_ = in_;
        return true;
    }
    InputProblem problem;
    input_ = openInputFile(o_.input, problem);
    if (!input_) {
        messages_.error(inputProblemText(o_.input, problem, errno));
        return false;
    }
    ownsInput_ = true;
    return true;
}

bool BatchRun::buildNetwork()
{
    const StatusSink status = [this](const QString &text, int) { messages_.status(local(text)); };
    network_ = buildControlNetwork(o_.settings, files_, status, {}, kNetworkFileByteLimit);
    const std::string problem = networkProblem(network_, files_);
    if (!problem.empty()) {
        messages_.error(problem);
        return false;
    }
    control_ = std::make_shared<const std::vector<PointRecord>>(std::move(network_.control));
    triangles_ = std::make_shared<const std::vector<Triangle>>(std::move(network_.triangles));
    interpolator_ = std::make_unique<NetworkInterpolator>(control_, triangles_);
    return true;
}

std::vector<std::string> BatchRun::inputNames() const
{
    std::vector<std::string> names = {bytesFromName(files_.source), bytesFromName(files_.target),
                                      bytesFromName(files_.tin)};
    if (o_.input != kStandardStream)
        names.push_back(o_.input);
    return names;
}

bool BatchRun::checkNames()
{
    std::vector<std::string> outputs;
    if (outputName_ != kStandardStream)
        outputs.push_back(outputName_);
    if (!controlShiftName_.empty())
        outputs.push_back(controlShiftName_);
    if (!o_.tinshiftFile.empty())
        outputs.push_back(o_.tinshiftFile);
    if (!o_.validation.quality.isEmpty())
        outputs.push_back(bytesFromName(o_.validation.quality));
    ProtectedFiles kept;
    for (const std::string &input : inputNames())
        kept.add(nameFromBytes(input), FileRole::Read);
    for (size_t k = 0; k < outputs.size(); ++k) {
        const QString refusal = kept.refusal(nameFromBytes(outputs[k]));
        if (!refusal.isEmpty()) {
            messages_.error(asMessage(refusal));
            return false;
        }
        for (size_t j = 0; j < k; ++j) {
            if (sameNewFile(nameFromBytes(outputs[k]), nameFromBytes(outputs[j]))) {
                messages_.error("two outputs are the same file: " + outputs[j] + " and " + outputs[k]);
                return false;
            }
        }
        kept.add(nameFromBytes(outputs[k]), FileRole::Written);
    }
    return true;
}

bool BatchRun::openOutputs()
{
    if (outputName_ == kStandardStream) {
        pointsStream_ = out_;
    } else {
        points_.name = outputName_;
        if (!openOutput(points_, messages_))
            return false;
        pointsStream_ = points_.file->stream();
    }
    if (!writeBytes(pointsStream_, kOutputHeader, std::strlen(kOutputHeader))) {
        messages_.error("cannot write " + outputName_ + ": " + describe(errno));
        return false;
    }

    if (!controlShiftName_.empty()) {
        controlShift_.name = controlShiftName_;
        if (!openOutput(controlShift_, messages_))
            return false;
        std::string text = kOutputHeader;
        appendShiftLines(text, control_->data(), control_->size(), o_.settings.direction);
        if (!writeBytes(controlShift_.file->stream(), text.data(), text.size())) {
            messages_.error("cannot write " + controlShiftName_ + ": " + describe(errno));
            return false;
        }
    }

    if (!o_.tinshiftFile.empty()) {
        TinshiftMetadata metadata;
        if (!exportMetadata(metadata))
            return false;
        QByteArray json;
        QString error;
        if (!tinshiftText(nameFromBytes(o_.tinshiftFile), *control_, *triangles_, o_.settings.direction, metadata, json,
                          error)) {
            messages_.error(local(error));
            return false;
        }
        tinshift_.name = o_.tinshiftFile;
        if (!openOutput(tinshift_, messages_))
            return false;
        if (!writeBytes(tinshift_.file->stream(), json.constData(), size_t(json.size()))) {
            messages_.error("cannot write " + o_.tinshiftFile + ": " + describe(errno));
            return false;
        }
    }
    return true;
}

// The export's descriptive fields: this program's version, today's UTC date,
// the licence, and the network files the run read, with their digests.
bool BatchRun::exportMetadata(TinshiftMetadata &metadata)
{
    const auto source = [this](const QString &path, SourceFile &file) {
        file.name = QFileInfo(path).fileName();
        file.sha256 = sha256HexOfFile(path);
        if (file.sha256.isEmpty())
            messages_.error("cannot export the network to " + o_.tinshiftFile + ": " + bytesFromName(path) +
                            " cannot be read");
        return !file.sha256.isEmpty();
    };
    metadata.version = QStringLiteral(VELTRANE_VERSION);
    metadata.publicationDate = QDateTime::currentDateTimeUtc().date();
    metadata.license = QString::fromLocal8Bit(o_.exportLicense.c_str());
    metadata.fallback = o_.outside == OutsidePoints::Nearest ? TinshiftFallback::NearestSide : TinshiftFallback::None;
    metadata.controlFiles.resize(2);
    if (!source(files_.source, metadata.controlFiles[0]) || !source(files_.target, metadata.controlFiles[1]))
        return false;
    if (o_.settings.tinSource == TinSource::Generate)
        return true;
    metadata.tinFile.emplace();
    return source(files_.tin, *metadata.tinFile);
}

bool BatchRun::convert(StreamTotals &totals)
{
    StreamByteSource source(input_);
    std::optional<ProgressLine> progress;
    const uint64_t size = source.knownSize();
    if (o_.progress && o_.verbosity != Verbosity::Quiet && ::isatty(fileno(err_)) &&
        (size == kUnknownSize || size > kProgressMinimumBytes)) {
        progress.emplace(err_, size == kUnknownSize ? 0 : size);
        messages_.setProgress(&*progress);
    }

    std::vector<std::string> outsideIds;
    StreamHandlers handlers;
    if (!o_.validation.quality.isEmpty()) {
        handlers.convertedPoints = [this](const PointRecord *points, const PointStatus *status,
                                          const int32_t *triangleOf, size_t count) {
            convertedPoints_.insert(convertedPoints_.end(), points, points + count);
            convertedStatus_.insert(convertedStatus_.end(), status, status + count);
            convertedTriangles_.insert(convertedTriangles_.end(), triangleOf, triangleOf + count);
        };
    }
    int writeErrno = 0;
    handlers.write = [this, &writeErrno](const std::string &lines) {
        if (writeBytes(pointsStream_, lines.data(), lines.size()))
            return true;
        writeErrno = errno;
        return false;
    };
    if (messages_.verbose() || o_.outside == OutsidePoints::Fail) {
        handlers.outsidePoint = [this, &outsideIds](const QString &id) {
            if (messages_.verbose())
                messages_.status("outside the network: " + std::string(id.toLatin1().constData()));
            if (outsideIds.size() < kOutsideIdsNamed)
                outsideIds.push_back(id.toLatin1().toStdString());
        };
    }
    if (progress)
        handlers.progress = [&progress](uint64_t points, uint64_t bytes) { progress->update(points, bytes); };

    StreamSettings settings;
    settings.direction = o_.settings.direction;
    settings.sign = longitudeSignOf(o_.settings);
    settings.outside = o_.outside;
    totals = convertPointStream(source, *interpolator_, settings, handlers);
    const int readErrno = errno;
    if (progress)
        progress->clear();
    messages_.setProgress(nullptr);

    if (totals.readFailed) {
        messages_.error("error reading " + (o_.input == kStandardStream ? std::string("standard input") : o_.input) +
                        ": " + describe(readErrno));
        return false;
    }
    if (totals.writeFailed) {
        messages_.error("cannot write " + outputName_ + ": " + describe(writeErrno));
        return false;
    }
    if (totals.points == 0)
        messages_.status("No points could be read from " + o_.input + ".");
    if (totals.outside > 0) {
        messages_.status(std::to_string(totals.outside) + " of " + std::to_string(totals.points) +
                         " points lie outside the control network.");
    }
    if (o_.outside == OutsidePoints::Fail && totals.outside > 0) {
        std::string ids;
        for (const std::string &id : outsideIds)
            ids += (ids.empty() ? "" : ", ") + id;
        if (totals.outside > outsideIds.size())
            ids += ", ...";
        messages_.error(std::to_string(totals.outside) + " of " + std::to_string(totals.points) +
                        " points lie outside the control network: " + ids);
        return false;
    }
    messages_.status("Completed in " + std::to_string(stopwatch_.elapsed()) + " ms.");
    return writeQuality();
}

// The uncertainty of every converted point, from the points held for it.
bool BatchRun::writeQuality()
{
    if (o_.validation.quality.isEmpty())
        return true;
    QString error;
    if (!writeQualityFile(o_.validation.quality, *control_, *triangles_, convertedPoints_, convertedStatus_,
                          convertedTriangles_, error)) {
        messages_.error(asMessage(error));
        return false;
    }
    return true;
}

bool BatchRun::finishOutputs()
{
    if (pointsStream_ == out_ && std::fflush(out_) != 0) {
        messages_.error("cannot write standard output: " + describe(errno));
        return false;
    }
    PendingOutput *pending[] = {&points_, &controlShift_, &tinshift_};
    for (PendingOutput *output : pending) {
        errno = 0;
        if (output->file && !output->file->close()) {
            messages_.error("cannot finish writing " + output->name + ": " + describe(errno));
            return false;
        }
    }
    for (PendingOutput *output : pending) {
        errno = 0;
        if (output->file && !output->file->replace()) {
            messages_.error("cannot put " + output->name + " in place: " + describe(errno));
            return false;
        }
    }
    return true;
}

}  // namespace

int runBatch(const CommandLine &options, std::FILE *in, std::FILE *out, std::FILE *err)
{
    BatchRun run(options, in, out, err);
    return run.run();
}

std::string networkProblem(const ControlNetwork &network, const NetworkFiles &files)
{
    const std::pair<const QString &, const InputReport &> reads[] = {
        {files.source, network.sourceRead}, {files.target, network.targetRead}, {files.tin, network.tinRead}};
    for (const auto &[name, read] : reads) {
        if (read.problem != InputProblem::None)
            return inputProblemText(bytesFromName(name), read.problem, read.error);
    }
    if (network.control.empty())
        return "no control point of " + bytesFromName(files.source) + " could be paired with one of " +
               bytesFromName(files.target);
    if (network.triangles.empty())
        return "the control network has no triangles, so no point can be converted";
    return std::string();
}

NetworkFiles networkFilesOf(const CommandLine &options)
{
    NetworkFiles files = defaultNetworkFiles(nameFromBytes(options.workDir), options.settings.direction);
    if (!options.sourceControls.empty())
        files.source = nameFromBytes(options.sourceControls);
    if (!options.targetControls.empty())
        files.target = nameFromBytes(options.targetControls);
    if (!options.tinFile.empty())
        files.tin = nameFromBytes(options.tinFile);
    return files;
}

}  // namespace veltrane

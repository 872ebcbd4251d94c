#include "command/batchrun.h"

#include "engine/run/conversionrun.h"
#include "engine/version.h"
#include "command/filenamebytes.h"
#include "command/progress.h"
#include "report/recordpdf.h"
#include "report/validationplot.h"

#include <QDateTime>
#include <cstdio>
#include <optional>
#include <string>

#include <unistd.h>

namespace veltrane {

namespace {

// `text` with its control characters written as \xHH, so that a name or an
// identifier cannot move the cursor, retitle or clear the user's terminal.
std::string withControlsEscaped(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            out.push_back(c);
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02x", byte);
        out += escape;
    }
    return out;
}

// Every message on standard error, each line starting with the program's
// name and, when it begins with a word, in lower case; a progress line, when
// there is one, is cleared first.
class CommandReporter : public RunReporter {
public:
    CommandReporter(std::FILE *err, const CommandLine &options) : err_(err), options_(options) {}

    void status(const QString &text, int) override
    {
        if (options_.verbosity == Verbosity::Verbose)
            print(text);
    }
    void error(const QString &text, bool leadingName) override
    {
        QString message = text;
        if (!leadingName && !message.isEmpty())
            message[0] = message[0].toLower();
        print(message);
    }
    void warning(const QString &text) override
    {
        if (options_.verbosity != Verbosity::Quiet)
            print(text);
    }
    void summary(const QString &text) override
    {
        if (options_.verbosity != Verbosity::Quiet)
            print(text);
    }
    void progress(uint64_t points, uint64_t bytes, uint64_t totalBytes) override
    {
        if (!progress_ && !progressChecked_) {
            progressChecked_ = true;
            if (options_.progress && options_.verbosity != Verbosity::Quiet && ::isatty(fileno(err_)) &&
                (totalBytes == kUnknownSize || totalBytes > kProgressMinimumBytes))
                progress_.emplace(err_, totalBytes == kUnknownSize ? 0 : totalBytes);
        }
        if (progress_)
            progress_->update(points, bytes);
    }
    void outsidePoint(const QString &id) override
    {
        // The identifier's bytes as the output file has them.
        printBytes("outside the network: " + id.toLatin1().toStdString());
    }
    bool wantsOutsidePoints() const override { return options_.verbosity == Verbosity::Verbose; }
    void rejectedLine(const QString &text) override { print(text); }
    void hint(RunHint hint) override
    {
        if (options_.verbosity == Verbosity::Quiet)
            return;
        if (hint == RunHint::ForceNegative)
            print(QStringLiteral("most points lie outside the network, and their longitudes have the other sign than "
                                 "the network's: try --force-negative"));
        else
            print(QStringLiteral("most points lie outside the network, and with longitude and latitude swapped they "
                                 "would lie inside: try --columns y,x,h,id (or --header)"));
    }
    bool wantsRejectedLines() const override { return options_.verbosity == Verbosity::Verbose; }

    ~CommandReporter() override
    {
        if (progress_)
            progress_->clear();
    }

private:
    void print(const QString &text) { printBytes(bytesFromName(text)); }
    void printBytes(const std::string &text)
    {
        if (progress_)
            progress_->clear();
        std::fprintf(err_, "%s%s\n", kMessagePrefix, withControlsEscaped(text).c_str());
        std::fflush(err_);
    }

    std::FILE *err_;
    const CommandLine &options_;
    std::optional<ProgressLine> progress_;
    bool progressChecked_ = false;
};

// The pictures the command draws: the network check's map and the record.
void attachRenderers(RunOptions &options, QSize plotSize)
{
    const QSize size = plotSize.isEmpty() ? QSize(kDefaultPlotWidth, kDefaultPlotHeight) : plotSize;
    options.renderPicture = [size, network = options.network, settings = options.settings](
                                const QString &path, const std::vector<PointRecord> &control,
                                const std::vector<Triangle> &triangles, const NetworkValidation &validation,
                                QByteArray &image, QString &error) {
        const NetworkProvenance provenance =
            networkProvenance(network, settings, QString::fromLatin1(kVersion), QDateTime::currentDateTimeUtc());
        return encodeValidationPlot(path, {control, triangles, validation, provenance}, size, image, error);
    };
    options.renderRecord = [](const QString &path, const ConversionRecord &record,
                              const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles,
                              const NetworkValidation &validation, QByteArray &pdf, QString &error) {
        return encodeConversionRecord(path, {record, control, triangles, validation}, pdf, error);
    };
}

}  // namespace

int runCommand(const CommandLine &options, std::FILE *in, std::FILE *out, std::FILE *err)
{
    CommandReporter reporter(err, options);
    RunOptions run = options.run;
    if (run.input == kStandardStream)
        run.inputStream = in;
    if (run.output == kStandardStream)
        run.outputStream = out;
    attachRenderers(run, options.plotSize);
    const RunResult result = executeRun(run, reporter);
    return result.outcome == RunOutcome::Completed ? kExitDone : kExitFailed;
}

}  // namespace veltrane

#include "engine/formats/validationreport.h"

#include "engine/formats/fixedformat.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/replacingfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace veltrane {

namespace {

// Digits after the point (degrees as the output files have them):
// residuals and sigmas to the micrometre, distances to the millimetre.
constexpr int kResidualDecimals = 6;
constexpr int kDistanceDecimals = 3;

void appendNumber(std::string &out, double value, int decimals)
{
    char text[kMaxFixedLength];
    out.append(text, size_t(formatFixed(text, value, decimals) - text));
}

void appendResidualLine(std::string &out, const PointRecord &point, const ControlResidual &residual)
{
    appendOutputId(out, point.id);
    out.push_back(',');
    appendNumber(out, point.x, kCoordinateDecimals);
    out.push_back(',');
    appendNumber(out, point.y, kCoordinateDecimals);
    for (const double value : {residual.east, residual.north, residual.up, residual.horizontal}) {
        out.push_back(',');
        if (residual.state == ResidualState::Validated)
            appendNumber(out, value, kResidualDecimals);
    }
    out.push_back('\n');
}

const char *statusName(PointStatus status)
{
    switch (status) {
    case PointStatus::Converted:
        return "converted";
    case PointStatus::Nearest:
        return "nearest";
    case PointStatus::Outside:
        break;
    }
    return "outside";
}

void appendQualityLine(std::string &out, const PointRecord &point, const PointQuality &quality)
{
    appendOutputId(out, point.id);
    out.push_back(',');
    out.append(statusName(quality.status));
    out.push_back(',');
    if (quality.hasSigma)
        appendNumber(out, quality.sigmaHorizontal, kResidualDecimals);
    out.push_back(',');
    if (quality.hasSigma)
        appendNumber(out, quality.sigmaVertical, kResidualDecimals);
    out.push_back(',');
    if (quality.hasNearestControl)
        appendNumber(out, quality.nearestControl, kDistanceDecimals);
    out.push_back('\n');
}

bool writeText(std::FILE *file, const std::string &text)
{
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace

bool writeValidationReport(const QString &path, const PointRecord *control, const ControlResidual *residuals,
                           size_t count, QString &error)
{
    std::string text = kValidationReportHeader;
    for (size_t i = 0; i < count; ++i)
        appendResidualLine(text, control[i], residuals[i]);
    return writeOutputFile(path, text.data(), text.size(), error);
}

struct QualityFileWriter::Impl {
    explicit Impl(const QString &path) : path(path), output(path) {}
    QString path;
    ReplacingFile output;
    bool opened = false;
    bool failed = false;
    int writeErrno = 0;
    std::string text;  // scratch for one batch
};

QualityFileWriter::QualityFileWriter(const QString &path) : impl_(std::make_unique<Impl>(path)) {}

QualityFileWriter::~QualityFileWriter() = default;

bool QualityFileWriter::open(QString &error)
{
    errno = 0;
    if (!impl_->output.open()) {
        impl_->failed = true;
        error = QStringLiteral("Unable to write %1: %2").arg(impl_->path, impl_->output.errorString());
        return false;
    }
    impl_->opened = true;
    impl_->text = kQualityFileHeader;
    return append(nullptr, nullptr, 0, error);
}

bool QualityFileWriter::append(const PointRecord *points, const PointQuality *quality, size_t count, QString &error)
{
    if (!impl_->opened || impl_->failed)
        return false;
    for (size_t i = 0; i < count; ++i)
        appendQualityLine(impl_->text, points[i], quality[i]);
    errno = 0;
    if (!writeText(impl_->output.stream(), impl_->text)) {
        impl_->failed = true;
        impl_->writeErrno = errno;
        error = QStringLiteral("Unable to finish writing %1: %2")
                    .arg(impl_->path, QString::fromLocal8Bit(std::strerror(impl_->writeErrno)));
        return false;
    }
    impl_->text.clear();
    return true;
}

bool QualityFileWriter::finish(QString &error)
{
    if (!impl_->opened)
        return false;
    impl_->opened = false;
    return completeOutputFile(impl_->output, impl_->path, !impl_->failed, impl_->writeErrno, error);
}

}  // namespace veltrane

// The library's API over the engine: the same network, conversion and
// output lines as veltrane-convert, behind plain C++ types.

#include "veltrane/veltrane.h"

#include "engine/base/parallel.h"
#include "engine/run/conversion.h"
#include "engine/formats/outputwriter.h"
#include "engine/formats/pointstream.h"
#include "engine/formats/tinshiftexport.h"
#include "engine/formats/validationreport.h"
#include "engine/network/networkfacts.h"
#include "engine/network/networkvalidation.h"
#include "engine/network/pointquality.h"
#include "engine/network/pointshift.h"
#include "engine/version.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

namespace veltrane {

namespace {

// Points converted or formatted at a time: bounds the working copy of a
// call on millions of points to a few megabytes.
constexpr size_t kChunkPoints = size_t(1) << 16;

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Throws the message as veltrane-convert words it after its name: a
// sentence's first letter in lower case, a leading file name as it is.
[[noreturn]] void fail(const QString &text, bool leadingName = false)
{
    QString message = text;
    if (!leadingName && !message.isEmpty())
        message[0] = message[0].toLower();
    throw Error(message.toLocal8Bit().toStdString());
}

QString fileName(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string bytesOf(const QString &latin1Text)
{
    return latin1Text.toLatin1().toStdString();
}

}  // namespace

const char *libraryVersion()
{
    return kVersion;
}

Shifts::Shifts(size_t count)
    : lon(count), lat(count), h(count), s(count), azimuth(count), deltaH(count), state(count, PointState::Outside)
{
}

ShiftArrays Shifts::arrays()
{
    ShiftArrays out;
    out.lon = lon.data();
    out.lat = lat.data();
    out.h = h.data();
    out.s = s.data();
    out.azimuth = azimuth.data();
    out.deltaH = deltaH.data();
    out.state = state.data();
    return out;
}

ShiftView Shifts::view() const
{
    return ShiftView{lon.data(), lat.data(), h.data(), s.data(), azimuth.data(), deltaH.data()};
}

PointList readPoints(const char *text, size_t size)
{
    MemoryByteSource source(text, size);
    PieceReader reader(source);
    PointList list;
    PieceBlock block;
    while (reader.next(block)) {
        BlockReading reading;
        const std::vector<PointRecord> points = parseInputPieces(block, LongitudeSign::AsRead, reading);
        list.rejected += size_t(reading.rejects.count);
        for (const PointRecord &p : points) {
            list.ids.push_back(bytesOf(p.id));
            list.lon.push_back(p.x);
            list.lat.push_back(p.y);
            list.h.push_back(p.h);
        }
    }
    return list;
}

struct Network::State {
    ConversionSettings settings;
    NetworkFiles files;
    std::shared_ptr<const std::vector<PointRecord>> control;
    std::shared_ptr<const std::vector<Triangle>> triangles;
    std::unique_ptr<NetworkInterpolator> interpolator;

    // The network check and the uncertainty it gives, made on first use.
    mutable std::once_flag checked;
    mutable NetworkValidation validation;
    mutable std::unique_ptr<PointQualityEstimator> quality;

    double longitude(double x) const { return settings.forceNegative ? -std::fabs(x) : x; }

    const PointQualityEstimator &estimator() const
    {
        std::call_once(checked, [this] {
            validation = validateNetwork(*control, *triangles);
            quality = std::make_unique<PointQualityEstimator>(*control, *triangles, validation);
        });
        return *quality;
    }
};

Network::Network(const NetworkSetup &setup) : state_(std::make_unique<State>())
{
    State &state = *state_;
    state.settings.direction = setup.direction == Direction::Cors96ToCors96a ? DatumDirection::Cors96ToCors96a
                                                                             : DatumDirection::Cors96aToCors96;
    state.settings.tinSource = setup.tinFile.empty() ? TinSource::Generate : TinSource::FromFile;
    state.settings.forceNegative = setup.forceNegative;
    state.files = {fileName(setup.sourceControls), fileName(setup.targetControls), fileName(setup.tinFile)};

    const StatusSink quiet = [](const QString &, int) {};
    ControlNetwork network = buildControlNetwork(state.settings, state.files, quiet, {}, kNetworkFileByteLimit);
    bool leadingName = false;
    const QString problem = networkProblem(state.files, network, leadingName);
    if (!problem.isEmpty())
        fail(problem, leadingName);
    state.control = std::make_shared<const std::vector<PointRecord>>(std::move(network.control));
    state.triangles = std::make_shared<const std::vector<Triangle>>(std::move(network.triangles));
    state.interpolator = std::make_unique<NetworkInterpolator>(state.control, state.triangles);
}

Network::~Network() = default;
Network::Network(Network &&) noexcept = default;
Network &Network::operator=(Network &&) noexcept = default;

Direction Network::direction() const
{
    return state_->settings.direction == DatumDirection::Cors96ToCors96a ? Direction::Cors96ToCors96a
                                                                         : Direction::Cors96aToCors96;
}

size_t Network::controlCount() const
{
    return state_->control->size();
}

size_t Network::triangleCount() const
{
    return state_->triangles->size();
}

size_t Network::convert(const double *lon, const double *lat, const double *h, size_t count, const ShiftArrays &out,
                        OutsideRule outside) const
{
    const State &state = *state_;
    const bool wantQuality = out.sigmaHorizontal || out.sigmaVertical || out.nearestControl;
    const PointQualityEstimator *estimator = wantQuality ? &state.estimator() : nullptr;
    std::vector<PointRecord> points;
    std::vector<PointStatus> status;
    std::vector<int32_t> triangleOf;
    size_t outsideCount = 0;
    for (size_t first = 0; first < count; first += kChunkPoints) {
        const size_t n = std::min(kChunkPoints, count - first);
        points.assign(n, PointRecord());
        status.assign(n, PointStatus::Outside);
        triangleOf.assign(wantQuality ? n : 0, -1);
        for (size_t i = 0; i < n; ++i) {
            points[i].x = state.longitude(lon[first + i]);
            points[i].y = lat[first + i];
            points[i].h = h[first + i];
        }
        outsideCount +=
            state.interpolator->convert(points.data(), n, status.data(), wantQuality ? triangleOf.data() : nullptr,
                                        outside == OutsideRule::Nearest);
        for (size_t i = 0; i < n; ++i) {
            const PointRecord &p = points[i];
            const size_t k = first + i;
            if (out.lon)
                out.lon[k] = p.xTo;
            if (out.lat)
                out.lat[k] = p.yTo;
            if (out.h)
                out.h[k] = p.hTo;
            if (out.s)
                out.s[k] = p.s;
            if (out.azimuth)
                out.azimuth[k] = p.azimuth;
            if (out.deltaH)
                out.deltaH[k] = p.dh;
            if (out.state)
                out.state[k] = PointState(status[i]);
            if (!estimator)
                continue;
            const PointQuality quality = estimator->evaluate(p.x, p.y, status[i], triangleOf[i]);
            if (out.sigmaHorizontal)
                out.sigmaHorizontal[k] = quality.hasSigma ? quality.sigmaHorizontal : kNoValue;
            if (out.sigmaVertical)
                out.sigmaVertical[k] = quality.hasSigma ? quality.sigmaVertical : kNoValue;
            if (out.nearestControl)
                out.nearestControl[k] = quality.hasNearestControl ? quality.nearestControl : kNoValue;
        }
    }
    return outsideCount;
}

std::string Network::header()
{
    return kOutputHeader;
}

std::string Network::format(const std::vector<std::string> &ids, const double *lon, const double *lat, const double *h,
                            const ShiftView &shifts, size_t count, const Decimals &decimals) const
{
    if (ids.size() < count)
        throw Error("format: " + std::to_string(ids.size()) + " identifiers for " + std::to_string(count) + " points");
    const OutputDecimals places{decimals.degrees, decimals.metres, decimals.deltaH};
    for (const int d : {places.degrees, places.heights, places.deltaH}) {
        if (d < kMinOutputDecimals || d > kMaxOutputDecimals)
            throw Error("format: decimals take a whole number from " + std::to_string(kMinOutputDecimals) + " to " +
                        std::to_string(kMaxOutputDecimals));
    }
    const State &state = *state_;
    // Chunks are formatted on every core, then joined in order.
    const size_t chunks = (count + kChunkPoints - 1) / kChunkPoints;
    std::vector<std::string> pieces(chunks);
    forEachRange(chunks, 1, [&](size_t firstChunk, size_t endChunk) {
        std::vector<PointRecord> points;
        for (size_t chunk = firstChunk; chunk < endChunk; ++chunk) {
            const size_t first = chunk * kChunkPoints;
            const size_t n = std::min(kChunkPoints, count - first);
            points.assign(n, PointRecord());
            for (size_t i = 0; i < n; ++i) {
                const size_t k = first + i;
                PointRecord &p = points[i];
                p.x = state.longitude(lon[k]);
                p.y = lat[k];
                p.h = h[k];
                p.xTo = shifts.lon[k];
                p.yTo = shifts.lat[k];
                p.hTo = shifts.h[k];
                p.s = shifts.s[k];
                p.azimuth = shifts.azimuth[k];
                p.dh = shifts.deltaH[k];
                p.id = QString::fromLatin1(ids[k].data(), int(ids[k].size()));
            }
            appendShiftLines(pieces[chunk], points.data(), n, state.settings.direction, places);
        }
    });
    size_t length = 0;
    for (const std::string &piece : pieces)
        length += piece.size();
    std::string text;
    text.reserve(length);
    for (std::string &piece : pieces) {
        text += piece;
        std::string().swap(piece);
    }
    return text;
}

std::string Network::controlShifts(const Decimals &decimals) const
{
    std::string text = kOutputHeader;
    appendShiftLines(text, state_->control->data(), state_->control->size(), state_->settings.direction,
                     OutputDecimals{decimals.degrees, decimals.metres, decimals.deltaH});
    return text;
}

Validation Network::validate() const
{
    const State &state = *state_;
    state.estimator();  // the check, once
    const std::vector<PointRecord> &control = *state.control;
    const NetworkValidation &check = state.validation;
    Validation result;
    result.residuals.reserve(control.size());
    for (size_t i = 0; i < control.size(); ++i) {
        const ControlResidual &r = check.residuals[i];
        result.residuals.push_back(Residual{bytesOf(control[i].id), control[i].x, control[i].y, ResidualKind(r.state),
                                            r.east, r.north, r.up, r.horizontal});
    }
    result.summary = validationSummaryLine(check.summary, control).toStdString();
    result.report = validationReportText(control.data(), check.residuals.data(), control.size());
    return result;
}

std::string Network::exportTinshift(const std::string &license, bool nearestFallback) const
{
    const State &state = *state_;
    const QString destination = QStringLiteral("tinshift JSON");
    TinshiftMetadata metadata;
    metadata.version = QString::fromLatin1(kVersion);
    metadata.license = QString::fromStdString(license);
    metadata.fallback = nearestFallback ? TinshiftFallback::NearestSide : TinshiftFallback::None;
    QString error;
    if (!describeNetworkFiles(state.settings, state.files, destination, metadata, error))
        fail(error);
    QByteArray json;
    if (!tinshiftText(destination, *state.control, *state.triangles, state.settings.direction, metadata, json, error))
        fail(error);
    return json.toStdString();
}

}  // namespace veltrane

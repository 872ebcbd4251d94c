#pragma once
// The stages of one run, shared by the files that hold them: run.cpp (the
// order of the stages), runinputs.cpp (the input, the coordinate systems and
// the network), runsinks.cpp (the outputs opened and their headers),
// runstream.cpp (the points streamed through the network), runrecord.cpp
// (the record) and runcheck.cpp (the network check). Private to the run.

#include "engine/run/conversionrun.h"
#include "engine/run/keptpoints.h"
#include "engine/run/runoutputs.h"
#include "engine/run/streamconversion.h"
#include "engine/formats/tinshiftexport.h"
#include "engine/geodesy/gridconversion.h"
#include "engine/network/pointquality.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

class GisPointReader;
class GisPointWriter;

inline QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

inline std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

inline QString decimal(uint64_t value)
{
    return QString::number(qulonglong(value));
}

class Run {
public:
    Run(const RunOptions &options, RunReporter &reporter) : options_(options), reporter_(reporter) {}

    RunResult convert();
    RunResult checkNetwork();

private:
    bool openInput();
    bool checkNetworkFiles();
    bool prepareCoordinateSystems();
    bool buildNetwork();
    void openPointSource();
    std::vector<std::string> passNames() const;
    bool addOutput(const QString &path, RunOutputs::Handle &handle);
    bool openOutputs();
    bool exportMetadata(TinshiftMetadata &metadata);
    bool stream(StreamTotals &totals);
    bool isGisOutput() const;
    bool openGisOutput();
    void checkNetworkForView();
    QString textLayerName() const;
    bool reportOutside(const StreamTotals &totals);
    // A point outside the network: to the reporter when it asks, and kept
    // among the first kOutsideIdsKept.
    void noteOutside(const QString &id)
    {
        if (reporter_.wantsOutsidePoints())
            reporter_.outsidePoint(id);
        if (result_.outsideIds.size() < kOutsideIdsKept)
            result_.outsideIds.append(id);
    }
    bool recordWanted() const { return options_.keepRecord || !options_.record.isEmpty(); }
    // A record kept with the points but not written now gathers its shifts'
    // statistics from them when it is asked for, which spares the run the work.
    bool shiftsFromKeptPoints() const { return options_.keepRecords && options_.record.isEmpty(); }
    // The points and extent of the input, for the result; the shifts for the record.
    void keepPoints(KeptPoints &kept);
    std::shared_ptr<ConversionRecord> makeRecord(StreamTotals &totals) const;
    bool writeRecord(const ConversionRecord &record);
    bool writeCheckOutputs(const NetworkValidation &validation, RunOutputs::Handle report, RunOutputs::Handle picture);
    bool failed(const QString &text, bool leadingName = false);
    QString inputName() const;

    const RunOptions &options_;
    RunReporter &reporter_;
    QElapsedTimer stopwatch_;
    RunResult result_;
    ControlNetwork network_;
    std::shared_ptr<const std::vector<PointRecord>> control_;
    std::shared_ptr<const std::vector<Triangle>> triangles_;
    std::unique_ptr<GridConversion> grid_;  // points in other coordinates than degrees
    std::FILE *input_ = nullptr;
    bool ownsInput_ = false;
    // A text input's bytes and its points, in the layout its first lines make definite.
    std::unique_ptr<StreamByteSource> bytes_;
    std::unique_ptr<TextPointSource> textSource_;
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
    QString gisDriver_;         // of gisWriter_
    std::string gisOutputWkt_;  // the written layer's coordinate system
    RunOutputs::Handle record_ = RunOutputs::kNoOutput;
    // For the uncertainty file, the record or the window's view.
    std::shared_ptr<const NetworkValidation> validation_;
    const NetworkValidation &validation();
    KeptShifts keptShifts_;  // with shiftsFromKeptPoints()
};

}  // namespace veltrane

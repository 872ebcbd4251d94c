#pragma once
// What one run gives back, whoever started it.

#include "engine/types/pointrecord.h"

#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace veltrane {

struct ConversionRecord;
struct NetworkValidation;

enum class RunOutcome {
    Completed,         // every output written and put in place
    EmptyInputPath,    // nothing read or written
    OutputNotWritten,  // the window's run finished but its outputs were not written (reported)
    Failed,            // the run stopped; nothing new is left under the output names (reported)
    Cancelled,         // stopped when asked; nothing new is left under the output names (reported)
};

struct RunResult {
    RunOutcome outcome = RunOutcome::EmptyInputPath;
    // With options.keepRecords: the network and the converted points.
    std::shared_ptr<const std::vector<PointRecord>> control;
    std::shared_ptr<const std::vector<Triangle>> triangles;
    std::shared_ptr<const std::vector<PointRecord>> points;
    Extent controlExtent;
    Extent pointsExtent;
    uint32_t nTinVerts = 0;
    uint64_t pointCount = 0;
    uint64_t outside = 0;    // points no triangle took
    uint64_t rejected = 0;   // lines of the input that gave no point
    QStringList written;     // of a completed run: the files put in place, the converted points first
    QStringList outsideIds;  // the first kOutsideIdsKept points no triangle took, in input order
    // With options.checkNetwork: the check of the network, each control point
    // left out in turn, of a run that converted.
    std::shared_ptr<const NetworkValidation> validation;
    // With options.keepRecord or options.record, of a conversion that ran to its end.
    std::shared_ptr<const ConversionRecord> record;
};

}  // namespace veltrane

#pragma once
// The record a surveyor files of one conversion: what was converted (the
// input by name, size and SHA-256), into which files, with which network
// (files by SHA-256, TIN source, direction), how many points, how large the
// shifts were, how well the network reproduces its own control points, and
// when and with which version of the program. Plain data and its text, line
// by line; the pages are drawn by the front ends' painting.

#include "engine/network/networkbuilder.h"
#include "engine/network/networkprovenance.h"
#include "engine/network/networkvalidation.h"
#include "engine/network/shiftstatistics.h"
#include "engine/run/streamconversion.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace veltrane {

// An input file as the run left it: by device and inode, size and last
// modification, so that its digest can be taken later and only of those bytes.
struct InputStamp {
    bool regularFile = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t bytes = 0;
    int64_t modifiedNs = 0;

    bool operator==(const InputStamp &other) const;
};

struct ConversionRecord {
    QString input;               // its path, or "standard input"
    bool inputMeasured = false;  // size and digest known (a file, read to its end)
    uint64_t inputBytes = 0;
    QByteArray inputSha256;     // 64 hexadecimal digits
    InputStamp inputStamp;      // the input when the run ended
    bool inputChanged = false;  // changed after the run, before it was measured
    QStringList outputs;        // the files the run wrote, the record itself left out
    // The network files with their SHA-256, the TIN source, the direction,
    // the program's version and the UTC time the record was made.
    NetworkProvenance provenance;
    uint64_t points = 0;    // read from the input
    uint64_t outside = 0;   // of them, outside the network
    uint64_t extended = 0;  // of those, extended from the nearest triangle
    uint64_t rejected = 0;  // input lines that gave no point
    OutsidePoints outsideMode = OutsidePoints::Zero;
    ShiftStatistics shifts;  // of the points that took a shift
    // When the run kept its points instead, gatherRecordShifts fills
    // `shifts` from them.
    KeptShifts keptShifts;
    QStringList outsideIds;  // the first kOutsideIdsKept
};

struct RecordLine {
    QString label;  // empty: the value goes on under the line before
    QString value;
};

struct RecordSection {
    QString title;
    std::vector<RecordLine> lines;
};

// The record's text, section by section. `check` is the network check of the
// network the record names (its worst point an index into `control`); null
// when there is none.
std::vector<RecordSection> recordSections(const ConversionRecord &record, const ValidationSummary *check,
                                          const std::vector<PointRecord> &control);

// The stamp of the file at `path`; not a regular file when it is none or
// cannot be looked up.
InputStamp stampOfFile(const QString &path);

// Takes the size and SHA-256 of the record's input when the file is still
// the one the run read; false when it is not a regular file or has changed
// since (then inputChanged says so).
bool measureInput(ConversionRecord &record);

// Gathers the statistics of shifts the run left to the kept points.
void gatherRecordShifts(ConversionRecord &record);

// "2024-03-06 22:30:05 UTC"
QString recordTime(const QDateTime &utc);

}  // namespace veltrane

#pragma once
// Points of an input read in a layout other than the fixed one
// (pointlayout.h): whole records, quoted fields included, split into
// fields and taken by the roles of their columns.

#include "engine/formats/pointlayout.h"
#include "engine/types/pointrecord.h"
#include "engine/formats/pointstream.h"

#include <vector>

namespace veltrane {

// Cuts an input into records: lines, except that a line end inside a
// quoted field (one whose quote comes first in its field, after the
// `delimiter` and any blanks) belongs to the record. Pieces of the blocks
// are whole records with their line ends, of any length.
class RecordReader {
public:
    RecordReader(ByteSource &source, char delimiter, size_t blockSize = PieceReader::kDefaultBlockSize);
    bool next(PieceBlock &block);
    uint64_t bytesRead() const { return bytesRead_; }
    bool isSmall() const { return source_.knownSize() < blockSize_; }

private:
    ByteSource &source_;
    char delimiter_;
    size_t blockSize_;
    std::string carry_;
    uint64_t bytesRead_ = 0;
    bool atEnd_ = false;
};

// The points of a block of records; the line `skipLine` (the header, lines
// counted from the block's first) is left out. Rejected records go to
// `reading.rejects` with their reasons.
std::vector<PointRecord> parseRecords(const PieceBlock &block, const ResolvedLayout &layout, LongitudeSign sign,
                                      uint64_t skipLine, BlockReading &reading);

// Bytes given back before the rest of a source: what was read to look at
// the input's first lines.
class ReplayByteSource : public ByteSource {
public:
    ReplayByteSource(std::string prefix, ByteSource &rest) : prefix_(std::move(prefix)), rest_(rest) {}
    size_t read(char *buffer, size_t size) override;
    bool failed() const override { return rest_.failed(); }
    int error() const override { return rest_.error(); }
    uint64_t knownSize() const override { return rest_.knownSize(); }

private:
    std::string prefix_;
    size_t position_ = 0;
    ByteSource &rest_;
};

// Reads the start of `source` (at most `limit` bytes; for the fixed layout
// only what may be a UTF-8 byte-order mark) into `prefix`, less such a mark, and
// makes `layout` definite from its first line that is neither a comment nor
// blank. False with `error` when a header was asked for and names no
// longitude, latitude or identifier column.
bool resolveLayoutOfSource(ByteSource &source, const PointLayout &layout, size_t limit, std::string &prefix,
                           ResolvedLayout &resolved, QString &error);

}  // namespace veltrane

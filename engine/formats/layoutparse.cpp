#include "engine/formats/layoutparse.h"

#include "engine/formats/angletext.h"
#include "engine/formats/linepieces.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace veltrane {

namespace {

// Records reserved before a block is parsed.
constexpr size_t kPointsReservedPerBlock = 4096;
// Most characters of a number read in a column.
constexpr size_t kMaxNumberLength = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Length of the record at `text` when it contains quotes; 0 when it may go
// on beyond the `available` characters (`more`). A quote opens a quoted
// field only where the field splitter takes it so: first in its field, after
// the delimiter and any blanks. Elsewhere it is a character of the field,
// and a line end after it still ends the record.
size_t quotedRecordLength(const char *text, size_t available, bool more, char delimiter)
{
    const bool blanks = delimiter == kBlankDelimiter;
    bool fieldStart = true, quoted = false;
    for (size_t i = 0; i < available; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                continue;
            if (i + 1 == available && more)
                return 0;  // a doubled quote or the closing one: the next block tells
            if (i + 1 < available && text[i + 1] == '"')
                ++i;
            else
                quoted = false;
            continue;
        }
        if (c == '"' && fieldStart) {
            quoted = true;
            continue;
        }
        if (c == '\n' || c == '\r') {
            // A piece may be as long as what is at hand, and one more: the
            // line does not end merely because the block does.
            const size_t lineEnd = linePieceLength(text + i, available - i, available - i + 1, more);
            return lineEnd ? i + lineEnd : 0;
        }
        if (c == delimiter || (blanks && isBlank(c)))
            fieldStart = true;
        else if (!isBlank(c))
            fieldStart = false;
    }
    return more ? 0 : available;
}

// Line ends in [begin, end): line feeds, and carriage returns not followed by one.
uint64_t lineEndsIn(const char *begin, const char *end)
{
    uint64_t count = 0;
    for (const char *p = begin; p != end; ++p)
        count += *p == '\n' || (*p == '\r' && (p + 1 == end || p[1] != '\n'));
    return count;
}

// A number of a column: decimal, with a decimal comma when asked; the whole
// field must be the number.
bool readNumber(const char *begin, const char *end, bool decimalComma, double &value)
{
    if (begin != end && *begin == '+')
        ++begin;
    if (begin == end || size_t(end - begin) > kMaxNumberLength)
        return false;
    const char *text = begin;
    char copy[kMaxNumberLength];
    if (decimalComma) {
        std::transform(begin, end, copy, [](char c) { return c == ',' ? '.' : c == '.' ? ',' : c; });
        text = copy;
        end = copy + (end - begin);
    }
    const std::from_chars_result read = std::from_chars(text, end, value);
    return read.ec == std::errc() && read.ptr == end;
}

// Column positions of the roles, -1 when absent.
struct RoleColumns {
    int x = -1, y = -1, h = -1, id = -1;
};

RoleColumns roleColumns(const std::vector<ColumnRole> &columns)
{
    RoleColumns at;
    for (size_t k = 0; k < columns.size(); ++k) {
        int *slot = nullptr;
        switch (columns[k]) {
        case ColumnRole::Longitude:
            slot = &at.x;
            break;
        case ColumnRole::Latitude:
            slot = &at.y;
            break;
        case ColumnRole::Height:
            slot = &at.h;
            break;
        case ColumnRole::Id:
            slot = &at.id;
            break;
        case ColumnRole::Ignore:
            break;
        }
        if (slot && *slot < 0)
            *slot = int(k);
    }
    return at;
}

}  // namespace

RecordReader::RecordReader(ByteSource &source, char delimiter, size_t blockSize)
    : source_(source), delimiter_(delimiter), blockSize_(std::max(blockSize, size_t(kPointLinePiece) + 1))
{
}

bool RecordReader::next(PieceBlock &block)
{
    block.text = std::move(carry_);
    carry_.clear();
    block.starts.clear();
    size_t pos = 0;
    bool quotes = std::memchr(block.text.data(), '"', block.text.size()) != nullptr;
    do {
        if (!atEnd_) {
            const size_t had = block.text.size();
            block.text.resize(had + blockSize_);
            const size_t got = source_.read(&block.text[had], blockSize_);
            block.text.resize(had + got);
            bytesRead_ += got;
            atEnd_ = got < blockSize_;
            quotes = quotes || std::memchr(block.text.data() + had, '"', got) != nullptr;
        }
        const char *text = block.text.data();
        const size_t size = block.text.size();
        while (pos < size) {
            const size_t available = size - pos;
            const size_t length = quotes ? quotedRecordLength(text + pos, available, !atEnd_, delimiter_)
                                         : linePieceLength(text + pos, available, available + 1, !atEnd_);
            if (length == 0)
                break;  // the rest comes with the next block
            block.starts.push_back(pos);
            pos += length;
        }
    } while (block.starts.empty() && !atEnd_);  // a record longer than a block
    block.starts.push_back(pos);
    carry_.assign(block.text.data() + pos, block.text.size() - pos);
    block.text.resize(pos);
    return block.pieceCount() > 0;
}

std::vector<PointRecord> parseRecords(const PieceBlock &block, const ResolvedLayout &layout, LongitudeSign sign,
                                      uint64_t skipLine, BlockReading &reading)
{
    std::vector<PointRecord> points;
    points.reserve(std::min(block.pieceCount(), kPointsReservedPerBlock));
    const RoleColumns at = roleColumns(layout.columns);
    const uint32_t columns[] = {uint32_t(at.x + 1), uint32_t(at.y + 1), uint32_t(at.h + 1)};
    std::string scratch;
    std::vector<std::pair<size_t, size_t>> fields;
    LineReject reject;
    for (size_t k = 0; k < block.pieceCount(); ++k) {
        const char *begin = block.pieceBegin(k);
        const char *end = block.pieceEnd(k);
        reject.line = reading.lineEnds + 1;
        reading.lineEnds += lineEndsIn(begin, end);
        if (*begin == '#')
            continue;
        ++reading.dataLines;
        while (end != begin && (end[-1] == '\n' || end[-1] == '\r'))
            --end;
        if (reject.line == skipLine || std::all_of(begin, end, [](char c) { return c == ' ' || c == '\t'; }))
            continue;
        if (!splitFields(begin, end, layout.delimiter, scratch, fields)) {
            reject.reason = RejectReason::UnclosedQuote;
            reading.rejects.add(reject);
            continue;
        }
        const auto field = [&](int column, const char *&from, const char *&to) {
            if (column >= int(fields.size()))
                return false;
            from = scratch.data() + fields[size_t(column)].first;
            to = scratch.data() + fields[size_t(column)].second;
            return true;
        };
        const auto number = [&](int column, AngleAxis axis, bool angle, double &value) {
            const char *from, *to;
            reject.column = uint32_t(column + 1);
            if (!field(column, from, to)) {
                reject.reason = RejectReason::MissingColumn;
                return false;
            }
            if (readNumber(from, to, layout.decimalComma, value))
                return true;
            if (angle && parseAngle(from, to, axis, layout.decimalComma, value))
                return true;
            reject.reason = angle ? RejectReason::NotAnAngle : RejectReason::NotANumber;
            return false;
        };
        const bool angles = layout.angles == AngleStyle::Dms;
        PointRecord record;
        const char *idBegin = nullptr, *idEnd = nullptr;
        if (!number(at.x, AngleAxis::Longitude, angles, record.x) ||
            !number(at.y, AngleAxis::Latitude, angles, record.y) ||
            (at.h >= 0 && !number(at.h, AngleAxis::Latitude, false, record.h))) {
            reading.rejects.add(reject);
            continue;
        }
        if (!field(at.id, idBegin, idEnd) || idBegin == idEnd) {
            reject.reason = RejectReason::NoIdentifier;
            reject.column = uint32_t(at.id + 1);
            reading.rejects.add(reject);
            continue;
        }
        if (valuesRejected(record.x, record.y, record.h, columns, reading.degrees, reject)) {
            keepSwapped(record.x, record.y, reject, reading);
            reading.rejects.add(reject);
            continue;
        }
        points.push_back(pointOf(record.x, record.y, record.h, idBegin, size_t(idEnd - idBegin), sign));
        for (const uint32_t column : layout.passColumns) {
            const char *from = nullptr, *to = nullptr;
            reading.passValues.emplace_back(field(int(column), from, to) ? std::string(from, to) : std::string());
        }
    }
    return points;
}

size_t ReplayByteSource::read(char *buffer, size_t size)
{
    const size_t replayed = std::min(size, prefix_.size() - position_);
    std::memcpy(buffer, prefix_.data() + position_, replayed);
    position_ += replayed;
    return replayed + (replayed < size ? rest_.read(buffer + replayed, size - replayed) : 0);
}

bool resolveLayoutOfSource(ByteSource &source, const PointLayout &layout, size_t limit, std::string &prefix,
                           ResolvedLayout &resolved, QString &error)
{
    // A UTF-8 byte-order mark, which spreadsheets write before every "CSV
    // UTF-8" file, is no part of the first line.
    static const std::string byteOrderMark = "\xEF\xBB\xBF";
    resolved = ResolvedLayout();
    // The fixed layout needs no look at the first line: only at what may be
    // a byte-order mark.
    prefix.resize(layout.isFixed() ? byteOrderMark.size() : limit);
    size_t read = 0;
    while (read < prefix.size()) {
        const size_t got = source.read(&prefix[read], prefix.size() - read);
        if (got == 0)
            break;
        read += got;
        if (!layout.isFixed())
            break;  // a first block is enough to find the first line
    }
    prefix.resize(read);
    if (prefix.compare(0, byteOrderMark.size(), byteOrderMark) == 0)
        prefix.erase(0, byteOrderMark.size());
    if (layout.isFixed())
        return true;
    const char *text = prefix.data();
    const char *const end = text + prefix.size();
    uint64_t line = 1;
    while (text != end) {
        const char *lineEnd = text + linePieceLength(text, size_t(end - text), size_t(end - text), false);
        const char *content = lineEnd;
        while (content != text && (content[-1] == '\n' || content[-1] == '\r'))
            --content;
        const bool blank = std::all_of(text, content, [](char c) { return c == ' ' || c == '\t'; });
        if (*text != '#' && !blank)
            return resolveLayout(layout, text, content, line, resolved, error);
        text = lineEnd;
        ++line;
    }
    return resolveLayout(layout, end, end, line, resolved, error);
}

}  // namespace veltrane

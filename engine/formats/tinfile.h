#pragma once
// Reader of the control TIN file, a subset of the Wavefront OBJ text format:
// "v x y z" vertex lines and "f a b c" triangle lines with 1-based vertex
// numbers read like sscanf's %i (leading 0 octal, 0x hexadecimal).

#include "engine/types/pointrecord.h"
#include "engine/formats/pointstream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

// Longest piece of a line handled at once; longer lines are split.
constexpr int kTinLinePiece = 254;

struct TinFileContents {
    bool opened = false;                        // false: missing or unreadable (not the same as empty)
    InputProblem problem = InputProblem::None;  // why it was not read (errno set for CannotOpen, ReadError)
    std::vector<PointRecord> vertices;          // file order; x, y, h set
    std::vector<Triangle> triangles;            // zero-based, every index within vertices
    uint32_t droppedFaces = 0;                  // face lines whose numbers did not parse or were out of range
    std::vector<std::string> problems;          // one message per dropped face: line number and reason
};

// Reads the file at `path`, storing vertex longitudes as `sign` says. Folders
// and devices are refused; a file of more than `byteLimit` bytes (a pipe
// that never ends, say) is refused with TooLarge once that many are read.
TinFileContents readTinFile(const std::string &path, LongitudeSign sign, uint64_t byteLimit = kNoByteLimit);

// The contents of a TIN file's text, as readTinFile gives them.
TinFileContents parseTinText(const std::string &text, LongitudeSign sign);

}  // namespace veltrane

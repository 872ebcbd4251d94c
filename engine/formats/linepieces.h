#pragma once
// Where the readers cut a text file into line pieces. A line ends with a line
// feed, a carriage return and line feed, or a carriage return alone (files
// from older systems and some instruments); a piece holds its line end and at
// most `maxPiece` characters, so a longer line gives several pieces, as
// fgets() with a buffer of that size would.

#include <cstddef>

namespace veltrane {

// Length of the piece that starts at `text`, of which `available` characters
// are at hand. `more` tells that the file goes on beyond them: 0 is returned
// when the piece may continue there. Returns 0 when `available` is 0.
size_t linePieceLength(const char *text, size_t available, size_t maxPiece, bool more);

}  // namespace veltrane

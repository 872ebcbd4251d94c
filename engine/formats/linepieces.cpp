#include "engine/formats/linepieces.h"

#include <algorithm>
#include <cstring>

namespace veltrane {

size_t linePieceLength(const char *text, size_t available, size_t maxPiece, bool more)
{
    const size_t room = std::min(available, maxPiece);
    const void *lf = std::memchr(text, '\n', room);
    const size_t lfAt = lf ? size_t(static_cast<const char *>(lf) - text) : room;
    const void *cr = std::memchr(text, '\r', lfAt);
    if (cr) {
        const size_t crAt = size_t(static_cast<const char *>(cr) - text);
        if (crAt + 1 < available) {
            if (text[crAt + 1] != '\n')
                return crAt + 1;  // a carriage return alone ends the line
            // Carriage return and line feed: the piece ends after the line
            // feed when it has room for it, else the line feed starts the next.
            return crAt + 1 < room ? crAt + 2 : room;
        }
        // The carriage return is the last character at hand.
        if (!more || crAt + 1 == maxPiece)
            return crAt + 1;
        return 0;
    }
    if (lf)
        return lfAt + 1;
    if (room == maxPiece || !more)
        return room;
    return 0;
}

}  // namespace veltrane

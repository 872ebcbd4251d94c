// Where the readers cut line pieces: line feed, carriage return and line
// feed, and a carriage return alone all end a line; pieces never exceed their
// room; a piece at the edge of the text at hand waits for more when it may.

#include "engine/formats/linepieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace veltrane;

namespace {

std::vector<std::string> cut(const std::string &text, size_t room)
{
    std::vector<std::string> pieces;
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = linePieceLength(text.data() + pos, text.size() - pos, room, false);
        if (length == 0)
            break;
        pieces.push_back(text.substr(pos, length));
        pos += length;
    }
    return pieces;
}

TEST(LinePieces, EveryKindOfLineEndEndsALine)
{
    using P = std::vector<std::string>;
    EXPECT_EQ(cut("a\nb\n", 10), (P{"a\n", "b\n"}));
    EXPECT_EQ(cut("a\r\nb\r\n", 10), (P{"a\r\n", "b\r\n"}));
    EXPECT_EQ(cut("a\rb\rc", 10), (P{"a\r", "b\r", "c"}));
    EXPECT_EQ(cut("a\r\rb\n\r", 10), (P{"a\r", "\r", "b\n", "\r"}));
    EXPECT_EQ(cut("", 10), P{});
}

TEST(LinePieces, LongLinesAreCutAtTheRoomLikeFgets)
{
    using P = std::vector<std::string>;
    EXPECT_EQ(cut("abcdefg\n", 3), (P{"abc", "def", "g\n"}));
    // A carriage return that fills the piece leaves its line feed to the next.
    EXPECT_EQ(cut("ab\r\nc", 3), (P{"ab\r", "\n", "c"}));
    EXPECT_EQ(cut("ab\rc", 3), (P{"ab\r", "c"}));
}

TEST(LinePieces, WaitsForMoreTextOnlyWhenThePieceMayGoOn)
{
    EXPECT_EQ(linePieceLength("abc", 3, 10, true), 0u);    // the line goes on
    EXPECT_EQ(linePieceLength("ab\r", 3, 10, true), 0u);   // a line feed may follow
    EXPECT_EQ(linePieceLength("ab\r", 3, 3, true), 3u);    // the piece is full anyway
    EXPECT_EQ(linePieceLength("ab\rx", 4, 10, true), 3u);  // decided by the next character
    EXPECT_EQ(linePieceLength("ab\r", 3, 10, false), 3u);  // end of file
    EXPECT_EQ(linePieceLength("abcdef", 6, 4, true), 4u);
    EXPECT_EQ(linePieceLength("", 0, 4, false), 0u);
}

}  // namespace

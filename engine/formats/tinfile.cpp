#include "engine/formats/tinfile.h"

#include "engine/formats/linepieces.h"
#include "engine/formats/pointlinescan.h"

#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace veltrane {

namespace {

// A face as read, before its numbers are checked against the vertex count.
struct FaceLine {
    long lineNumber;
    int parsed;           // how many of the three numbers parsed
    long long number[3];  // 1-based vertex numbers
};

// Closes the stream on every way out of the reader.
struct FileCloser {
    FILE *file;
    ~FileCloser()
    {
        if (file)
            std::fclose(file);
    }
};

bool isLineKind(const char *piece, char kind)
{
    return piece[0] == kind && piece[1] == ' ';
}

// "v x y z", read like sscanf(piece, "%c%c %lf %lf %lf") in the "C"
// locale whatever locale the process has: coordinates that do not parse
// stay 0, as does every one after the first that fails.
PointRecord parseVertex(const char *piece, LongitudeSign sign)
{
    double xyz[3] = {0.0, 0.0, 0.0};
    const char *cursor = piece + 2;
    const char *const end = piece + std::strlen(piece);
    for (double &value : xyz) {
        cursor = scanDoubleLikeScanf(cursor, end, value);
        if (!cursor)
            break;
    }
    PointRecord vertex;
    vertex.x = sign == LongitudeSign::ForceWest ? -std::fabs(xyz[0]) : xyz[0];
    vertex.y = xyz[1];
    vertex.h = xyz[2];
    return vertex;
}

// "f a b c": up to three integers in the manner of %i (sign, then 0x for
// hexadecimal or a leading 0 for octal), white space before each skipped,
// in the "C" locale. Unlike sscanf, strtoll has a defined result on
// overflow: the largest or smallest value, which the range check then rejects.
FaceLine parseFace(const char *piece, long lineNumber)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    FaceLine face{lineNumber, 0, {0, 0, 0}};
    const char *cursor = piece + 2;
    for (int k = 0; k < 3; ++k) {
        char *end = nullptr;
        const long long value = strtoll_l(cursor, &end, 0, cLocale);
        if (end == cursor)
            break;
        face.number[k] = value;
        face.parsed = k + 1;
        cursor = end;
    }
    return face;
}

std::string faceProblem(const FaceLine &face, size_t vertexCount)
{
    const std::string where = "line " + std::to_string(face.lineNumber) + ": face dropped, ";
    if (face.parsed < 3)
        return where + "only " + std::to_string(face.parsed) + " of its 3 vertex numbers could be read";
    for (const long long number : face.number)
        if (number < 1 || static_cast<unsigned long long>(number) > vertexCount)
            return where + "vertex number " + std::to_string(number) + " is outside 1.." + std::to_string(vertexCount);
    return {};
}

}  // namespace

TinFileContents readTinFile(const std::string &path, LongitudeSign sign, uint64_t byteLimit)
{
    TinFileContents contents;
    FileCloser closer{openInputFile(path, contents.problem)};
    if (!closer.file)
        return contents;

    // The whole file first: a line may end with a carriage return alone,
    // which only the next character tells apart from a Windows line end.
    std::string text;
    char chunk[64 * 1024];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, closer.file)) > 0) {
        if (got > byteLimit - text.size()) {
            contents.problem = InputProblem::TooLarge;
            return contents;
        }
        text.append(chunk, got);
    }
    if (std::ferror(closer.file)) {
        contents.problem = InputProblem::ReadError;
        return contents;  // unreadable: report nothing half-read
    }
    return parseTinText(text, sign);
}

TinFileContents parseTinText(const std::string &text, LongitudeSign sign)
{
    TinFileContents contents;

    std::vector<FaceLine> faces;
    char piece[kTinLinePiece + 1];
    long lineNumber = 1;
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = linePieceLength(text.data() + pos, text.size() - pos, kTinLinePiece, false);
        std::memcpy(piece, text.data() + pos, length);
        piece[length] = '\0';
        pos += length;
        if (isLineKind(piece, 'v'))
            contents.vertices.push_back(parseVertex(piece, sign));
        else if (isLineKind(piece, 'f'))
            faces.push_back(parseFace(piece, lineNumber));
        // A piece of a longer line does not start a new line.
        const char last = piece[length - 1];
        if (last == '\n' || (last == '\r' && (pos == text.size() || text[pos] != '\n')))
            ++lineNumber;
    }

    // Faces are checked once every vertex is known: a face line may come
    // before the vertices it names.
    const size_t vertexCount = contents.vertices.size();
    contents.triangles.reserve(faces.size());
    for (const FaceLine &face : faces) {
        std::string problem = faceProblem(face, vertexCount);
        if (!problem.empty()) {
            ++contents.droppedFaces;
            contents.problems.push_back(std::move(problem));
            continue;
        }
        contents.triangles.push_back(
            Triangle{int32_t(face.number[0] - 1), int32_t(face.number[1] - 1), int32_t(face.number[2] - 1)});
    }
    contents.opened = true;
    return contents;
}

}  // namespace veltrane

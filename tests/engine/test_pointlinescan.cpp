// The point-line scanner and the block reader against the C library itself:
// every line must give what sscanf(line, "%lf%c%lf%c%lf%c%s") gives (success,
// the bits of every number, the identifier), every single number what
// "%lf%n" takes and yields, and every file what fgets() pieces parsed by
// sscanf give. Tricky corpora plus random lines built from the characters
// that matter; VELTRANE_PARITY_COUNT sets the number of random lines.

#include "engine/formats/pointfile.h"
#include "engine/formats/pointlinescan.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

constexpr int kDefaultRandomLines = 200000;

int randomLineCount()
{
    const char *text = std::getenv("VELTRANE_PARITY_COUNT");
    return text ? std::atoi(text) : kDefaultRandomLines;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What the C library makes of one line.
struct ScanfLine {
    bool ok = false;
    double x = 0, y = 0, h = 0;
    std::string id;
};

ScanfLine referenceLine(const std::string &line)
{
    ScanfLine r;
    char s1, s2, s3;
    std::vector<char> id(line.size() + 1);
    r.ok = std::sscanf(line.c_str(), "%lf%c%lf%c%lf%c%s", &r.x, &s1, &r.y, &s2, &r.h, &s3, id.data()) == 7;
    if (r.ok)
        r.id = id.data();
    return r;
}

// Compares the scanner with sscanf on one line (up to its first NUL).
::testing::AssertionResult scansLikeScanf(const std::string &line)
{
    const ScanfLine expected = referenceLine(line);
    PointLineFields fields;
    const bool ok = scanPointLine(line.c_str(), line.c_str() + std::strlen(line.c_str()), fields);
    if (ok != expected.ok)
        return ::testing::AssertionFailure()
               << "success " << ok << " instead of " << expected.ok << " for \"" << line << "\"";
    if (!ok)
        return ::testing::AssertionSuccess();
    const std::string id(fields.idBegin, fields.idEnd);
    if (!sameBits(fields.x, expected.x) || !sameBits(fields.y, expected.y) || !sameBits(fields.h, expected.h) ||
        id != expected.id)
        return ::testing::AssertionFailure() << "\"" << line << "\": got " << fields.x << " " << fields.y << " "
                                             << fields.h << " '" << id << "', sscanf gives " << expected.x << " "
                                             << expected.y << " " << expected.h << " '" << expected.id << "'";
    return ::testing::AssertionSuccess();
}

// Compares one "%lf" conversion: success, characters taken, value bits.
::testing::AssertionResult scansNumberLikeScanf(const std::string &text)
{
    double expected = 0;
    int taken = -1;
    const bool expectedOk = std::sscanf(text.c_str(), "%lf%n", &expected, &taken) == 1 && taken >= 0;
    double value = 0;
    const char *end = scanDoubleLikeScanf(text.c_str(), text.c_str() + text.size(), value);
    if ((end != nullptr) != expectedOk)
        return ::testing::AssertionFailure() << "success " << (end != nullptr) << " for \"" << text << "\"";
    if (!end)
        return ::testing::AssertionSuccess();
    if (end - text.c_str() != taken || !sameBits(value, expected))
        return ::testing::AssertionFailure() << "\"" << text << "\": took " << (end - text.c_str()) << " giving "
                                             << value << ", sscanf took " << taken << " giving " << expected;
    return ::testing::AssertionSuccess();
}

const std::vector<std::string> kTrickyNumbers = {
    "0",
    "-0",
    "+0",
    "00",
    "1",
    "-1",
    "+1",
    "1.",
    ".5",
    "-.5",
    "+.5",
    ".",
    "-.",
    "+",
    "-",
    "",
    " ",
    "  \t\n\v\f\r1",
    "1.5e3",
    "1.5E3",
    "1.5e+3",
    "1.5e-3",
    "1e",
    "1e+",
    "1e-",
    "1e+-3",
    "1e5e5",
    "1e5.5",
    "1.2.3",
    "1..2",
    "0x",
    "0X",
    "-0x",
    "0x1",
    "0x1p3",
    "0x1P-3",
    "0x1.8p1",
    "0x.8p1",
    "0x.p1",
    "0xp1",
    "0x1p",
    "0x1p+",
    "0xg",
    "0x1.fffffffffffffp1023",
    "0x1p-1074",
    "0x1p-1080",
    "0x1p1024",
    "0xABCDEFp-4",
    "0x1e5",
    "0x1e5p2",
    "00x1",
    "0e5",
    "0.e5",
    ".e5",
    "e5",
    "1e400",
    "-1e400",
    "1e-400",
    "4.9e-324",
    "2.4e-324",
    "2.5e-324",
    "2.2250738585072011e-308",
    "1.7976931348623157e308",
    "1.7976931348623159e308",
    "9007199254740993",
    "9007199254740992.5",
    "123456789012345678901234567890",
    "0.1000000000000000055511151231257827",
    "1e22",
    "1e23",
    "9e-23",
    "1e-22",
    "12345678901234567890e-20",
    "0.000000000000000000000000000001",
    "nan",
    "NaN",
    "-nan",
    "+NAN",
    "nan(123)",
    "nanx",
    "na",
    "n",
    "-n",
    "inf",
    "INF",
    "-Inf",
    "infinity",
    "INFINITY",
    "-infinity",
    "infin",
    "infinite",
    "infx",
    "infi",
    "in",
    "i",
    "-i",
    "1,2",
    "1 2",
    "1\t",
    "-123.456789012345",
    "45.123456789",
    "1234.5678",
    "\xa0"
    "1",
    "1\xa0",
    "\xb2",
};

TEST(PointLineScan, TrickyNumbersTakeWhatScanfTakes)
{
    for (const std::string &text : kTrickyNumbers)
        EXPECT_TRUE(scansNumberLikeScanf(text));
}

TEST(PointLineScan, TrickyLinesParseLikeScanf)
{
    const std::vector<std::string> lines = {
        "1.5,45.2,10.0,P1",
        "1.5 45.2 10.0 P1",
        "1.5, 45.2, 10.0, P1",
        "1.5\t45.2\t10.0\tP1",
        "1.5 ,45.2,10.0,P1",
        "1,2,3,A,extra more",
        "1,2,3",
        "1,2,3,",
        "1,2,3, ",
        "1,2,3,\n",
        "1,2,3,A\r\n",
        "X,Y,H,ID",
        "",
        "\n",
        "#1,2,3,A",
        "1;2;3;A",
        "1,,2,3,A",
        "1e,2,3,A",
        "1e+,2,3,A",
        "1ex2,3,4,A",
        "0x,1,2,A",
        "0x1p3,0X.8P1,-0x10,HEX",
        "nan(1),2,3,A",
        "nan,nan,nan,N",
        "-nan,+inf,-infinity,I",
        "inf,infinity,INF,I",
        "infinite,1,2,A",
        "1 2 3 A",
        "  -1.5\t ,2,3,A",
        "1,2,3,\tA\tB",
        "1,2,3,A B",
        "1.0e400,-1e-400,4.9e-324,E",
        "1\n2\n3\nA",
        "1\0012\0023\003A",
        "1e5e5,2,3,A",
        "1.2.3,4,5,A",
        "-.5,+.5,.5,DOT",
        ".,1,2,A",
        "-,1,2,A",
        "+1+2+3+A",
        "1-2-3-A",
        "1x2y3zA",
        "1\xe9"
        "2\xe9"
        "3\xe9"
        "\xe9\xe8",
        "-123.45678901234,45.12345678901,1234.5678,B000000001",
        "-123.45678901234567890123,45.1234567890123456789,1234.56789012345678,LONG",
    };
    for (const std::string &line : lines)
        EXPECT_TRUE(scansLikeScanf(line));
}

// Random lines from fragments that steer the scanner into every branch.
std::string randomLine(std::mt19937_64 &rng)
{
    static const std::vector<std::string> fragments = {
        "0",    "1",     "2",    "5",    "9",     "12",   "000",   "123456789", "9007199254740993",
        ".",    ".",     "-",    "+",    "e",     "E",    "e-",    "e+",        "p",
        "P",    "x",     "X",    "0x",   "0X",    "a",    "b",     "c",         "f",
        "A",    "F",     "n",    "nan",  "NAN",   "i",    "inf",   "INF",       "infinity",
        "nity", "t",     "y",    "(",    ")",     ",",    ",",     ",",         " ",
        " ",    "\t",    "\r",   "\n",   "\v",    "#",    ";",     "_",         "ID",
        "P1",   "\xe9",  "\xff", "e308", "e-308", "e400", "e-330", "p1023",     "p-1074",
        "1e22", "2e-22",
    };
    std::uniform_int_distribution<size_t> pick(0, fragments.size() - 1);
    std::uniform_int_distribution<int> length(1, 24);
    std::string line;
    const int n = length(rng);
    for (int i = 0; i < n; ++i)
        line += fragments[pick(rng)];
    return line;
}

// Random well-formed lines with numbers of every magnitude and form.
std::string randomPointLine(std::mt19937_64 &rng)
{
    std::uniform_int_distribution<int> form(0, 5), digits(0, 20), exponent(-330, 330);
    std::uniform_real_distribution<double> coordinate(-200.0, 200.0);
    static const char *const separators[] = {",", " ", "\t", ";", ", ", " ,"};
    std::uniform_int_distribution<int> separator(0, 5);
    char text[128];
    std::string line;
    for (int k = 0; k < 3; ++k) {
        switch (form(rng)) {
        case 0:
            std::snprintf(text, sizeof text, "%.*f", digits(rng), coordinate(rng));
            break;
        case 1:
            std::snprintf(text, sizeof text, "%.*e", digits(rng), coordinate(rng));
            break;
        case 2:
            std::snprintf(text, sizeof text, "%.17ge%d", coordinate(rng), exponent(rng));
            break;
        case 3:
            std::snprintf(text, sizeof text, "%a", coordinate(rng) * std::ldexp(1.0, exponent(rng) * 3));
            break;
        case 4:
            std::snprintf(text, sizeof text, "%+.*g", digits(rng), coordinate(rng));
            break;
        default:
            std::snprintf(text, sizeof text, "%llu.%llu", (unsigned long long)rng(), (unsigned long long)rng());
            break;
        }
        line += text;
        line += separators[separator(rng)];
    }
    line += "PT" + std::to_string(rng() % 100000);
    return line;
}

TEST(PointLineScan, RandomLinesParseLikeScanf)
{
    std::mt19937_64 rng(20240611);
    const int count = randomLineCount();
    int failures = 0;
    for (int i = 0; i < count && failures < 20; ++i) {
        const std::string line = (i % 2 == 0) ? randomLine(rng) : randomPointLine(rng);
        const ::testing::AssertionResult lineResult = scansLikeScanf(line);
        const ::testing::AssertionResult numberResult = scansNumberLikeScanf(line);
        EXPECT_TRUE(lineResult);
        EXPECT_TRUE(numberResult);
        failures += (lineResult ? 0 : 1) + (numberResult ? 0 : 1);
    }
}

// The reader against fgets() pieces parsed by sscanf, as the straightforward
// reader does it, on files whose line ends are line feeds (with or without a
// carriage return before them).
std::vector<PointRecord> readByFgets(const std::string &path, int &dataPieces)
{
    std::vector<PointRecord> points;
    dataPieces = 0;
    FILE *file = std::fopen(path.c_str(), "rt");
    if (!file)
        return points;
    char piece[kPointLinePiece + 1];
    while (std::fgets(piece, sizeof piece, file)) {
        if (piece[0] == '#')
            continue;
        ++dataPieces;
        const ScanfLine line = referenceLine(piece);
        if (!line.ok)
            continue;
        PointRecord r;
        r.x = line.x, r.y = line.y, r.h = line.h;
        r.id = QString::fromLatin1(line.id.c_str());
        points.push_back(r);
    }
    std::fclose(file);
    return points;
}

class PointBlockReader : public ::testing::Test {
protected:
    std::string write(const std::string &content)
    {
        const std::string path = dir.path().toStdString() + "/points" + std::to_string(files++) + ".csv";
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    void expectSameAsFgets(const std::string &content)
    {
        const std::string path = write(content);
        int dataPieces = 0;
        const std::vector<PointRecord> expected = readByFgets(path, dataPieces);
        Extent stats;
        const std::vector<PointRecord> points = readPointFile(path, stats, LongitudeSign::AsRead);
        EXPECT_EQ(countPointLines(path), dataPieces);
        ASSERT_EQ(points.size(), expected.size());
        EXPECT_EQ(stats.count, int(expected.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            ASSERT_TRUE(sameBits(points[i].x, expected[i].x) && sameBits(points[i].y, expected[i].y) &&
                        sameBits(points[i].h, expected[i].h) && points[i].id == expected[i].id)
                << "point " << i << " " << expected[i].id.toStdString();
        }
    }

    QTemporaryDir dir;
    int files = 0;
};

TEST_F(PointBlockReader, LongLinesNulBytesAndMissingLineEndCutLikeFgets)
{
    std::string content = "1,2,3,A\n";
    content += std::string(254, ' ') + "9,8,7,CUT254\n";         // the piece ends just before the number
    content += std::string(250, ' ') + "1.25,2.5,3.75,SPLIT\n";  // the number runs across two pieces
    content += "1,2,3," + std::string(300, 'L') + "\n";          // identifier longer than a piece
    content += std::string(255, '#') + "\n";                     // a comment piece and an empty data piece
    content += std::string("4,5,6,NUL\0after\n", 16);            // text ends at the NUL
    content += std::string("\0"
                           "1,2,3,LEADNUL\n",
                           15);
    content += "#1,2,3,COMMENT\r\n7,8,9,CR\r\n";
    content += "10,11,12,LAST";  // no line end
    expectSameAsFgets(content);
}

TEST_F(PointBlockReader, LargeFileAcrossManyBlocksKeepsFileOrder)
{
    std::mt19937_64 rng(7);
    std::string content;
    std::uniform_int_distribution<int> lineKind(0, 30);
    while (content.size() < (size_t(5) << 20)) {
        switch (lineKind(rng)) {
        case 0:
            content += "# comment\n";
            break;
        case 1:
            content += std::string(200 + rng() % 120, ' ') + "1,2,3,PAD\n";
            break;
        case 2: {
            // A carriage return alone ends a line for the reader but not for
            // fgets(); those line ends are left to the reader's own tests.
            std::string line = randomLine(rng);
            line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
            content += line + "\n";
            break;
        }
        default:
            content += randomPointLine(rng) + "\n";
            break;
        }
    }
    expectSameAsFgets(content);
}

}  // namespace

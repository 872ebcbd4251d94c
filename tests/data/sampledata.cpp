#include "tests/data/sampledata.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

std::string dataPath(const std::string &name)
{
    return std::string(VELTRANE_SOURCE_DIR) + "/data/" + name;
}

std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> readLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

static std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, separator))
        fields.push_back(field);
    return fields;
}

std::vector<SamplePoint> readCommaPoints(const std::string &path)
{
    std::vector<SamplePoint> points;
    for (const std::string &line : readLines(path)) {
        if (!line.empty() && line[0] == '#')
            continue;
        const std::vector<std::string> fields = split(line, ',');
        EXPECT_EQ(fields.size(), 4u) << path << ": " << line;
        if (fields.size() != 4)
            continue;
        points.push_back({std::stod(fields[0]), std::stod(fields[1]), std::stod(fields[2]), fields[3]});
    }
    return points;
}

SampleTin readObj(const std::string &path)
{
    SampleTin tin;
    for (const std::string &line : readLines(path)) {
        std::istringstream in(line);
        std::string tag;
        in >> tag;
        if (tag == "v") {
            SamplePoint v;
            in >> v.x >> v.y >> v.h;
            EXPECT_FALSE(in.fail()) << line;
            tin.vertices.push_back(v);
        } else if (tag == "f") {
            int a = 0, b = 0, c = 0;
            in >> a >> b >> c;
            EXPECT_FALSE(in.fail()) << line;
            tin.faces.insert(tin.faces.end(), {a, b, c});
        } else if (tag.size() > 0 && tag[0] == '#') {
            ++tin.commentLines;
        } else {
            ADD_FAILURE() << path << ": unexpected line " << line;
        }
    }
    return tin;
}

int decimalsOf(const std::string &number)
{
    const size_t point = number.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

double doubleArea(const SamplePoint &a, const SamplePoint &b, const SamplePoint &c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool inTriangle(double x, double y, const SamplePoint &a, const SamplePoint &b, const SamplePoint &c)
{
    const SamplePoint p{x, y, 0.0, {}};
    const double d1 = doubleArea(a, b, p);
    const double d2 = doubleArea(b, c, p);
    const double d3 = doubleArea(c, a, p);
    const bool anyNegative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool anyPositive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(anyNegative && anyPositive);
}

bool inTin(double x, double y, const SampleTin &tin)
{
    const int vertexCount = static_cast<int>(tin.vertices.size());
    for (int number : tin.faces) {
        if (number < 1 || number > vertexCount) {
            ADD_FAILURE() << "face vertex number " << number << " outside 1.." << vertexCount;
            return false;
        }
    }
    for (size_t f = 0; f + 2 < tin.faces.size(); f += 3)
        if (inTriangle(x, y, tin.vertices[tin.faces[f] - 1], tin.vertices[tin.faces[f + 1] - 1],
                       tin.vertices[tin.faces[f + 2] - 1]))
            return true;
    return false;
}

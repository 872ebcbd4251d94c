#pragma once
// Plain readers of the sample data files for the tests, independent of the
// program's own readers, and a little plane geometry.

#include <string>
#include <vector>

struct SamplePoint {
    double x = 0.0;
    double y = 0.0;
    double h = 0.0;
    std::string id;
};

struct SampleTin {
    std::vector<SamplePoint> vertices;  // file order, id empty
    std::vector<int> faces;             // three 1-based vertex numbers per face, as written
    int commentLines = 0;
};

// Path of a file in the committed data folder.
std::string dataPath(const std::string &name);

// Whole file as bytes; empty when it cannot be read.
std::string readBytes(const std::string &path);

// Lines of a text file without their line ends.
std::vector<std::string> readLines(const std::string &path);

// "x,y,h,ID" lines; comment lines are skipped, any other line that does not
// have exactly four comma-separated fields fails the calling test.
std::vector<SamplePoint> readCommaPoints(const std::string &path);

// "v x y z" and "f a b c" lines of an OBJ file.
SampleTin readObj(const std::string &path);

// Number of decimals written after the point in a number's text.
int decimalsOf(const std::string &number);

// True when (x, y) lies inside or on triangle a-b-c (either orientation).
bool inTriangle(double x, double y, const SamplePoint &a, const SamplePoint &b, const SamplePoint &c);

// True when (x, y) lies inside or on any face of the TIN.
bool inTin(double x, double y, const SampleTin &tin);

// Twice the signed area of a-b-c.
double doubleArea(const SamplePoint &a, const SamplePoint &b, const SamplePoint &c);

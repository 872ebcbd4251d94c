#pragma once
// Veltrane's library: converts points between NAD83(CORS96) and
// NAD83(CORS96a) over a network of control points, as veltrane-convert does,
// for programs of any kind. Plain C++17: standard strings, vectors and
// arrays of doubles; no type of the toolkit the program is written with.
//
//   veltrane::Network net({"NAD83_CORS96_CONTROL.csv", "NAD83_CORS96a_CONTROL.csv"});
//   std::vector<double> lon = {...}, lat = {...}, h = {...};
//   veltrane::Shifts shifts(lon.size());
//   net.convert(lon.data(), lat.data(), h.data(), lon.size(), shifts.arrays());
//
// Every function reports failure by throwing veltrane::Error, whose text is
// the message veltrane-convert gives. A Network is immutable once built:
// any number of threads may convert with it at the same time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// What the shared library exports: this header's classes and functions only.
#define VELTRANE_API __attribute__((visibility("default")))

namespace veltrane {

// The library's version, "1.0" and so on.
VELTRANE_API const char *libraryVersion();

class VELTRANE_API Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which realization the points are in, and which they are converted to.
// The numbers are the command's --mode values.
enum class Direction {
    Cors96ToCors96a = 1,
    Cors96aToCors96 = 2,
};

struct NetworkSetup {
    std::string sourceControls;  // control points in the realization the points are in
    std::string targetControls;  // the same points in the other realization
    std::string tinFile;         // a TIN file over the control points; empty: triangulate them (Delaunay)
    Direction direction = Direction::Cors96ToCors96a;
    bool forceNegative = false;  // read every longitude as west (-|x|): control files and points
};

// What the conversion did with one point.
enum class PointState : uint8_t {
    Converted = 0,  // a triangle of the network holds it
    Outside = 1,    // none does: its target, s, azimuth and DeltaH are 0
    Nearest = 2,    // outside, extended from the triangle with the nearest side
};

// What convert does with a point outside every triangle.
enum class OutsideRule {
    Zero,     // target, s, azimuth and DeltaH 0, as the command's default
    Nearest,  // the planes of the triangle with the nearest side, as --outside nearest
};

// Where convert writes, one entry per point; a null pointer skips that
// output. lon, lat and h may be the input arrays themselves.
struct ShiftArrays {
    double *lon = nullptr;      // target longitude, degrees
    double *lat = nullptr;      // target latitude, degrees
    double *h = nullptr;        // target height, metres
    double *s = nullptr;        // geodesic length of the shift, metres
    double *azimuth = nullptr;  // direction of the shift, degrees from north, -180 .. 180
    double *deltaH = nullptr;   // target minus source height, metres
    PointState *state = nullptr;
    // The point's uncertainty, as the command's --quality file gives it
    // (metres; NaN where the file leaves the field empty). Asking for any
    // of them checks the network once, on first use.
    double *sigmaHorizontal = nullptr;  // interpolated absolute leave-one-out horizontal residual
    double *sigmaVertical = nullptr;    // the same for heights
    double *nearestControl = nullptr;   // geodesic distance to the nearest control point
};

// Read-only view of the arrays format() writes from, one entry per point.
struct ShiftView {
    const double *lon = nullptr;
    const double *lat = nullptr;
    const double *h = nullptr;
    const double *s = nullptr;
    const double *azimuth = nullptr;
    const double *deltaH = nullptr;
};

// Storage for every output of convert, for callers that want it owned.
struct VELTRANE_API Shifts {
    explicit Shifts(size_t count = 0);
    ShiftArrays arrays();
    ShiftView view() const;
    std::vector<double> lon, lat, h, s, azimuth, deltaH;
    std::vector<PointState> state;
};

// Decimals of the output file's numbers (the command's -d and
// --metre-decimals); the defaults are the command's.
struct Decimals {
    int degrees = 15;  // longitudes, latitudes and AZIMUTH
    int metres = 15;   // heights and s
    int deltaH = 6;
};

// The leave-one-out check of one control point (the command's --report).
enum class ResidualKind : uint8_t {
    Validated = 0,  // interpolated from the network without it
    Boundary = 1,   // on the network's outline: nothing surrounds it
    Unused = 2,     // in no triangle
    Irregular = 3,  // its triangles do not close around it
};

struct Residual {
    std::string id;
    double lon = 0.0;  // source position, degrees
    double lat = 0.0;
    ResidualKind state = ResidualKind::Unused;
    double east = 0.0;  // predicted minus known shift, metres
    double north = 0.0;
    double up = 0.0;
    double horizontal = 0.0;
};

struct Validation {
    std::vector<Residual> residuals;  // one per control point, in the network's order
    std::string summary;              // the command's "Network check: ..." line
    std::string report;               // the bytes of the command's --report file
};

// The points of a point file's text.
struct PointList {
    std::vector<std::string> ids;
    std::vector<double> lon, lat, h;  // as written: the network applies force-negative
    size_t rejected = 0;              // lines that are neither comments nor blank and give no point
};

// Reads `size` bytes of a point file in the command's default layout
// (longitude, latitude, height, identifier), as veltrane-convert reads them:
// lines starting with '#', lines that give no point and points out of range
// are skipped. `text` starts at a line's start, so the pieces of a file cut
// after line feeds give together the file's points.
VELTRANE_API PointList readPoints(const char *text, size_t size);

class VELTRANE_API Network {
public:
    // Reads both control files (and the TIN file), pairs them and obtains
    // the TIN. Throws Error as the command refuses a network.
    explicit Network(const NetworkSetup &setup);
    ~Network();
    Network(Network &&) noexcept;
    Network &operator=(Network &&) noexcept;

    Direction direction() const;
    size_t controlCount() const;
    size_t triangleCount() const;

    // Converts lon[i], lat[i], h[i] (degrees, degrees, metres) for i < count,
    // spread over the cores. Returns the number of points outside every
    // triangle (extended ones included with OutsideRule::Nearest).
    size_t convert(const double *lon, const double *lat, const double *h, size_t count, const ShiftArrays &out,
                   OutsideRule outside = OutsideRule::Zero) const;

    // The output file's header line, with its line end.
    static std::string header();

    // The output file's lines of the points (their source positions `lon`,
    // `lat`, `h` as given to convert, their identifiers, and convert's
    // results), byte for byte as veltrane-convert writes them.
    std::string format(const std::vector<std::string> &ids, const double *lon, const double *lat, const double *h,
                       const ShiftView &shifts, size_t count, const Decimals &decimals = Decimals()) const;

    // The control shifts file ("controlshift.csv"), header included.
    std::string controlShifts(const Decimals &decimals = Decimals()) const;

    // The leave-one-out check of every control point (--validate-network).
    Validation validate() const;

    // The network as PROJ's tinshift JSON (--export-tinshift); `license`
    // may be empty; with `nearestFallback` the format names the fallback
    // for outside points (--outside nearest).
    std::string exportTinshift(const std::string &license = std::string(), bool nearestFallback = false) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace veltrane

#pragma once
// Coordinate systems of the points, through PROJ. A definition as PROJ takes
// it (EPSG:26910, an ESRI code, a PROJ string, WKT) is accepted when it is a
// geographic, projected or geocentric system on the GRS80 ellipsoid, the
// ellipsoid of every NAD83 realization. Only the system's own conversion is
// used, from longitude, latitude and ellipsoid height on its datum: never a
// datum transformation, which is the network's job.

#include "engine/types/gridpoint.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

struct CoordinateSystem {
    std::string definition;  // as given
    std::string name;        // as PROJ names it
    CoordinateKind kind = CoordinateKind::Geographic;
    std::string unitName;        // linear unit of a projected or geocentric system ("US survey foot")
    double metresPerUnit = 1.0;  // of that unit
    // PROJ pipeline from longitude, latitude (radians) and height (metres)
    // to the system's coordinates; empty for a geographic system.
    std::string pipeline;
};

// Reads `definition`. False with `error` set when PROJ does not know it, when
// it is no geographic, projected or geocentric system, when it is not on
// GRS80 (the text names the ellipsoid found) or when its degrees are no degrees.
bool describeCoordinateSystem(const std::string &definition, CoordinateSystem &system, std::string &error);

// The system `definition` names (when empty: degrees on NAD83, EPSG:4269)
// on a datum of its own named `datumName`, the geographic system it rests on
// named `geographicName`, as WKT2:2019. Empty with `error` set when PROJ
// cannot make it.
std::string renamedDatumWkt(const std::string &definition, const std::string &geographicName,
                            const std::string &datumName, std::string &error);

// Geographic, projected and geocentric systems of PROJ's database that are
// not deprecated, as "NAME (AUTHORITY:CODE)", for completing a system's name.
std::vector<std::string> knownSystemNames();

// The label of a system's linear unit in column names: M, FTUS, FT, or the
// unit's name in capitals with every other character an underscore.
std::string unitLabel(const CoordinateSystem &system);

// One system's conversion, used by one thread at a time (each converter has
// a PROJ context of its own). Positions are `count` triples of doubles, x, y
// and z each `stride` bytes after the one before, converted in place; a
// position PROJ cannot convert becomes HUGE_VAL.
class CoordinateConverter {
public:
    // False from valid() when PROJ refuses the pipeline.
    explicit CoordinateConverter(const CoordinateSystem &system);
    ~CoordinateConverter();
    CoordinateConverter(const CoordinateConverter &) = delete;
    CoordinateConverter &operator=(const CoordinateConverter &) = delete;

    bool valid() const;
    // From the system to longitude, latitude (degrees) and height (metres).
    void toGeographic(double *x, double *y, double *z, size_t stride, size_t count);
    // From longitude, latitude (degrees) and height (metres) to the system.
    void fromGeographic(double *x, double *y, double *z, size_t stride, size_t count);

private:
    struct Proj;
    void convert(bool forward, double *x, double *y, double *z, size_t stride, size_t count);

    CoordinateKind kind_;
    double metresPerUnit_;
    std::unique_ptr<Proj> proj_;
};

// The names of the target realization: its geographic system
// ("NAD83(CORS96a)") and its datum.
std::string targetSystemName(DatumDirection direction);
std::string targetDatumName(DatumDirection direction);

}  // namespace veltrane

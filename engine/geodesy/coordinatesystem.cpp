#include "engine/geodesy/coordinatesystem.h"

#include <proj.h>
#include <proj_experimental.h>

#include <cctype>
#include <cmath>

namespace veltrane {

namespace {

// GRS80 as PROJ's database defines it.
constexpr double kGrs80SemiMajorMetres = 6378137.0;
constexpr double kGrs80InverseFlattening = 298.257222101;
// Relative difference below which two ellipsoid parameters or two unit
// factors are the same.
constexpr double kSameValueTolerance = 1e-11;

constexpr double kMetre = 1.0;
constexpr double kUsSurveyFootMetres = 1200.0 / 3937.0;
constexpr double kInternationalFootMetres = 0.3048;
constexpr double kDegreeRadians = M_PI / 180.0;
constexpr double kRadianDegrees = 180.0 / M_PI;

bool same(double a, double b)
{
    return std::fabs(a - b) <= kSameValueTolerance * std::fabs(b);
}

struct ContextDeleter {
    void operator()(PJ_CONTEXT *context) const { proj_context_destroy(context); }
};
struct ObjectDeleter {
    void operator()(PJ *object) const { proj_destroy(object); }
};
using Object = std::unique_ptr<PJ, ObjectDeleter>;

// A context of its own whose messages go to `lastMessage` instead of
// standard error.
class QuietContext {
public:
    QuietContext() : context_(proj_context_create())
    {
        proj_log_func(context_.get(), &lastMessage_,
                      [](void *data, int, const char *text) { *static_cast<std::string *>(data) = text ? text : ""; });
    }
    QuietContext(const QuietContext &) = delete;
    QuietContext &operator=(const QuietContext &) = delete;

    PJ_CONTEXT *get() const { return context_.get(); }
    // PROJ's last message without the name of the function that gave it.
    std::string lastMessage() const
    {
        const size_t colon = lastMessage_.find(": ");
        return lastMessage_.rfind("proj_", 0) == 0 && colon != std::string::npos ? lastMessage_.substr(colon + 2)
                                                                                 : lastMessage_;
    }

private:
    std::unique_ptr<PJ_CONTEXT, ContextDeleter> context_;
    std::string lastMessage_;
};

// PROJ reads "+proj=..." as an operation unless told it is a system.
std::string withCrsType(const std::string &definition)
{
    const bool projString = definition.rfind("+", 0) == 0 || definition.rfind("proj=", 0) == 0;
    if (projString && definition.find("type=crs") == std::string::npos)
        return definition + " +type=crs";
    return definition;
}

// The kind of a system PROJ made; false for any other kind.
bool kindOf(PJ_TYPE type, CoordinateKind &kind)
{
    switch (type) {
    case PJ_TYPE_GEOGRAPHIC_2D_CRS:
    case PJ_TYPE_GEOGRAPHIC_3D_CRS:
        kind = CoordinateKind::Geographic;
        return true;
    case PJ_TYPE_PROJECTED_CRS:
        kind = CoordinateKind::Projected;
        return true;
    case PJ_TYPE_GEOCENTRIC_CRS:
        kind = CoordinateKind::Geocentric;
        return true;
    default:
        return false;
    }
}

// Checks that `crs` is on GRS80; an error text naming the ellipsoid found otherwise.
std::string ellipsoidProblem(PJ_CONTEXT *context, const PJ *crs)
{
    const Object ellipsoid(proj_get_ellipsoid(context, crs));
    double semiMajor = 0.0, semiMinor = 0.0, inverseFlattening = 0.0;
    int computed = 0;
    if (!ellipsoid ||
        !proj_ellipsoid_get_parameters(context, ellipsoid.get(), &semiMajor, &semiMinor, &computed, &inverseFlattening))
        return "PROJ gives no ellipsoid for it";
    if (same(semiMajor, kGrs80SemiMajorMetres) && same(inverseFlattening, kGrs80InverseFlattening))
        return std::string();
    const char *name = proj_get_name(ellipsoid.get());
    return std::string("it is on the ellipsoid ") + (name ? name : "without name") +
           ", not on GRS 1980, the ellipsoid of NAD83";
}

// Why the system's longitudes are not counted from Greenwich, as the control
// network's are; empty when they are (or the system has none: geocentric).
std::string primeMeridianProblem(PJ_CONTEXT *context, const PJ *crs, CoordinateKind kind)
{
    if (kind == CoordinateKind::Geocentric)
        return std::string();
    const Object meridian(proj_get_prime_meridian(context, crs));
    double longitude = 0.0, unitFactor = 0.0;
    const char *unitName = nullptr;
    if (!meridian || !proj_prime_meridian_get_parameters(context, meridian.get(), &longitude, &unitFactor, &unitName))
        return "PROJ gives no prime meridian for it";
    if (longitude == 0.0)
        return std::string();
    const char *name = proj_get_name(meridian.get());
    return std::string("its longitudes are counted from the meridian of ") + (name ? name : "another place") +
           ", not from Greenwich as the network's are";
}

// The pipeline from longitude, latitude (radians) and height (metres) on the
// system's own datum to the system's coordinates in easting, northing order.
std::string conversionPipeline(PJ_CONTEXT *context, const PJ *crs, std::string &error)
{
    const Object datum(proj_crs_get_datum_forced(context, crs));
    // From radians, so that the pipeline starts with the projection itself:
    // the converter turns degrees into radians at less cost than a step.
    const Object axes(
        proj_create_ellipsoidal_3D_cs(context, PJ_ELLPS3D_LONGITUDE_LATITUDE_HEIGHT, "radian", 1.0, "metre", kMetre));
    const Object geographic(datum && axes
                                ? proj_create_geographic_crs_from_datum(context, "geographic", datum.get(), axes.get())
                                : nullptr);
    const Object operation(geographic ? proj_create_crs_to_crs_from_pj(context, geographic.get(), crs, nullptr, nullptr)
                                      : nullptr);
    const Object ordered(operation ? proj_normalize_for_visualization(context, operation.get()) : nullptr);
    const char *pipeline = ordered ? proj_as_proj_string(context, ordered.get(), PJ_PROJ_5, nullptr) : nullptr;
    if (!pipeline) {
        error = "PROJ gives no conversion to it";
        return std::string();
    }
    // On its own datum a system is reached by a conversion; anything else
    // would move the points as the network does.
    if (proj_get_type(operation.get()) == PJ_TYPE_TRANSFORMATION) {
        error = "PROJ reaches it only by a datum transformation";
        return std::string();
    }
    return pipeline;
}

}  // namespace

bool describeCoordinateSystem(const std::string &definition, CoordinateSystem &system, std::string &error)
{
    const QuietContext context;
    const auto refuse = [&definition, &error](const std::string &why) {
        error = definition + ": " + why;
        return false;
    };
    Object crs(proj_create(context.get(), withCrsType(definition).c_str()));
    if (!crs)
        return refuse("PROJ knows no such coordinate system (" + context.lastMessage() + ")");
    if (proj_get_type(crs.get()) == PJ_TYPE_BOUND_CRS)  // a PROJ string with +towgs84
        crs.reset(proj_get_source_crs(context.get(), crs.get()));
    if (!crs || !proj_is_crs(crs.get()))
        return refuse("not a coordinate system");
    system = CoordinateSystem();
    system.definition = definition;
    const char *name = proj_get_name(crs.get());
    system.name = name ? name : "";
    const PJ_TYPE type = proj_get_type(crs.get());
    if (type == PJ_TYPE_COMPOUND_CRS)
        return refuse("a compound system with a vertical part; give its horizontal system, heights are read as "
                      "ellipsoid heights");
    if (!kindOf(type, system.kind))
        return refuse("neither a geographic, a projected nor a geocentric coordinate system");
    const std::string ellipsoid = ellipsoidProblem(context.get(), crs.get());
    if (!ellipsoid.empty())
        return refuse(ellipsoid);
    const std::string meridian = primeMeridianProblem(context.get(), crs.get(), system.kind);
    if (!meridian.empty())
        return refuse(meridian);

    const Object axes(proj_crs_get_coordinate_system(context.get(), crs.get()));
    const char *unitName = nullptr;
    double factor = 0.0;
    if (!axes || !proj_cs_get_axis_info(context.get(), axes.get(), 0, nullptr, nullptr, nullptr, &factor, &unitName,
                                        nullptr, nullptr))
        return refuse("PROJ gives no unit for its coordinates");
    if (system.kind == CoordinateKind::Geographic) {
        if (!same(factor, kDegreeRadians))
            return refuse(std::string("its angles are in ") + (unitName ? unitName : "an unnamed unit") +
                          "; longitudes and latitudes are read in decimal degrees");
        return true;
    }
    system.unitName = unitName ? unitName : "";
    system.metresPerUnit = factor;
    std::string problem;
    system.pipeline = conversionPipeline(context.get(), crs.get(), problem);
    return problem.empty() || refuse(problem);
}

namespace {

// Default system of points given in degrees.
constexpr char kNad83Degrees[] = "EPSG:4269";

// `name` with `oldPrefix` at its start replaced by `newPrefix`, or
// `newPrefix` alone when it does not start so.
std::string withPrefix(const std::string &name, const std::string &oldPrefix, const std::string &newPrefix)
{
    if (!oldPrefix.empty() && name.rfind(oldPrefix, 0) == 0)
        return newPrefix + name.substr(oldPrefix.size());
    return newPrefix;
}

}  // namespace

std::string renamedDatumWkt(const std::string &definition, const std::string &geographicName,
                            const std::string &datumName, std::string &error)
{
    const QuietContext context;
    PJ_CONTEXT *c = context.get();
    Object crs(proj_create(c, withCrsType(definition.empty() ? kNad83Degrees : definition).c_str()));
    if (crs && proj_get_type(crs.get()) == PJ_TYPE_BOUND_CRS)
        crs.reset(proj_get_source_crs(c, crs.get()));
    if (!crs || !proj_is_crs(crs.get())) {
        error = definition + ": PROJ knows no such coordinate system";
        return std::string();
    }
    const PJ_TYPE type = proj_get_type(crs.get());
    const bool projected = type == PJ_TYPE_PROJECTED_CRS;
    const Object base(projected ? proj_crs_get_geodetic_crs(c, crs.get()) : proj_clone(c, crs.get()));
    const Object ellipsoid(base ? proj_get_ellipsoid(c, base.get()) : nullptr);
    const Object meridian(base ? proj_get_prime_meridian(c, base.get()) : nullptr);
    double semiMajor = 0.0, semiMinor = 0.0, inverseFlattening = 0.0, longitude = 0.0, unitFactor = 0.0;
    int computed = 0;
    const char *meridianUnit = nullptr;
    if (!ellipsoid || !meridian ||
        !proj_ellipsoid_get_parameters(c, ellipsoid.get(), &semiMajor, &semiMinor, &computed, &inverseFlattening) ||
        !proj_prime_meridian_get_parameters(c, meridian.get(), &longitude, &unitFactor, &meridianUnit)) {
        error = definition + ": PROJ gives no datum for it";
        return std::string();
    }
    const char *baseName = proj_get_name(base.get());
    const std::string oldName = baseName ? baseName : "";
    Object renamed;
    if (proj_get_type(base.get()) == PJ_TYPE_GEOCENTRIC_CRS) {
        const Object axes(proj_crs_get_coordinate_system(c, base.get()));
        const char *unit = nullptr;
        double factor = 1.0;
        proj_cs_get_axis_info(c, axes.get(), 0, nullptr, nullptr, nullptr, &factor, &unit, nullptr, nullptr);
        renamed.reset(proj_create_geocentric_crs(
            c, geographicName.c_str(), datumName.c_str(), proj_get_name(ellipsoid.get()), semiMajor, inverseFlattening,
            proj_get_name(meridian.get()), longitude, meridianUnit, unitFactor, unit ? unit : "metre", factor));
    } else {
        const Object axes(proj_crs_get_coordinate_system(c, base.get()));
        renamed.reset(proj_create_geographic_crs(
            c, geographicName.c_str(), datumName.c_str(), proj_get_name(ellipsoid.get()), semiMajor, inverseFlattening,
            proj_get_name(meridian.get()), longitude, meridianUnit, unitFactor, axes.get()));
    }
    if (renamed && projected) {
        const Object altered(proj_crs_alter_geodetic_crs(c, crs.get(), renamed.get()));
        const char *name = proj_get_name(crs.get());
        renamed.reset(
            altered ? proj_alter_name(c, altered.get(), withPrefix(name ? name : "", oldName, geographicName).c_str())
                    : nullptr);
    }
    const char *wkt = renamed ? proj_as_wkt(c, renamed.get(), PJ_WKT2_2019, nullptr) : nullptr;
    if (!wkt) {
        error = definition + ": PROJ cannot name its datum anew (" + context.lastMessage() + ")";
        return std::string();
    }
    return wkt;
}

std::vector<std::string> knownSystemNames()
{
    const QuietContext context;
    std::vector<std::string> names;
    PROJ_CRS_LIST_PARAMETERS *parameters = proj_get_crs_list_parameters_create();
    const PJ_TYPE types[] = {PJ_TYPE_GEOGRAPHIC_2D_CRS, PJ_TYPE_GEOGRAPHIC_3D_CRS, PJ_TYPE_PROJECTED_CRS,
                             PJ_TYPE_GEOCENTRIC_CRS};
    parameters->types = types;
    parameters->typesCount = sizeof types / sizeof types[0];
    int count = 0;
    PROJ_CRS_INFO **list = proj_get_crs_info_list_from_database(context.get(), nullptr, parameters, &count);
    for (int i = 0; i < count; ++i) {
        if (!list[i]->deprecated)
            names.push_back(std::string(list[i]->name) + " (" + list[i]->auth_name + ":" + list[i]->code + ")");
    }
    proj_crs_info_list_destroy(list);
    proj_get_crs_list_parameters_destroy(parameters);
    return names;
}

std::string unitLabel(const CoordinateSystem &system)
{
    if (same(system.metresPerUnit, kMetre))
        return "M";
    if (same(system.metresPerUnit, kUsSurveyFootMetres))
        return "FTUS";
    if (same(system.metresPerUnit, kInternationalFootMetres))
        return "FT";
    std::string label;
    for (const char c : system.unitName)
        label.push_back(std::isalnum(static_cast<unsigned char>(c)) ? char(std::toupper(static_cast<unsigned char>(c)))
                                                                    : '_');
    return label;
}

struct CoordinateConverter::Proj {
    QuietContext context;
    Object pipeline;
};

CoordinateConverter::CoordinateConverter(const CoordinateSystem &system)
    : kind_(system.kind), metresPerUnit_(system.metresPerUnit)
{
    if (kind_ == CoordinateKind::Geographic)
        return;
    proj_ = std::make_unique<Proj>();
    proj_->pipeline.reset(proj_create(proj_->context.get(), system.pipeline.c_str()));
}

CoordinateConverter::~CoordinateConverter() = default;

bool CoordinateConverter::valid() const
{
    return kind_ == CoordinateKind::Geographic || proj_->pipeline;
}

void CoordinateConverter::convert(bool forward, double *x, double *y, double *z, size_t stride, size_t count)
{
    if (kind_ == CoordinateKind::Geographic || count == 0)
        return;
    const PJ_DIRECTION direction = forward ? PJ_FWD : PJ_INV;
    // The pipeline takes and gives radians.
    const auto scaleAngles = [x, y, stride, count](double factor) {
        char *longitude = reinterpret_cast<char *>(x);
        char *latitude = reinterpret_cast<char *>(y);
        for (size_t i = 0; i < count; ++i, longitude += stride, latitude += stride) {
            *reinterpret_cast<double *>(longitude) *= factor;
            *reinterpret_cast<double *>(latitude) *= factor;
        }
    };
    if (forward)
        scaleAngles(kDegreeRadians);
    if (kind_ == CoordinateKind::Geocentric) {
        proj_trans_generic(proj_->pipeline.get(), direction, x, stride, count, y, stride, count, z, stride, count,
                           nullptr, 0, 0);
        if (!forward)
            scaleAngles(kRadianDegrees);
        return;
    }
    // A projection leaves heights alone: they change unit here.
    proj_trans_generic(proj_->pipeline.get(), direction, x, stride, count, y, stride, count, nullptr, 0, 0, nullptr, 0,
                       0);
    if (!forward)
        scaleAngles(kRadianDegrees);
    char *height = reinterpret_cast<char *>(z);
    for (size_t i = 0; i < count; ++i, height += stride) {
        double &h = *reinterpret_cast<double *>(height);
        h = forward ? h / metresPerUnit_ : h * metresPerUnit_;
    }
}

void CoordinateConverter::toGeographic(double *x, double *y, double *z, size_t stride, size_t count)
{
    convert(false, x, y, z, stride, count);
}

void CoordinateConverter::fromGeographic(double *x, double *y, double *z, size_t stride, size_t count)
{
    convert(true, x, y, z, stride, count);
}

std::string targetSystemName(DatumDirection direction)
{
    return direction == DatumDirection::Cors96ToCors96a ? "NAD83(CORS96a)" : "NAD83(CORS96)";
}

std::string targetDatumName(DatumDirection direction)
{
    // The older realization under the name PROJ's database gives it.
    return direction == DatumDirection::Cors96ToCors96a ? "NAD83 (CORS96a)"
                                                        : "NAD83 (Continuously Operating Reference Station 1996)";
}

}  // namespace veltrane

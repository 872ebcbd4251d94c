// The Python module "veltrane": the library's network, conversion, output
// lines and network check over NumPy arrays.

#include "veltrane/veltrane.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The NumPy array of `values` as float64, copied only when it is not one already.
Doubles doubles(const py::handle &values, const char *name)
{
    Doubles array = Doubles::ensure(values);
    if (!array)
        throw py::type_error(std::string(name) + " must be a sequence of numbers");
    if (array.ndim() != 1)
        throw py::value_error(std::string(name) + " must be one-dimensional");
    return array;
}

Doubles newDoubles(size_t count)
{
    return Doubles(py::ssize_t(count));
}

py::dict convert(const veltrane::Network &network, const py::handle &lonIn, const py::handle &latIn,
                 const py::handle &hIn, bool nearest, bool quality)
{
    const Doubles lon = doubles(lonIn, "lon"), lat = doubles(latIn, "lat"), h = doubles(hIn, "h");
    const size_t count = size_t(lon.size());
    if (size_t(lat.size()) != count || size_t(h.size()) != count)
        throw py::value_error("lon, lat and h must have the same length");
    Doubles toLon = newDoubles(count), toLat = newDoubles(count), toH = newDoubles(count);
    Doubles s = newDoubles(count), azimuth = newDoubles(count), deltaH = newDoubles(count);
    py::array_t<uint8_t> state{py::ssize_t(count)};
    veltrane::ShiftArrays out;
    out.lon = toLon.mutable_data();
    out.lat = toLat.mutable_data();
    out.h = toH.mutable_data();
    out.s = s.mutable_data();
    out.azimuth = azimuth.mutable_data();
    out.deltaH = deltaH.mutable_data();
    out.state = reinterpret_cast<veltrane::PointState *>(state.mutable_data());
    std::optional<Doubles> sigmaH, sigmaV, nearestControl;
    if (quality) {
        sigmaH = newDoubles(count);
        sigmaV = newDoubles(count);
        nearestControl = newDoubles(count);
        out.sigmaHorizontal = sigmaH->mutable_data();
        out.sigmaVertical = sigmaV->mutable_data();
        out.nearestControl = nearestControl->mutable_data();
    }
    const double *x = lon.data(), *y = lat.data(), *z = h.data();
    size_t outside = 0;
    {
        py::gil_scoped_release unlocked;
        outside = network.convert(x, y, z, count, out,
                                  nearest ? veltrane::OutsideRule::Nearest : veltrane::OutsideRule::Zero);
    }
    py::dict result;
    result["source_lon"] = lon;
    result["source_lat"] = lat;
    result["source_h"] = h;
    result["lon"] = toLon;
    result["lat"] = toLat;
    result["h"] = toH;
    result["s"] = s;
    result["azimuth"] = azimuth;
    result["delta_h"] = deltaH;
    result["state"] = state;
    result["outside"] = outside;
    if (quality) {
        result["sigma_horizontal"] = *sigmaH;
        result["sigma_vertical"] = *sigmaV;
        result["nearest_control"] = *nearestControl;
    }
    return result;
}

// An identifier as the output file writes it: the bytes of a bytes object,
// the Latin-1 bytes of a str.
std::string idBytes(const py::handle &id)
{
    if (py::isinstance<py::bytes>(id))
        return id.cast<std::string>();
    const py::object encoded =
        py::reinterpret_steal<py::object>(PyUnicode_AsEncodedString(py::str(id).ptr(), "latin-1", "replace"));
    if (!encoded)
        throw py::error_already_set();
    return encoded.cast<std::string>();
}

// `metres`, as the command's --metre-decimals, sets the decimals of heights,
// s and DeltaH; without it they are the command's defaults.
py::bytes format(const veltrane::Network &network, const py::iterable &ids, const py::dict &result, int degrees,
                 std::optional<int> metres)
{
    std::vector<std::string> idText;
    for (const py::handle id : ids)
        idText.push_back(idBytes(id));
    const auto column = [&result](const char *name) {
        if (!result.contains(name))
            throw py::key_error(std::string("the conversion result has no \"") + name + "\"");
        return doubles(result[name], name);
    };
    const Doubles lon = column("source_lon"), lat = column("source_lat"), h = column("source_h");
    const Doubles toLon = column("lon"), toLat = column("lat"), toH = column("h");
    const Doubles s = column("s"), azimuth = column("azimuth"), dh = column("delta_h");
    const size_t count = size_t(lon.size());
    for (const Doubles *array : {&lat, &h, &toLon, &toLat, &toH, &s, &azimuth, &dh}) {
        if (size_t(array->size()) != count)
            throw py::value_error("the arrays of the conversion result differ in length");
    }
    if (idText.size() != count)
        throw py::value_error(std::to_string(idText.size()) + " identifiers for " + std::to_string(count) + " points");
    const veltrane::ShiftView view{toLon.data(), toLat.data(), toH.data(), s.data(), azimuth.data(), dh.data()};
    std::string text;
    {
        py::gil_scoped_release unlocked;
        text = network.format(
            idText, lon.data(), lat.data(), h.data(), view, count,
            metres ? veltrane::Decimals{degrees, *metres, *metres}
                   : veltrane::Decimals{degrees, veltrane::Decimals().metres, veltrane::Decimals().deltaH});
    }
    return py::bytes(text);
}

// A NumPy array over `values`, which it takes over without copying.
Doubles adopt(std::vector<double> &&values)
{
    auto *owned = new std::vector<double>(std::move(values));
    const py::capsule free(owned, [](void *p) { delete static_cast<std::vector<double> *>(p); });
    return Doubles(py::ssize_t(owned->size()), owned->data(), free);
}

py::dict readPoints(const py::buffer &text)
{
    const py::buffer_info bytes = text.request();
    if (bytes.ndim != 1 || bytes.itemsize != 1 || bytes.strides[0] != 1)
        throw py::type_error("the text must be bytes");
    veltrane::PointList list;
    {
        py::gil_scoped_release unlocked;
        list = veltrane::readPoints(static_cast<const char *>(bytes.ptr), size_t(bytes.size));
    }
    py::list ids(list.ids.size());
    for (size_t i = 0; i < list.ids.size(); ++i)
        ids[i] = py::bytes(list.ids[i]);
    py::dict result;
    result["ids"] = ids;
    result["lon"] = adopt(std::move(list.lon));
    result["lat"] = adopt(std::move(list.lat));
    result["h"] = adopt(std::move(list.h));
    result["rejected"] = list.rejected;
    return result;
}

py::dict validate(const veltrane::Network &network)
{
    veltrane::Validation check;
    {
        py::gil_scoped_release unlocked;
        check = network.validate();
    }
    const size_t count = check.residuals.size();
    py::list ids;
    Doubles lon = newDoubles(count), lat = newDoubles(count), east = newDoubles(count), north = newDoubles(count),
            up = newDoubles(count), horizontal = newDoubles(count);
    py::array_t<uint8_t> state{py::ssize_t(count)};
    for (size_t i = 0; i < count; ++i) {
        const veltrane::Residual &r = check.residuals[i];
        ids.append(
            py::reinterpret_steal<py::str>(PyUnicode_DecodeLatin1(r.id.data(), py::ssize_t(r.id.size()), nullptr)));
        lon.mutable_data()[i] = r.lon;
        lat.mutable_data()[i] = r.lat;
        east.mutable_data()[i] = r.east;
        north.mutable_data()[i] = r.north;
        up.mutable_data()[i] = r.up;
        horizontal.mutable_data()[i] = r.horizontal;
        state.mutable_data()[i] = uint8_t(r.state);
    }
    py::dict result;
    result["id"] = ids;
    result["lon"] = lon;
    result["lat"] = lat;
    result["state"] = state;
    result["east"] = east;
    result["north"] = north;
    result["up"] = up;
    result["horizontal"] = horizontal;
    result["summary"] = check.summary;
    result["report"] = py::bytes(check.report);
    return result;
}

}  // namespace

PYBIND11_MODULE(veltrane, module)
{
    module.doc() = "Conversion of points between NAD83(CORS96) and NAD83(CORS96a) over a control network, "
                   "as veltrane-convert does.";
    module.attr("__version__") = veltrane::libraryVersion();
    module.attr("CONVERTED") = int(veltrane::PointState::Converted);
    module.attr("OUTSIDE") = int(veltrane::PointState::Outside);
    module.attr("NEAREST") = int(veltrane::PointState::Nearest);
    py::register_exception<veltrane::Error>(module, "Error", PyExc_RuntimeError);

    module.def("read_points", &readPoints, py::arg("text"),
               "The points of a point file's bytes in the command's default layout (lon, lat, h, id), as "
               "veltrane-convert reads them; the bytes start at a line's start. A dict: ids (bytes), lon, lat, h, "
               "rejected (lines that give no point).");

    py::class_<veltrane::Network>(module, "Network")
        .def(py::init([](const std::string &source, const std::string &target, const std::optional<std::string> &tin,
                         int direction, bool forceNegative) {
                 if (direction != 1 && direction != 2)
                     throw py::value_error("direction is 1 (CORS96 to CORS96a) or 2 (CORS96a to CORS96)");
                 veltrane::NetworkSetup setup;
                 setup.sourceControls = source;
                 setup.targetControls = target;
                 setup.tinFile = tin.value_or(std::string());
                 setup.direction = veltrane::Direction(direction);
                 setup.forceNegative = forceNegative;
                 py::gil_scoped_release unlocked;
                 return veltrane::Network(setup);
             }),
             py::arg("source_controls"), py::arg("target_controls"), py::arg("tin_file") = py::none(),
             py::arg("direction") = 1, py::arg("force_negative") = false,
             "Reads the control files of the points' realization (source) and of the other one (target), "
             "and the TIN file or, without one, triangulates the control points.")
        .def_property_readonly("direction", [](const veltrane::Network &n) { return int(n.direction()); })
        .def_property_readonly("control_count", &veltrane::Network::controlCount)
        .def_property_readonly("triangle_count", &veltrane::Network::triangleCount)
        .def("convert", &convert, py::arg("lon"), py::arg("lat"), py::arg("h"), py::arg("nearest") = false,
             py::arg("quality") = false,
             "Converts the points; a dict of NumPy arrays: lon, lat, h (targets), s, azimuth, delta_h, state, "
             "the source arrays, and with quality=True sigma_horizontal, sigma_vertical, nearest_control.")
        .def("format", &format, py::arg("ids"), py::arg("result"), py::arg("degrees") = 15,
             py::arg("metres") = py::none(),
             "The output file's lines of a conversion's points, as bytes; degrees and metres are the "
             "command's -d and --metre-decimals.")
        .def_static(
            "header", [] { return py::bytes(veltrane::Network::header()); }, "The output file's header line.")
        .def(
            "control_shifts", [](const veltrane::Network &n) { return py::bytes(n.controlShifts()); },
            "The control shifts file, header included.")
        .def("validate", &validate, "The leave-one-out check of every control point.")
        .def("export_tinshift", &veltrane::Network::exportTinshift, py::arg("license") = std::string(),
             py::arg("nearest_fallback") = false, "The network as PROJ's tinshift JSON.");
}

#include "command/options.h"

#include "command/filenamebytes.h"
#include "engine/formats/outputnames.h"
#include "engine/geodesy/coordinatesystem.h"
#include "engine/version.h"
#include "report/validationplot.h"

#include <QDir>
#include <QRegularExpression>
#include <functional>
#include <map>

namespace veltrane {

const QString kStandardStream = QStringLiteral("-");

namespace {

// Default name of the network check's residual file, beside controlshift.csv.
const char *const kValidationReportFile = "network_validation.csv";

const char *const kUsage =
    "Usage: veltrane-convert [OPTION]... INPUT\n"
    "       veltrane-convert --validate-network [OPTION]...\n"
    "Converts the points of INPUT (x, y, h, identifier per line; - reads standard input)\n"
    "between NAD83(CORS96) and NAD83(CORS96a) over the TIN of a control network.\n"
    "\n"
    "Conversion:\n"
    "  --mode 1|2              1: CORS96 to CORS96a (default); 2: CORS96a to CORS96\n"
    "  --tin generate|file     triangulate the control points (default) or read the TIN file\n"
    "  --force-negative        store every longitude as a west (negative) longitude\n"
    "  --crs CRS               the input's coordinate system as PROJ takes it (EPSG:26910,\n"
    "                          an ESRI code, a PROJ string, WKT), on GRS80: geographic\n"
    "                          (degrees, the default), projected (x easting, y northing, h in\n"
    "                          its unit) or geocentric (X, Y, Z)\n"
    "  --output-crs CRS        write the converted positions in CRS (default: --crs)\n"
    "  --outside zero|skip|nearest|fail\n"
    "                          points outside the network: written with zeros (default),\n"
    "                          left out, extended from the nearest triangle, or exit 1\n"
    "GIS input (.gpkg .shp .geojson .json .fgb .gml .dxf, read through GDAL; the\n"
    "layer's coordinate system is used unless --crs is given):\n"
    "  --layer NAME            the layer to read (default: the first layer with points)\n"
    "  --id-field NAME         the identifier (default: the first of id, name, point_id,\n"
    "                          pt, otherwise the feature id)\n"
    "  --height-field NAME     the height (default: Z of the geometry, 0 without)\n"
    "Input layout (default: x,y,h,id and one separator character):\n"
    "  --columns LIST          roles of the columns in order: x (longitude), y (latitude),\n"
    "                          h (height), id, _ (ignored), e.g. id,y,x,h,_\n"
    "  --header                roles from the first line's names (lon, lat, h, id and the like)\n"
    "  --no-header             the first line is data even when it names the columns\n"
    "  --delimiter C           , ; tab or blank; quoted fields (RFC 4180) are read\n"
    "  --decimal-comma         numbers in and out with a decimal comma, columns by semicolons\n"
    "  --angles decimal|dms    read longitudes and latitudes also as 122°"
    "39'27.5\"W and the like\n"
    "  --angles-out decimal|dms\n"
    "                          write them as DDD°MM'SS.sssss\"H (seconds' decimals: -d, default 5)\n"
    "Lines that give no point are counted and the first five named; -v names all.\n"
    "Without a height column heights and DeltaH are 0.\n"
    "Network:\n"
    "  --workdir DIR           folder of the fixed network files and controlshift.csv (default .)\n"
    "  --source-controls FILE  control points in the input's realization\n"
    "  --target-controls FILE  the same points in the other realization\n"
    "  --tin-file FILE         the TIN file (implies --tin file)\n"
    "Output:\n"
    "  -o, --output FILE       converted points (default: INPUT with _out.csv; - is standard\n"
    "                          output, the default for standard input)\n"
    "                          A GIS name writes a layer through GDAL: every field of the\n"
    "                          GIS input, the converted geometry, s, azimuth, delta_h\n"
    "                          (and sigma_h, sigma_v with --quality), its coordinate\n"
    "                          system on the target realization\n"
    "  --output-format DRIVER  write -o through this GDAL driver (GPKG, GeoJSON, ...)\n"
    "  --controlshift FILE     control shifts (default DIR/controlshift.csv)\n"
    "  --no-controlshift       do not write the control shifts\n"
    "  --export-tinshift FILE  also write the network as a JSON file for cct +proj=tinshift\n"
    "  --export-license TEXT   the licence the exported network is published under\n"
    "  --quality FILE          also write an uncertainty for every input point: the\n"
    "                          absolute leave-one-out residuals interpolated, in metres\n"
    "                          (an empirical 1-sigma-like figure, not a propagated\n"
    "                          covariance)\n"
    "  --record FILE.pdf       also write a record of the conversion as a PDF: the input\n"
    "                          with its size and SHA-256, the outputs, the network files\n"
    "                          with their SHA-256, the counts, the shifts' statistics,\n"
    "                          the network check with its map, the version and the UTC\n"
    "                          time; written only when the whole run succeeds\n"
    "  -d, --decimals N        decimals of the degree columns and AZIMUTH (default 15)\n"
    "  --metre-decimals N      decimals of the heights, s and DeltaH (default 15, DeltaH 6)\n"
    "Network check (no INPUT):\n"
    "  --validate-network      take out each control point the network surrounds,\n"
    "                          interpolate its shift from the others and write the\n"
    "                          residuals (predicted minus known, metres); a summary goes\n"
    "                          to standard error\n"
    "  --report FILE           the residual file (default: network_validation.csv in DIR);\n"
    "                          a .gpkg, .shp, .geojson, ... file gets a point layer\n"
    "  --plot FILE             also draw the residuals (mm) on a map of the network for a\n"
    "                          report; FILE.pdf gives a vector PDF, other names PNG\n"
    "  --plot-size WxH         size of the picture in pixels (default: 1600x1000)\n"
    "Messages:\n"
    "  -v, --verbose           the run's status lines and the points outside the network\n"
    "  -q, --quiet             errors only\n"
    "  --no-progress           no progress line on a terminal\n"
    "  -h, --help              show this text\n"
    "  --version               show the version\n"
    "  --                      end of options\n"
    "\n"
    "Exit status: 0 every output written; 1 the run failed and wrote nothing new;\n"
    "2 usage error. See veltrane-convert(1).\n";

// Largest picture side, pixels.
constexpr int kMaxPlotSide = 8192;

// Reads a --plot-size value, "WIDTHxHEIGHT"; false when it is not one or not
// a size the picture may have.
bool parsePlotSize(const std::string &text, QSize &size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromStdString(text));
    if (!match.hasMatch())
        return false;
    size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return size.width() >= kMinPlotWidth && size.height() >= kMinPlotHeight && size.width() <= kMaxPlotSide &&
           size.height() <= kMaxPlotSide;
}

std::string plotSizeUsage()
{
    return "--plot-size takes WIDTHxHEIGHT, each from " + std::to_string(kMinPlotWidth) + "x" +
           std::to_string(kMinPlotHeight) + " to " + std::to_string(kMaxPlotSide) + " pixels";
}

// The options of the network check against each other and the presence of
// INPUT; an error text, empty when they fit.
std::string checkValidationOptions(const CommandLine &o, bool haveInput)
{
    if (o.validateNetwork && haveInput)
        return "--validate-network takes no INPUT";
    if (o.validateNetwork) {
        // The check converts nothing: options of a conversion would be ignored.
        const std::pair<bool, const char *> conversionOnly[] = {
            {!o.run.quality.isEmpty(), "--quality"},
            {!o.run.output.isEmpty(), "--output"},
            {!o.run.controlShift.isEmpty(), "--controlshift"},
            {!o.writeControlShift, "--no-controlshift"},
            {!o.run.tinshift.isEmpty(), "--export-tinshift"},
            {!o.run.exportLicense.isEmpty(), "--export-license"},
            {!o.run.record.isEmpty(), "--record"},
            {o.outsideGiven, "--outside"},
            {o.run.decimals.degrees != kCoordinateDecimals, "--decimals"},
            {o.run.decimals.deltaH != kDeltaHDecimals, "--metre-decimals"},
            {!o.run.crs.empty(), "--crs"},
            {!o.run.outputCrs.empty(), "--output-crs"},
            {!o.run.gis.layer.isEmpty() || !o.run.gis.idField.isEmpty() || !o.run.gis.heightField.isEmpty(),
             "--layer, --id-field or --height-field"},
            {!o.run.outputFormat.isEmpty(), "--output-format"},
            {!o.run.layout.isFixed() || o.noHeader,
             "--columns, --header, --no-header, --delimiter, --decimal-comma or --angles"},
            {!o.run.style.isDefault(), "--angles-out"},
        };
        for (const auto &[given, option] : conversionOnly) {
            if (given)
                return std::string(option) + " needs a conversion, not --validate-network";
        }
    }
    if (!o.validateNetwork && (!o.run.report.isEmpty() || !o.run.plot.isEmpty()))
        return "--report and --plot need --validate-network";
    if (o.run.plot.isEmpty() && !o.plotSize.isEmpty())
        return "--plot-size needs --plot";
    return std::string();
}

// Reads a number of decimals for an output column; an error text when it is
// not one.
std::string parseDecimals(const std::string &text, const char *option, int &decimals)
{
    const std::string usage = std::string(option) + " takes a whole number from " + std::to_string(kMinOutputDecimals) +
                              " to " + std::to_string(kMaxOutputDecimals);
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        return usage;
    decimals = std::stoi(text);
    return decimals >= kMinOutputDecimals && decimals <= kMaxOutputDecimals ? std::string() : usage;
}

// The coordinate systems against PROJ and the options that read
// coordinates; an error text, empty when they fit.
std::string checkCoordinateSystems(const CommandLine &o)
{
    CoordinateSystem input;
    CoordinateSystem output;
    std::string error;
    if (!o.run.crs.empty() && !describeCoordinateSystem(o.run.crs, input, error))
        return "--crs " + error;
    if (!o.run.outputCrs.empty() && !describeCoordinateSystem(o.run.outputCrs, output, error))
        return "--output-crs " + error;
    if (o.run.settings.forceNegative && input.kind != CoordinateKind::Geographic)
        return "--force-negative makes longitudes west ones; the --crs points have no longitudes";
    const bool grid = input.kind != CoordinateKind::Geographic || output.kind != CoordinateKind::Geographic;
    if (grid && (!o.run.style.isDefault() || o.run.layout.decimalComma || o.run.layout.angles != AngleStyle::Decimal))
        return "--decimal-comma, --angles and --angles-out need degrees in and out, not --crs grid coordinates";
    return std::string();
}

std::string parseColumns(const std::string &text, std::vector<ColumnRole> &columns)
{
    std::string error;
    parseColumnList(text, columns, error);
    return error;
}

// Reads a --delimiter value: a comma, a semicolon, a tab ("tab" or the
// character) or blanks ("blank" or a blank).
std::string parseDelimiter(const std::string &text, char &delimiter)
{
    if (text == "," || text == ";")
        delimiter = text[0];
    else if (text == "tab" || text == "\t")
        delimiter = '\t';
    else if (text == "blank" || text == " ")
        delimiter = kBlankDelimiter;
    else
        return "--delimiter takes , ; tab or blank";
    return std::string();
}

// The run's options that follow from the others once all are read: the
// network's files in the working folder, the default output names, and how
// the command's run behaves.
ParsedCommandLine &finishRunOptions(ParsedCommandLine &parsed)
{
    CommandLine &o = parsed.options;
    RunOptions &run = o.run;
    const QDir workDir(o.workDir);
    run.network = defaultNetworkFiles(o.workDir, run.settings.direction);
    if (!o.sourceControls.isEmpty())
        run.network.source = o.sourceControls;
    if (!o.targetControls.isEmpty())
        run.network.target = o.targetControls;
    if (!o.tinFile.isEmpty())
        run.network.tin = o.tinFile;
    run.networkByteLimit = kNetworkFileByteLimit;
    run.strict = true;  // stop at a network or input that cannot be used
    run.version = QString::fromLatin1(kVersion);
    if (o.validateNetwork) {
        run.kind = RunKind::CheckNetwork;
        if (run.report.isEmpty())
            run.report = workDir.filePath(QLatin1String(kValidationReportFile));
        return parsed;
    }
    if (run.output.isEmpty())
        run.output = run.input == kStandardStream ? kStandardStream : deriveOutputPath(run.input);
    run.echo = run.output;
    if (o.writeControlShift && run.controlShift.isEmpty())
        run.controlShift = workDir.filePath(QLatin1String(kControlShiftFile));
    // As the window reads its files: a first line that names the columns
    // (lon, lat, h, id and the like) is a header, not a rejected line.
    if (!o.noHeader && run.layout.columns.empty() && !run.layout.header && !isGisFileName(run.input))
        run.layout.headerIfNamed = true;
    return parsed;
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

const char *usageText()
{
    return kUsage;
}

ParsedCommandLine parseCommandLine(const std::vector<std::string> &args)
{
    ParsedCommandLine parsed;
    CommandLine &o = parsed.options;
    bool haveInput = false;
    bool optionsEnded = false;

    // Options that take a value, with what they do with it; an error text
    // when the value is not allowed.
    using Setter = std::function<std::string(const std::string &)>;
    const auto fileName = [](QString &into, const char *what) {
        return [&into, what](const std::string &value) {
            into = nameFromBytes(value);
            return value.empty() ? std::string(what) + " takes a file name" : std::string();
        };
    };
    const auto gisName = [](QString &into, const char *what) {
        return [&into, what](const std::string &value) {
            into = QString::fromUtf8(value.c_str());
            return value.empty() ? std::string(what) + " takes a name" : std::string();
        };
    };
    const std::map<std::string, Setter> valued = {
        {"--mode",
         [&o](const std::string &v) {
             if (v != "1" && v != "2")
                 return std::string("--mode takes 1 or 2");
             o.run.settings.direction = directionFromMode(v == "1" ? 1 : 2);
             return std::string();
         }},
        {"--tin",
         [&o](const std::string &v) {
             if (v != "file" && v != "generate")
                 return std::string("--tin takes file or generate");
             o.run.settings.tinSource = v == "file" ? TinSource::FromFile : TinSource::Generate;
             o.tinGiven = true;
             return std::string();
         }},
        {"--outside",
         [&o](const std::string &v) {
             static const std::map<std::string, OutsidePoints> modes = {{"zero", OutsidePoints::Zero},
                                                                        {"skip", OutsidePoints::Skip},
                                                                        {"nearest", OutsidePoints::Nearest},
                                                                        {"fail", OutsidePoints::Fail}};
             const auto mode = modes.find(v);
             if (mode == modes.end())
                 return std::string("--outside takes zero, skip, nearest or fail");
             o.run.outside = mode->second;
             o.outsideGiven = true;
             return std::string();
         }},
        {"--workdir",
         [&o](const std::string &v) {
             o.workDir = nameFromBytes(v);
             return v.empty() ? std::string("--workdir takes a folder") : std::string();
         }},
        {"--source-controls", fileName(o.sourceControls, "--source-controls")},
        {"--target-controls", fileName(o.targetControls, "--target-controls")},
        {"--tin-file", fileName(o.tinFile, "--tin-file")},
        {"--output", fileName(o.run.output, "--output")},
        {"--controlshift", fileName(o.run.controlShift, "--controlshift")},
        {"--export-tinshift", fileName(o.run.tinshift, "--export-tinshift")},
        {"--record", fileName(o.run.record, "--record")},
        {"--export-license",
         [&o](const std::string &v) {
             o.run.exportLicense = QString::fromLocal8Bit(v.c_str());
             return v.empty() ? std::string("--export-license takes a text") : std::string();
         }},
        {"--report", fileName(o.run.report, "--report")},
        {"--plot", fileName(o.run.plot, "--plot")},
        {"--quality", fileName(o.run.quality, "--quality")},
        {"--decimals",
         [&o](const std::string &v) {
             const std::string error = parseDecimals(v, "--decimals", o.run.decimals.degrees);
             o.run.style.secondsDecimals = o.run.decimals.degrees;
             return error;
         }},
        {"--columns", [&o](const std::string &v) { return parseColumns(v, o.run.layout.columns); }},
        {"--delimiter", [&o](const std::string &v) { return parseDelimiter(v, o.run.layout.delimiter); }},
        {"--angles",
         [&o](const std::string &v) {
             if (v != "dms" && v != "decimal")
                 return std::string("--angles takes decimal or dms");
             o.run.layout.angles = v == "dms" ? AngleStyle::Dms : AngleStyle::Decimal;
             return std::string();
         }},
        {"--angles-out",
         [&o](const std::string &v) {
             if (v != "dms" && v != "decimal")
                 return std::string("--angles-out takes decimal or dms");
             o.run.style.dmsAngles = v == "dms";
             return std::string();
         }},
        {"--metre-decimals",
         [&o](const std::string &v) {
             const std::string error = parseDecimals(v, "--metre-decimals", o.run.decimals.heights);
             o.run.decimals.deltaH = o.run.decimals.heights;
             return error;
         }},
        {"--crs",
         [&o](const std::string &v) {
             o.run.crs = v;
             return v.empty() ? std::string("--crs takes a coordinate system") : std::string();
         }},
        {"--output-crs",
         [&o](const std::string &v) {
             o.run.outputCrs = v;
             return v.empty() ? std::string("--output-crs takes a coordinate system") : std::string();
         }},
        {"--layer", gisName(o.run.gis.layer, "--layer")},
        {"--id-field", gisName(o.run.gis.idField, "--id-field")},
        {"--height-field", gisName(o.run.gis.heightField, "--height-field")},
        {"--output-format", gisName(o.run.outputFormat, "--output-format")},
        {"--plot-size",
         [&o](const std::string &v) { return parsePlotSize(v, o.plotSize) ? std::string() : plotSizeUsage(); }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--force-negative", [&o] { o.run.settings.forceNegative = true; }},
        {"--header", [&o] { o.run.layout.header = true; }},
        {"--no-header", [&o] { o.noHeader = true; }},
        {"--decimal-comma",
         [&o] {
             o.run.layout.decimalComma = true;
             o.run.style.decimalComma = true;
         }},
        {"--validate-network", [&o] { o.validateNetwork = true; }},
        {"--no-controlshift", [&o] { o.writeControlShift = false; }},
        {"--verbose", [&o] { o.verbosity = Verbosity::Verbose; }},
        {"--quiet", [&o] { o.verbosity = Verbosity::Quiet; }},
        {"--no-progress", [&o] { o.progress = false; }},
        {"--help", [&o] { o.help = true; }},
        {"--version", [&o] { o.version = true; }},
    };
    const std::map<std::string, std::string> shortNames = {
        {"-o", "--output"}, {"-d", "--decimals"}, {"-v", "--verbose"}, {"-q", "--quiet"}, {"-h", "--help"}};

    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (haveInput) {
                parsed.error = "more than one INPUT given";
                return parsed;
            }
            o.run.input = nameFromBytes(arg);
            haveInput = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const auto shortName = shortNames.find(arg);
        if (shortName != shortNames.end())
            arg = shortName->second;
        std::string value;
        bool haveValue = false;
        const size_t equals = arg.find('=');
        if (startsWith(arg, "--") && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
            haveValue = true;
        }
        if (const auto flag = flags.find(arg); flag != flags.end() && !haveValue) {
            flag->second();
            continue;
        }
        const auto setter = valued.find(arg);
        if (setter == valued.end()) {
            parsed.error = "unknown option " + args[i];
            return parsed;
        }
        if (!haveValue) {
            if (i + 1 >= args.size()) {
                parsed.error = arg + " needs a value";
                return parsed;
            }
            value = args[++i];
        }
        parsed.error = setter->second(value);
        if (!parsed.error.empty())
            return parsed;
    }

    if (o.help || o.version)
        return parsed;
    const bool tinFileGiven = !o.tinFile.isEmpty();
    if (tinFileGiven && !(o.tinGiven && o.run.settings.tinSource == TinSource::Generate))
        o.run.settings.tinSource = TinSource::FromFile;
    const std::string validationError = checkValidationOptions(o, haveInput);
    if (!validationError.empty())
        parsed.error = validationError;
    else if (o.validateNetwork)
        return finishRunOptions(parsed);
    else if (!haveInput)
        parsed.error = "no INPUT given";
    else if (o.run.input.isEmpty())
        parsed.error = "INPUT is empty";
    else if (tinFileGiven && o.run.settings.tinSource == TinSource::Generate)
        parsed.error = "--tin-file and --tin generate contradict each other";
    else if (!o.run.controlShift.isEmpty() && !o.writeControlShift)
        parsed.error = "--controlshift and --no-controlshift contradict each other";
    else if (!o.run.layout.columns.empty() && o.run.layout.header)
        parsed.error = "--columns and --header contradict each other";
    else if (o.noHeader && o.run.layout.header)
        parsed.error = "--header and --no-header contradict each other";
    else if (o.run.layout.decimalComma && o.run.layout.delimiter == ',')
        parsed.error = "--decimal-comma needs a separator other than the comma";
    else if (!o.run.exportLicense.isEmpty() && o.run.tinshift.isEmpty())
        parsed.error = "--export-license needs --export-tinshift";
    else if ((!o.run.gis.layer.isEmpty() || !o.run.gis.idField.isEmpty() || !o.run.gis.heightField.isEmpty()) &&
             !isGisFileName(o.run.input))
        parsed.error = "--layer, --id-field and --height-field need a GIS INPUT (.gpkg, .shp, .geojson, .json, "
                       ".fgb, .gml, .dxf)";
    else if (!o.run.outputFormat.isEmpty() && (o.run.output.isEmpty() || o.run.output == kStandardStream))
        parsed.error = "--output-format needs -o FILE";
    else if (QString nameError;
             !o.run.outputFormat.isEmpty() && gisWorkName(o.run.outputFormat, o.run.output, nameError).isEmpty())
        parsed.error = "--output-format " + nameError.toStdString();
    else if (QString driverError;
             !o.run.outputFormat.isEmpty() && !GisPointWriter::checkDriver(o.run.outputFormat, driverError))
        parsed.error = "--output-format: " + driverError.toStdString();
    else if (o.run.controlShift == kStandardStream || o.run.tinshift == kStandardStream ||
             o.run.record == kStandardStream)
        parsed.error = "only the converted points (-o) can go to standard output";
    else
        parsed.error = checkCoordinateSystems(o);
    return parsed.error.empty() ? finishRunOptions(parsed) : parsed;
}

}  // namespace veltrane

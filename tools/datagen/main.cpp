// veltrane-datagen: writes the Tarvona sample data (control files, control
// TIN, base map, input point files) into a folder, or one large input file
// for benchmarks. Every run with the same arguments writes the same bytes.

#include "tools/datagen/basemap.h"
#include "engine/run/conversion.h"
#include "tools/datagen/hull.h"
#include "tools/datagen/inputpoints.h"
#include "tools/datagen/region.h"
#include "tools/datagen/samplenetwork.h"
#include "tools/datagen/tinexport.h"

#include <QByteArray>
#include <QDir>
#include <QGuiApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace veltrane;

namespace {

constexpr unsigned long long kLargeMin = 1;
constexpr unsigned long long kLargeMax = 100000000ull;  // keeps the file below about 6 GB
constexpr int kLargeIdDigits = 9;
constexpr int kSurveyPointCount = 20000;
constexpr int kSurveyIdDigits = 5;
constexpr long kNetworkMin = 3;
constexpr long kNetworkMax = 1000000;

void printUsage()
{
    std::fprintf(stderr,
                 "usage: veltrane-datagen FOLDER\n"
                 "         writes the sample data files into FOLDER\n"
                 "       veltrane-datagen --large N FILE\n"
                 "         writes N input points (1 .. %llu) into FILE\n"
                 "       veltrane-datagen --network N FOLDER\n"
                 "         writes the two control files of N control points (%ld .. %ld)\n"
                 "         over the sample network's area into FOLDER\n",
                 kLargeMax, kNetworkMin, kNetworkMax);
}

std::string inFolder(const QString &folder, const char *name)
{
    return QDir(folder).filePath(QLatin1String(name)).toLocal8Bit().toStdString();
}

bool writeSampleData(const QString &folder)
{
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create the folder %s\n", folder.toLocal8Bit().constData());
        return false;
    }
    const std::vector<ControlSite> cors96 = makeControlNetwork(kSeedControl);
    const std::vector<ControlSite> cors96a = shuffled(shiftToCors96a(cors96), kSeedShuffle);
    const std::vector<HullVertex> hull = convexHull(cors96);

    bool ok = writeControlFile(inFolder(folder, kControlFileCors96),
                               "Tarvona control points, NAD83(CORS96): longitude, latitude (decimal degrees), "
                               "ellipsoid height (m), identifier",
                               cors96);
    ok = writeControlFile(inFolder(folder, kControlFileCors96a),
                          "Tarvona control points, NAD83(CORS96a): longitude, latitude (decimal degrees), "
                          "ellipsoid height (m), identifier",
                          cors96a) &&
         ok;
    ok = writeTinFile(inFolder(folder, kControlTinFile), cors96) && ok;
    ok = writeSamplePoints(inFolder(folder, kSampleInputFile), hull) && ok;
    ok = writeSurveyPoints(inFolder(folder, kSurveyInputFile), hull, kSurveyPointCount, kSeedSurvey, "S",
                           kSurveyIdDigits) &&
         ok;
    ok = writeBaseMap(inFolder(folder, kBaseMapFile)) && ok;
    return ok;
}

bool writeLargeInput(const char *countText, const char *path)
{
    char *end = nullptr;
    const unsigned long long count = std::strtoull(countText, &end, 10);
    if (end == countText || *end != '\0' || count < kLargeMin || count > kLargeMax) {
        std::fprintf(stderr, "not a point count from %llu to %llu: %s\n", kLargeMin, kLargeMax, countText);
        return false;
    }
    const std::vector<HullVertex> hull = convexHull(makeControlNetwork(kSeedControl));
    return writeSurveyPoints(path, hull, count, kSeedLarge, "B", kLargeIdDigits);
}

bool writeDenseNetwork(const char *countText, const QString &folder)
{
    char *end = nullptr;
    const long count = std::strtol(countText, &end, 10);
    if (end == countText || *end != '\0' || count < kNetworkMin || count > kNetworkMax) {
        std::fprintf(stderr, "not a control point count from %ld to %ld: %s\n", kNetworkMin, kNetworkMax, countText);
        return false;
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create the folder %s\n", folder.toLocal8Bit().constData());
        return false;
    }
    const std::vector<ControlSite> cors96 = makeDenseControlNetwork(int(count), kSeedDense);
    const std::vector<ControlSite> cors96a = shuffled(shiftToCors96a(cors96), kSeedShuffle);
    const bool ok =
        writeControlFile(inFolder(folder, kControlFileCors96),
                         "Dense benchmark network, NAD83(CORS96): longitude, latitude, height, identifier", cors96);
    return writeControlFile(inFolder(folder, kControlFileCors96a),
                            "Dense benchmark network, NAD83(CORS96a): longitude, latitude, height, identifier",
                            cors96a) &&
           ok;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && std::string(argv[1]) == "--large") {
        std::setlocale(LC_NUMERIC, "C");
        return writeLargeInput(argv[2], argv[3]) ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (argc == 4 && std::string(argv[1]) == "--network") {
        std::setlocale(LC_NUMERIC, "C");
        return writeDenseNetwork(argv[2], QString::fromLocal8Bit(argv[3])) ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (argc != 2 || argv[1][0] == '-') {
        printUsage();
        return EXIT_FAILURE;
    }

    // The map is drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The application object adopts the user's locale; numbers are always
    // written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    return writeSampleData(QString::fromLocal8Bit(argv[1])) ? EXIT_SUCCESS : EXIT_FAILURE;
}

// Export of the run's network for PROJ's tinshift: the JSON layout and its
// numbers, the faces left out, the descriptive fields and their escaping,
// the refusals; the file digest named in them; and, when PROJ's cct is
// installed, the same converted coordinates from cct as from the run for
// points inside the sample network, in both directions and both TIN modes.

#include "engine/files/filedigest.h"
#include "engine/run/conversion.h"
#include "engine/formats/tinshiftexport.h"
#include "tests/support/conversiontestsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <random>

using namespace veltrane;

namespace {

// The export as a run writes it.
bool writeTinshiftFile(const QString &path, const std::vector<PointRecord> &control,
                       const std::vector<Triangle> &triangles, DatumDirection direction,
                       const TinshiftMetadata &metadata, QString &error)
{
    QByteArray json;
    return tinshiftText(path, control, triangles, direction, metadata, json, error) &&
           writeAsRunOutput(path, json.toStdString(), error);
}

}  // namespace

namespace {

// Agreement required between cct and the run.
constexpr double kDegreesTolerance = 1e-12;
constexpr double kHeightTolerance = 1e-9;

PointRecord controlRecord(double x, double y, double h, double dx, double dy, double dh)
{
    PointRecord r;
    r.x = x, r.y = y, r.h = h;
    r.xTo = x + dx, r.yTo = y + dy, r.hTo = h + dh;
    r.dx = dx, r.dy = dy, r.dh = dh;
    return r;
}

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

TEST(TinshiftExport, WritesTheTriangulationFileLayout)
{
    QTemporaryDir dir;
    const std::vector<PointRecord> control = {
        controlRecord(-123.5, 45.25, 100.0, 1.0 / 3.0 * 1e-5, 2e-5, 0.01),
        controlRecord(-123.4, 45.25, 110.0, 1e-5, 0.1 + 0.2, -0.02),
        controlRecord(-123.45, 45.35, 120.0, 0.0, 0.0, 0.0),
        controlRecord(-123.42, 45.3, 105.0, 5e-324, -1e300, 7.0),
    };
    const std::vector<Triangle> triangles = {{0, 1, 3}, {1, 2, 3}, {2, 0, 4}, {-1, 0, 1}, {2, 0, 3}};
    const QString path = dir.filePath(QStringLiteral("network.json"));
    QString error;
    ASSERT_TRUE(writeTinshiftFile(path, control, triangles, DatumDirection::Cors96ToCors96a, TinshiftMetadata(), error))
        << error.toStdString();

    const QJsonObject json = readJson(path);
    EXPECT_EQ(json.value(QStringLiteral("file_type")).toString(), QStringLiteral("triangulation_file"));
    EXPECT_EQ(json.value(QStringLiteral("format_version")).toString(), QStringLiteral("1.0"));
    EXPECT_EQ(json.value(QStringLiteral("transformed_components")).toArray(),
              QJsonArray({QStringLiteral("horizontal"), QStringLiteral("vertical")}));
    EXPECT_EQ(json.value(QStringLiteral("vertices_columns")).toArray(),
              QJsonArray({QStringLiteral("source_x"), QStringLiteral("source_y"), QStringLiteral("source_z"),
                          QStringLiteral("target_x"), QStringLiteral("target_y"), QStringLiteral("target_z")}));
    EXPECT_EQ(
        json.value(QStringLiteral("triangles_columns")).toArray(),
        QJsonArray({QStringLiteral("idx_vertex1"), QStringLiteral("idx_vertex2"), QStringLiteral("idx_vertex3")}));

    // Every value comes back as the same double.
    const QJsonArray vertices = json.value(QStringLiteral("vertices")).toArray();
    ASSERT_EQ(vertices.size(), int(control.size()));
    for (int k = 0; k < vertices.size(); ++k) {
        const QJsonArray v = vertices[k].toArray();
        const PointRecord &r = control[size_t(k)];
        ASSERT_EQ(v.size(), 6);
        const double expected[] = {r.x, r.y, r.h, r.xTo, r.yTo, r.hTo};
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(v[c].toDouble(), expected[c]) << "vertex " << k << " column " << c;
    }
    // The faces with an index outside the vertices are left out.
    const QJsonArray faces = json.value(QStringLiteral("triangles")).toArray();
    ASSERT_EQ(faces.size(), 3);
    EXPECT_EQ(faces[0].toArray(), QJsonArray({0, 1, 3}));
    EXPECT_EQ(faces[1].toArray(), QJsonArray({1, 2, 3}));
    EXPECT_EQ(faces[2].toArray(), QJsonArray({2, 0, 3}));
}

TEST(TinshiftExport, WritesTheDescriptiveFields)
{
    QTemporaryDir dir;
    const std::vector<PointRecord> control = {controlRecord(-123.5, 45.25, 100.0, 0, 0, 0),
                                              controlRecord(-123.4, 45.25, 110.0, 0, 0, 0),
                                              controlRecord(-123.45, 45.35, 120.0, 0, 0, 0)};
    const QString path = dir.filePath(QStringLiteral("network.json"));
    QString error;

    // Nothing given: only the description, which names the direction.
    ASSERT_TRUE(
        writeTinshiftFile(path, control, {{0, 1, 2}}, DatumDirection::Cors96aToCors96, TinshiftMetadata(), error))
        << error.toStdString();
    QJsonObject json = readJson(path);
    for (const char *key : {"version", "publication_date", "license"})
        EXPECT_FALSE(json.contains(QLatin1String(key))) << key;
    EXPECT_TRUE(json.value(QStringLiteral("description"))
                    .toString()
                    .startsWith(QStringLiteral("Shifts from NAD83(CORS96a) to NAD83(CORS96), interpolated linearly "
                                               "over a Delaunay triangulation of the control points;")));

    // Everything given; the licence holds every character JSON must escape,
    // and text beyond Latin-1 and the basic plane.
    TinshiftMetadata metadata;
    metadata.version = QStringLiteral("1.0");
    metadata.publicationDate = QDate(2026, 12, 7);
    metadata.license = QStringLiteral("\"CC\" \\ BY\n4.0\t\r\x01 \u00e9\u2014") + QString::fromUtf8("\xf0\x9f\x97\xba");
    metadata.tinFile = SourceFile{QStringLiteral("tin.obj"), QByteArray(64, 'a')};
    metadata.controlFiles = {{QStringLiteral("from.csv"), QByteArray(64, 'b')},
                             {QStringLiteral("to.csv"), QByteArray(64, 'c')}};
    ASSERT_TRUE(writeTinshiftFile(path, control, {{0, 1, 2}}, DatumDirection::Cors96ToCors96a, metadata, error))
        << error.toStdString();
    json = readJson(path);
    EXPECT_EQ(json.value(QStringLiteral("version")).toString(), QStringLiteral("1.0"));
    EXPECT_EQ(json.value(QStringLiteral("publication_date")).toString(), QStringLiteral("2026-12-07T00:00:00Z"));
    EXPECT_EQ(json.value(QStringLiteral("license")).toString(), metadata.license);
    EXPECT_EQ(json.value(QStringLiteral("format_version")).toString(), QStringLiteral("1.0"));
    EXPECT_EQ(json.value(QStringLiteral("description")).toString(),
              QStringLiteral("Shifts from NAD83(CORS96) to NAD83(CORS96a), interpolated linearly over the triangles of "
                             "the TIN file tin.obj (SHA-256 %1); control files from.csv (SHA-256 %2) and to.csv "
                             "(SHA-256 %3); longitude and latitude in decimal degrees, ellipsoid height in metres")
                  .arg(QString(64, 'a'), QString(64, 'b'), QString(64, 'c')));
}

TEST(FileDigest, GivesTheSha256OfTheBytesOrNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("abc.txt"));
    writeTextFile(path, "abc");
    EXPECT_EQ(sha256HexOfFile(path), QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_TRUE(sha256HexOfFile(dir.filePath(QStringLiteral("absent.txt"))).isEmpty());
    EXPECT_TRUE(sha256HexOfFile(dir.path()).isEmpty());  // a folder has no bytes to read
}

TEST(TinshiftExport, RefusesValuesJsonCannotHoldAndUnwritablePaths)
{
    QTemporaryDir dir;
    std::vector<PointRecord> control = {controlRecord(1, 2, 3, 0, 0, 0), controlRecord(2, 3, 4, 0, 0, 0)};
    control[1].hTo = std::numeric_limits<double>::quiet_NaN();
    control[1].id = QStringLiteral("BAD");
    const QString path = dir.filePath(QStringLiteral("network.json"));
    QString error;
    EXPECT_FALSE(writeTinshiftFile(path, control, {}, DatumDirection::Cors96ToCors96a, TinshiftMetadata(), error));
    EXPECT_TRUE(error.contains(path) && error.contains(QStringLiteral("BAD"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));

    control[1].hTo = 4;
    error.clear();
    const QString noFolder = dir.filePath(QStringLiteral("missing/network.json"));
    EXPECT_FALSE(writeTinshiftFile(noFolder, control, {}, DatumDirection::Cors96ToCors96a, TinshiftMetadata(), error));
    EXPECT_TRUE(error.contains(noFolder)) << error.toStdString();
}

// Points inside the sample network: random points of random triangles and
// a few vertices, written as an input file.
QByteArray pointsInside(const std::vector<PointRecord> &control, const std::vector<Triangle> &triangles, int count)
{
    std::mt19937_64 rng(31);
    std::uniform_real_distribution<double> unit(0.02, 0.98);
    std::uniform_int_distribution<size_t> pick(0, triangles.size() - 1);
    QByteArray text;
    char line[128];
    for (int i = 0; i < count; ++i) {
        const Triangle &t = triangles[pick(rng)];
        const PointRecord &a = control[size_t(t.p1)], &b = control[size_t(t.p2)], &c = control[size_t(t.p3)];
        double u = unit(rng), v = unit(rng);
        if (u + v >= 1.0)  // reflect into the triangle
            u = 1.0 - u, v = 1.0 - v;
        const double w = 1.0 - u - v;
        const bool onVertex = i % 100 == 0;
        std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g,Q%d\n", onVertex ? a.x : u * a.x + v * b.x + w * c.x,
                      onVertex ? a.y : u * a.y + v * b.y + w * c.y, onVertex ? a.h : 100.0 + 50.0 * u, i);
        text += line;
    }
    return text;
}

// Runs cct on the points; one (x, y, z) per input line, NaN for a failure.
std::vector<std::array<double, 3>> runCct(const QString &cct, const QString &network,
                                          const std::vector<PointRecord> &points)
{
    QByteArray input;
    char line[128];
    for (const PointRecord &p : points) {
        std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", p.x, p.y, p.h);
        input += line;
    }
    QProcess process;
    process.start(cct, {QStringLiteral("-d"), QStringLiteral("12"), QStringLiteral("+proj=tinshift"),
                        QStringLiteral("+file=") + network});
    process.write(input);
    process.closeWriteChannel();
    std::vector<std::array<double, 3>> result;
    if (!process.waitForFinished(60000))
        return result;
    for (const QByteArray &text : process.readAllStandardOutput().split('\n')) {
        if (text.startsWith('#') || text.trimmed().isEmpty())
            continue;  // cct reports a failed point on a comment line and the next one
        const QList<QByteArray> fields = text.simplified().split(' ');
        if (fields.size() < 3 || text.startsWith(' '))
            continue;
        result.push_back({fields[0].toDouble(), fields[1].toDouble(), fields[2].toDouble()});
    }
    return result;
}

class TinshiftParity : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(TinshiftParity, CctGivesTheRunsCoordinates)
{
    const QString cct = QStandardPaths::findExecutable(QStringLiteral("cct"));
    if (cct.isEmpty())
        GTEST_SKIP() << "PROJ's cct is not installed";
    const QDir sample(QStringLiteral(VELTRANE_SOURCE_DIR "/data"));
    if (!QFile::exists(sample.filePath(kControlFileCors96)))
        GTEST_SKIP() << "the sample network is not in data/";

    QTemporaryDir dir;
    for (const char *name : {kControlFileCors96, kControlFileCors96a, kControlTinFile})
        ASSERT_TRUE(QFile::copy(sample.filePath(name), dir.filePath(name)));
    ConversionSettings settings;
    settings.direction = directionFromMode(GetParam().first);
    settings.tinSource = tinSourceFromMode(GetParam().second);
    const StatusSink quiet = [](const QString &, int) {};

    // A first run gives the network, a second converts points inside it.
    writeTextFile(dir.filePath(QStringLiteral("none.csv")), "# no points\n");
    const RunResult network =
        runInFolder(settings, dir.filePath(QStringLiteral("none.csv")), QString(), dir.path(), quiet);
    ASSERT_GT(network.triangles->size(), 100u);
    const QString input = dir.filePath(QStringLiteral("inside.csv"));
    writeTextFile(input, pointsInside(*network.control, *network.triangles, 3000));
    const RunResult run = runInFolder(settings, input, QString(), dir.path(), quiet);
    ASSERT_EQ(run.outcome, RunOutcome::Completed);
    ASSERT_EQ(run.points->size(), 3000u);
    EXPECT_EQ(run.outside, 0u);

    const QString json = dir.filePath(QStringLiteral("network.json"));
    QString error;
    ASSERT_TRUE(writeTinshiftFile(json, *run.control, *run.triangles, settings.direction, TinshiftMetadata(), error))
        << error.toStdString();
    const std::vector<std::array<double, 3>> shifted = runCct(cct, json, *run.points);
    ASSERT_EQ(shifted.size(), run.points->size());
    for (size_t i = 0; i < shifted.size(); ++i) {
        const PointRecord &p = (*run.points)[i];
        ASSERT_NEAR(shifted[i][0], p.xTo, kDegreesTolerance) << "point " << i;
        ASSERT_NEAR(shifted[i][1], p.yTo, kDegreesTolerance) << "point " << i;
        ASSERT_NEAR(shifted[i][2], p.hTo, kHeightTolerance) << "point " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(DirectionsAndTinModes, TinshiftParity,
                         ::testing::Values(std::make_pair(1, 2), std::make_pair(2, 2), std::make_pair(1, 1)));

}  // namespace

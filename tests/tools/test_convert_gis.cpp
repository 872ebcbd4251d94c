// veltrane-convert with GIS files: a GeoPackage made from the sample points
// by ogr2ogr converts to the numbers of the default text run, record included,
// and is read back with every field kept; inputs and outputs the run cannot
// use are refused with a message and leave every file as it was.

#include "tests/support/conversiontestsupport.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProgramRun runProgram(const QString &program, const QStringList &args, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

class ConvertGis : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("ogr2ogr").isEmpty())
            GTEST_SKIP() << "GDAL's ogr2ogr is not installed";
        for (const char *name :
             {"TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv", "TARVONA_TIN_CONTROL.obj"})
            ASSERT_TRUE(QFile::copy(QString(VELTRANE_SOURCE_DIR "/data/") + name, dir.filePath(name)));
        // The sample points with commas only, so that GDAL's CSV driver reads them all.
        QByteArray text;
        for (const QByteArray &line : readLines(QString(VELTRANE_SOURCE_DIR "/data/sample_points.csv"))) {
            const QByteArray fields = line.simplified().replace(' ', ',').replace(",,", ",");
            if (!line.startsWith('#') && !line.startsWith("longitude"))
                text += fields + "\n";
        }
        writeTextFile(dir.filePath("points.csv"), text);
        const ProgramRun made =
            runProgram("ogr2ogr",
                       {"-f", "GPKG", "points.gpkg", "points.csv", "-nln", "points", "-a_srs", "EPSG:6782", "-oo",
                        "HEADERS=NO", "-oo", "X_POSSIBLE_NAMES=field_1", "-oo", "Y_POSSIBLE_NAMES=field_2", "-oo",
                        "Z_POSSIBLE_NAMES=field_3", "-sql", "SELECT field_4 AS id, 'survey' AS crew FROM points"},
                       dir.path());
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    }
    ProgramRun convert(const QStringList &args) { return runProgram(VELTRANE_CONVERT, args, dir.path()); }

    QTemporaryDir dir;
};

// One converted feature as ogrinfo prints it, keyed by its identifier.
QMap<QByteArray, QList<QByteArray>> featuresOf(const QByteArray &ogrinfo)
{
    QMap<QByteArray, QList<QByteArray>> features;
    QByteArray id;
    for (const QByteArray &line : ogrinfo.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith("id (String) = "))
            id = t.mid(14);
        else if (!id.isEmpty() && (t.contains(" = ") || t.startsWith("POINT")))
            features[id].append(t);
    }
    return features;
}

TEST_F(ConvertGis, GeoPackageRoundTripGivesTheTextRunsNumbers)
{
    const ProgramRun text = convert({"-o", "text.csv", "--record", "text.pdf", "points.csv"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const ProgramRun gis = convert({"-o", "out.gpkg", "points.gpkg"});
    ASSERT_EQ(gis.exitCode, 0) << gis.err.toStdString();
    const ProgramRun asText = convert({"-o", "gis.csv", "--record", "gis.pdf", "points.gpkg"});
    ASSERT_EQ(asText.exitCode, 0) << asText.err.toStdString();
    // The GeoPackage's points written as text are the text run's lines, each
    // followed by the layer's other field.
    QByteArray withCrew;
    for (const QByteArray &line : readLines(dir.filePath("text.csv")))
        withCrew += line + (withCrew.isEmpty() ? ",crew\n" : ",survey\n");
    EXPECT_EQ(readBytes(dir.filePath("gis.csv")), withCrew);
    // And its record gives the text run's shifts.
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (!pdftotext.isEmpty()) {
        const auto shiftsOf = [&](const QString &pdf) {
            const QByteArray words = runProgram(pdftotext, {"-raw", pdf, "-"}, dir.path()).out;
            const int from = words.indexOf("Shifts\n");
            return words.mid(from, words.indexOf("Network check", from) - from);
        };
        const QByteArray shifts = shiftsOf("text.pdf");
        EXPECT_TRUE(shifts.contains("\ns median ")) << shifts.toStdString();
        EXPECT_EQ(shiftsOf("gis.pdf").toStdString(), shifts.toStdString());
    }

    const ProgramRun info = runProgram("ogrinfo", {"-al", "-q", "-oo", "LIST_ALL_TABLES=NO", "out.gpkg"}, dir.path());
    ASSERT_EQ(info.exitCode, 0);
    const QMap<QByteArray, QList<QByteArray>> features = featuresOf(info.out);
    const QList<QByteArray> lines = readLines(dir.filePath("text.csv"));
    ASSERT_EQ(features.size(), lines.size() - 1);
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> c = lines[i].split(',');
        SCOPED_TRACE(c[0].toStdString());
        const QList<QByteArray> f = features.value(c[0]);
        // Outside the network: no geometry, no shift.
        const bool outside = c[4].toDouble() == 0.0;
        ASSERT_EQ(f.size(), outside ? 4 : 5);
        EXPECT_EQ(f[0], "crew (String) = survey");  // an input field, kept
        if (outside) {
            EXPECT_EQ(f[1], "s (Real) = (null)");
            continue;
        }
        EXPECT_NEAR(f[1].mid(11).toDouble(), c[7].toDouble(), 1e-12);
        EXPECT_NEAR(f[2].mid(17).toDouble(), c[8].toDouble(), 1e-9);
        EXPECT_NEAR(f[3].mid(17).toDouble(), c[9].toDouble(), 1e-6);
        const QList<QByteArray> xyz = f[4].mid(f[4].indexOf('(') + 1).chopped(1).split(' ');
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(xyz[k].toDouble(), c[4 + k].toDouble(), 1e-9);
    }
    // The layer's system is the input's on the target realization.
    const ProgramRun srs = runProgram("ogrinfo", {"-so", "out.gpkg", "points"}, dir.path());
    EXPECT_TRUE(srs.out.contains("GEOGCRS[\"NAD83(CORS96a)\"")) << srs.out.toStdString();
    EXPECT_TRUE(srs.out.contains("DATUM[\"NAD83 (CORS96a)\""));
}

TEST_F(ConvertGis, UnusableInputsAndOutputsAreRefusedAndNothingIsLost)
{
    writeTextFile(dir.filePath("junk.gpkg"), "not a GeoPackage\n");
    writeTextFile(dir.filePath("lines.geojson"),
                  R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"id":"L1"},)"
                  R"("geometry":{"type":"LineString","coordinates":[[-122,44],[-121,45]]}}]})");
    writeTextFile(dir.filePath("kept.gpkg"), "an earlier output\n");
    writeTextFile(dir.filePath("kept.csv"), "an earlier output\n");
    const struct {
        QStringList args;
        const char *message;
    } cases[] = {
        {{"-o", "kept.csv", "junk.gpkg"}, "cannot open junk.gpkg as a file of vector layers"},
        {{"-o", "kept.csv", "missing.gpkg"}, "cannot open missing.gpkg"},
        {{"-o", "kept.csv", "lines.geojson"}, "lines.geojson has no layer of points"},
        {{"-o", "kept.csv", "--layer", "roads", "points.gpkg"}, "points.gpkg has no layer roads"},
        {{"-o", "kept.csv", "--id-field", "pid", "points.gpkg"},
         "layer points has no field pid for the identifier; it has id, crew"},
        {{"-o", "kept.csv", "--height-field", "crew", "points.gpkg"}, "field crew of layer points holds no numbers"},
        {{"-o", "kept.gpkg", "--output-format", "OSM", "points.gpkg"},
         "GDAL's driver OSM reads files but cannot create them"},
        {{"-o", "kept.gpkg", "--output-format", "ESRI Shapefile", "points.gpkg"},
         "ESRI Shapefile writes several files, named *.shp"},
        {{"-o", "kept.gpkg", "--crs", "EPSG:4326", "points.gpkg"}, "not on GRS 1980"},
        {{"--layer", "points", "points.csv"}, "--layer, --id-field and --height-field need a GIS INPUT"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun run = convert(c.args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_EQ(readBytes(dir.filePath("kept.gpkg")), "an earlier output\n");
        EXPECT_EQ(readBytes(dir.filePath("kept.csv")), "an earlier output\n");
        // Nothing half-made is left beside the outputs.
        EXPECT_TRUE(QDir(dir.path()).entryList({".veltrane-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
    }
}

}  // namespace

TEST_F(ConvertGis, NetworkCheckWritesItsResidualsAsAPointLayer)
{
    ASSERT_EQ(convert({"--validate-network", "--report", "check.csv"}).exitCode, 0);
    const ProgramRun check = convert({"--validate-network", "--report", "check.gpkg"});
    ASSERT_EQ(check.exitCode, 0) << check.err.toStdString();
    const ProgramRun info = runProgram("ogrinfo", {"-al", "-q", "check.gpkg"}, dir.path());
    ASSERT_EQ(info.exitCode, 0);
    // Source positions, in the source realization's system.
    EXPECT_TRUE(
        runProgram("ogrinfo", {"-so", "check.gpkg", "residuals"}, dir.path()).out.contains("ID[\"EPSG\",6782]"));
    const QMap<QByteArray, QList<QByteArray>> features = featuresOf(info.out);
    const QList<QByteArray> lines = readLines(dir.filePath("check.csv"));
    ASSERT_EQ(features.size(), lines.size() - 1);
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> c = lines[i].split(',');  // POINT_ID,X,Y,E,N,H,HORIZONTAL
        SCOPED_TRACE(c[0].toStdString());
        const QList<QByteArray> f = features.value(c[0]);
        ASSERT_EQ(f.size(), 6);
        EXPECT_EQ(f[0], c[3].isEmpty() ? QByteArray("state (String) = boundary") : "state (String) = validated");
        for (int k = 0; k < 4; ++k) {
            const QByteArray value = f[1 + k].mid(f[1 + k].indexOf(" = ") + 3);
            if (c[3 + k].isEmpty())
                EXPECT_EQ(value, "(null)");
            else
                EXPECT_NEAR(value.toDouble(), c[3 + k].toDouble(), 5e-7);  // the file's 6 decimals
        }
        const QList<QByteArray> xyz = f[5].mid(f[5].indexOf('(') + 1).chopped(1).split(' ');
        EXPECT_NEAR(xyz[0].toDouble(), c[1].toDouble(), 1e-9);
        EXPECT_NEAR(xyz[1].toDouble(), c[2].toDouble(), 1e-9);
    }
}
